#pragma once
// The portable INI reader: an INI file's bytes parsed the way the Windows profile
// functions read them, and the four profile reads answered from the parse with the
// Windows buffer rules (see ProfileSource.h). Nothing here touches the file system,
// so the same code can be driven from a Windows test executable and compared with
// GetPrivateProfile*W on the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessmo {

// One non-blank, non-comment line of a section. Key and value are trimmed of blanks
// (space, TAB, VT). A line without '=' keeps its trimmed text in `key` and is no key.
struct IniLine {
    std::u16string key;
    std::u16string value;
    bool hasEquals = false;
    std::uint32_t lineNumber = 0;  // 1-based, in the decoded text; for messages to the file's author
};

struct IniSection {
    std::u16string name;  // trimmed text between '[' and the first ']' (or the line end)
    std::vector<IniLine> lines;
    std::uint32_t lineNumber = 0;  // of the header
};

class IniDocument {
public:
    // Decodes (see DecodeIniText) and parses. Lines before the first header are
    // dropped: no read can reach them.
    static IniDocument Parse(std::string_view bytes);

    // Every header in file order, duplicates included.
    const std::vector<IniSection>& Sections() const { return sections_; }

    // The first section whose name equals `name` without regard to ASCII letter case.
    const IniSection* FindSection(std::u16string_view name) const;

    // The first line with '=' whose key equals `key` without regard to ASCII letter case.
    static const IniLine* FindKey(const IniSection& section, std::u16string_view key);

private:
    std::vector<IniSection> sections_;
    std::unordered_map<std::u16string, std::size_t> firstSectionByFoldedName_;
};

// FF FE: UTF-16LE; FE FF: UTF-16BE; EF BB BF: UTF-8 (ill-formed sequences become U+FFFD);
// no mark: UTF-8 when the whole file is well-formed UTF-8, Windows-1252 otherwise.
// Windows itself honours only FF FE and reads every other file in the ANSI code page;
// the wider set lets a definition file be written in any ordinary editor.
std::u16string DecodeIniText(std::string_view bytes);

// The profile reads. `document` is null when the file could not be read: the reads
// then give what the Windows functions give for a missing file (defaults, empty lists).
// The keyed reads look section and key names up with surrounding spaces removed, as
// Windows does; the section read takes the name as it stands.
std::uint32_t ProfileSectionNames(const IniDocument* document, char16_t* buffer, std::uint32_t capacity);
std::uint32_t ProfileSection(const IniDocument* document, std::u16string_view section, char16_t* buffer,
                             std::uint32_t capacity);
std::uint32_t ProfileString(const IniDocument* document, std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue, char16_t* buffer, std::uint32_t capacity);
std::uint32_t ProfileInt(const IniDocument* document, std::u16string_view section, std::u16string_view key,
                         std::int32_t defaultValue);

// GetPrivateProfileIntW's number parsing (see ReadProfileInt in config/ProfileInt.h).
std::uint32_t ParseProfileInt(std::u16string_view text);

}  // namespace tessmo
