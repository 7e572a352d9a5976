#include "config/IniDocument.h"

#include <algorithm>
#include <utility>

#include "common/Text.h"
#include "config/ProfileInt.h"

namespace tessmo {
namespace {

// Windows-1252 for 0x80-0x9F. The five positions the code page leaves undefined map
// to the C1 control of the same value, as MultiByteToWideChar does, so no byte is lost.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

unsigned ByteAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

bool StartsWithBytes(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    // An odd last byte is half a character and is dropped.
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned first = ByteAt(bytes, i);
        const unsigned second = ByteAt(bytes, i + 1);
        text.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return text;
}

std::u16string DecodeCp1252(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned byte = ByteAt(bytes, i);
        text.push_back(byte >= 0x80 && byte <= 0x9F ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte));
    }
    return text;
}

// The blanks the profile functions trim around names and values. Line ends never
// reach here; other control characters are text.
bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v';
}

std::u16string_view TrimBlanksLeft(std::u16string_view text) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    return text.substr(start);
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    text = TrimBlanksLeft(text);
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) c = AsciiLower(c);
    return folded;
}

// Names and defaults arrive as C strings on Windows: anything after a NUL is not seen.
std::u16string_view AsCString(std::u16string_view text) {
    return text.substr(0, std::min(text.find(u'\0'), text.size()));
}

// Windows strips spaces, and only spaces, around a requested section or key name.
std::u16string_view LookupName(std::u16string_view name) {
    name = AsCString(name);
    std::size_t start = 0;
    std::size_t end = name.size();
    while (start < end && name[start] == u' ') ++start;
    while (end > start && name[end - 1] == u' ') --end;
    return name.substr(start, end - start);
}

// The default loses its trailing spaces (only spaces: a trailing TAB stays), and keeps
// its leading ones.
std::u16string_view TrimDefault(std::u16string_view text) {
    text = AsCString(text);
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == u' ') --end;
    return text.substr(0, end);
}

// A keyed read removes one outer pair of matching quotes; the section read does not.
bool IsQuoted(std::u16string_view value) {
    return value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
           value.back() == value.front();
}

std::u16string_view Unquote(std::u16string_view value) {
    return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

// A value that does not fit is cut to capacity - 1 characters, as Windows documents.
// (Wine cuts a quoted value before it takes the quotes off, and so returns one character
// short when the unquoted value would just fit; that loses text and is not followed.)
std::uint32_t CopyText(std::u16string_view text, char16_t* buffer, std::uint32_t capacity) {
    if (capacity == 0) return 0;
    const std::size_t count = std::min<std::size_t>(text.size(), capacity - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = u'\0';
    return static_cast<std::uint32_t>(count);
}

// Writes a list of NUL-terminated texts ended by an empty text, the way the section and
// section-name reads do. When the list does not fit, the first capacity - 2 characters
// stand, followed by two NULs, and the result is capacity - 2. As on the platform, a
// list is reported whole only when a character of the buffer is left after its final
// NUL; a list that needs the very last character is reported cut (its text is complete).
class ListWriter {
public:
    ListWriter(char16_t* buffer, std::uint32_t capacity)
        : buffer_(buffer), capacity_(capacity), room_(capacity >= 2 ? capacity - 2u : 0u) {}

    // Once the list has outgrown the buffer nothing more can change the outcome.
    bool Overflowed() const { return written_ > room_; }

    void Append(std::u16string_view text) {
        for (const char16_t c : text) {
            if (Overflowed()) return;
            Put(c);
        }
    }
    void EndEntry() { Put(u'\0'); }

    std::uint32_t Finish() {
        if (capacity_ < 2) {
            if (capacity_ == 1) buffer_[0] = u'\0';
            return 0;
        }
        if (written_ <= room_) {
            buffer_[written_] = u'\0';
            if (written_ == 0) buffer_[1] = u'\0';
            return static_cast<std::uint32_t>(written_);
        }
        buffer_[capacity_ - 2] = u'\0';
        buffer_[capacity_ - 1] = u'\0';
        return capacity_ - 2;
    }

private:
    void Put(char16_t c) {
        if (written_ < room_) buffer_[written_] = c;
        ++written_;
    }

    char16_t* buffer_;
    std::uint32_t capacity_;
    std::uint64_t room_;
    std::uint64_t written_ = 0;
};

}  // namespace

std::u16string DecodeIniText(std::string_view bytes) {
    if (StartsWithBytes(bytes, "\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
    if (StartsWithBytes(bytes, "\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
    if (StartsWithBytes(bytes, "\xEF\xBB\xBF")) return FromUtf8(bytes.substr(3));
    if (auto text = DecodeUtf8(bytes, Utf8Mode::Strict)) return std::move(*text);
    return DecodeCp1252(bytes);
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    const std::u16string decoded = DecodeIniText(bytes);
    const std::u16string_view text(decoded);
    IniDocument document;
    std::size_t position = 0;
    std::uint32_t lineNumber = 0;
    while (position < text.size()) {
        ++lineNumber;
        // Lines end at CR, LF or CRLF; the last line needs no line end.
        std::size_t end = text.find_first_of(u"\r\n", position);
        if (end == std::u16string_view::npos) end = text.size();
        std::u16string_view line = text.substr(position, end - position);
        position = end;
        if (position < text.size()) {
            const bool crlf =
                text[position] == u'\r' && position + 1 < text.size() && text[position + 1] == u'\n';
            position += crlf ? 2u : 1u;
        }
        // A NUL ends the text of its line (so a trailing NUL of the file is no line).
        line = AsCString(line);

        line = TrimBlanksLeft(line);
        if (line.empty()) continue;
        if (line.front() == u'[') {
            // The name ends at the first ']'; without one it runs to the line end.
            // Whatever follows the ']' is ignored, even key=value.
            std::u16string_view name = line.substr(1);
            name = TrimBlanks(name.substr(0, std::min(name.find(u']'), name.size())));
            document.firstSectionByFoldedName_.try_emplace(FoldCase(name), document.sections_.size());
            document.sections_.push_back(IniSection{std::u16string(name), {}, lineNumber});
            continue;
        }
        if (line.front() == u';') continue;  // a comment; '#' is text
        if (document.sections_.empty()) continue;

        IniLine entry;
        entry.lineNumber = lineNumber;
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos) {
            entry.key = TrimBlanks(line);
        } else {
            entry.key = TrimBlanks(line.substr(0, equals));
            entry.value = TrimBlanks(line.substr(equals + 1));
            entry.hasEquals = true;
        }
        document.sections_.back().lines.push_back(std::move(entry));
    }
    return document;
}

const IniSection* IniDocument::FindSection(std::u16string_view name) const {
    const auto found = firstSectionByFoldedName_.find(FoldCase(name));
    return found == firstSectionByFoldedName_.end() ? nullptr : &sections_[found->second];
}

const IniLine* IniDocument::FindKey(const IniSection& section, std::u16string_view key) {
    for (const IniLine& line : section.lines) {
        if (line.hasEquals && EqualsIgnoreAsciiCase(line.key, key)) return &line;
    }
    return nullptr;
}

std::uint32_t ProfileSectionNames(const IniDocument* document, char16_t* buffer, std::uint32_t capacity) {
    ListWriter list(buffer, capacity);
    if (document) {
        for (const IniSection& section : document->Sections()) {
            if (list.Overflowed()) break;
            // An empty name (from "[]") would read as the end of the list and hide every
            // later section, so it is left out of the list; it stays readable by name.
            if (section.name.empty()) continue;
            list.Append(section.name);
            list.EndEntry();
        }
    }
    return list.Finish();
}

std::uint32_t ProfileSection(const IniDocument* document, std::u16string_view section, char16_t* buffer,
                             std::uint32_t capacity) {
    ListWriter list(buffer, capacity);
    // Unlike the keyed reads, the section read takes the name as it stands: " s " is
    // not the section "s".
    const IniSection* found = document ? document->FindSection(AsCString(section)) : nullptr;
    if (found) {
        for (const IniLine& line : found->lines) {
            if (list.Overflowed()) break;
            list.Append(line.key);
            if (line.hasEquals) {
                list.Append(u"=");
                list.Append(line.value);
            }
            list.EndEntry();
        }
    }
    return list.Finish();
}

std::uint32_t ProfileString(const IniDocument* document, std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue, char16_t* buffer, std::uint32_t capacity) {
    const IniSection* foundSection = document ? document->FindSection(LookupName(section)) : nullptr;
    const IniLine* foundKey = foundSection ? IniDocument::FindKey(*foundSection, LookupName(key)) : nullptr;
    return CopyText(foundKey ? Unquote(foundKey->value) : TrimDefault(defaultValue), buffer, capacity);
}

std::uint32_t ProfileInt(const IniDocument* document, std::u16string_view section, std::u16string_view key,
                         std::int32_t defaultValue) {
    const auto fallback = static_cast<std::uint32_t>(defaultValue);
    const IniSection* foundSection = document ? document->FindSection(LookupName(section)) : nullptr;
    const IniLine* foundKey = foundSection ? IniDocument::FindKey(*foundSection, LookupName(key)) : nullptr;
    if (!foundKey) return fallback;
    const std::u16string_view value = Unquote(foundKey->value);
    // An empty value reads as no value at all.
    return value.empty() ? fallback : ParseProfileInt(value);
}

std::uint32_t ParseProfileInt(std::u16string_view text) {
    return ReadProfileInt(text).value;
}

}  // namespace tessmo
