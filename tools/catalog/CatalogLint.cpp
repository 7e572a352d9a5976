#include "catalog/CatalogLint.h"

#include <algorithm>
#include <unordered_map>

#include "catalog/Printable.h"
#include "common/Text.h"
#include "config/OptionLine.h"
#include "config/ProfileInt.h"

namespace tessmo::catalog {
namespace {

constexpr std::size_t kMaxStorableOptions = 256;  // the camera stores an option index in one byte
constexpr std::uint32_t kLargestParaIdx = 0xFFFF;

// Keys compared the way the keyed reads find them: ASCII letters without regard to case.
struct FoldedHash {
    std::size_t operator()(std::u16string_view key) const {
        std::size_t hash = 14695981039346656037ull;
        for (const char16_t c : key) hash = (hash ^ AsciiLower(c)) * 1099511628211ull;
        return hash;
    }
};
struct FoldedEqual {
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        return EqualsIgnoreAsciiCase(a, b);
    }
};

std::string Quoted(std::u16string_view text) {
    return "\"" + Printable(text) + "\"";
}

class Linter {
public:
    Linter(const IniDocument& document, const ParamList& list) : document_(document), list_(list) {}

    std::vector<Warning> Run(std::string_view bytes) {
        CheckEncoding(bytes);
        std::size_t row = 0;  // the loader makes one row per named section, in file order
        for (const IniSection& section : document_.Sections()) {
            if (section.name.empty()) {
                CheckNameless(section);
                continue;
            }
            const ParamItem* item = row < list_.size() ? &list_[row] : nullptr;
            ++row;
            const IniSection* first = document_.FindSection(section.name);
            if (first != &section) {
                Add(section.lineNumber,
                    Label(section) + " repeats the section of line " + std::to_string(first->lineNumber) +
                        "; its row shows that section's keys and its own lines are ignored");
                continue;
            }
            CheckLines(section);
            if (item) CheckItem(section, *item);
        }
        std::stable_sort(warnings_.begin(), warnings_.end(),
                         [](const Warning& a, const Warning& b) { return a.line < b.line; });
        return std::move(warnings_);
    }

private:
    static std::string Label(const IniSection& section) {
        return "section [" + Printable(section.name) + "]";
    }

    void Add(std::uint32_t line, std::string text, bool severe = false) {
        warnings_.push_back(Warning{line, std::move(text), severe});
    }

    // Without a byte-order mark, UTF-16 reads as UTF-8 whose every line ends at its first
    // NUL: nothing of the file survives, yet it loads without error.
    void CheckEncoding(std::string_view bytes) {
        if (bytes.size() < 2 || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return;
        std::size_t nuls[2] = {0, 0};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\0') ++nuls[i % 2];
        }
        if (std::max(nuls[0], nuls[1]) * 4 < bytes.size()) return;
        Add(0,
            "the file looks like UTF-16 without a byte-order mark and reads as an empty catalogue; "
            "save it as UTF-16 with a byte-order mark or as UTF-8",
            true);
    }

    void CheckNameless(const IniSection& section) {
        if (section.lines.empty()) return;
        Add(section.lineNumber, "a section without a name ([]) makes no row; its " +
                                    std::to_string(section.lines.size()) + " line(s) are ignored");
    }

    void CheckLines(const IniSection& section) {
        std::unordered_map<std::u16string_view, std::uint32_t, FoldedHash, FoldedEqual> keyLines;
        for (const IniLine& line : section.lines) {
            // The key starts the raw line the option rule looks at.
            if (HasOptionKey(line.key)) {
                if (!line.hasEquals) {
                    Add(line.lineNumber, Quoted(line.key) + " has no '=' and is no option");
                }
                continue;  // every option line counts, repeated names too
            }
            if (line.key.size() >= kOptionKeyPrefix.size() &&
                EqualsIgnoreAsciiCase(std::u16string_view(line.key).substr(0, kOptionKeyPrefix.size()),
                                      kOptionKeyPrefix)) {
                Add(line.lineNumber, "key " + Quoted(line.key) +
                                         " is not an option line: option keys begin with \"SubStr\" exactly");
            }
            if (!line.hasEquals) continue;
            const auto [earlier, inserted] = keyLines.emplace(line.key, line.lineNumber);
            if (!inserted) {
                Add(line.lineNumber, "key " + Quoted(line.key) + " repeats line " +
                                         std::to_string(earlier->second) + " in " + Label(section) +
                                         "; only the first is read");
            }
        }
    }

    void CheckItem(const IniSection& section, const ParamItem& item) {
        if (item.SubStrs.empty()) Add(section.lineNumber, Label(section) + " has no options");
        if (item.SubStrs.size() > kMaxStorableOptions) {
            Add(section.lineNumber, Label(section) + " has " + std::to_string(item.SubStrs.size()) +
                                        " options; the camera stores only indexes 0 to 255");
        }
        const IniLine* key = IniDocument::FindKey(section, u"ParaIdx");
        if (!key) {
            Add(section.lineNumber, Label(section) + " has no ParaIdx; 65535 is sent to the camera");
            return;
        }
        CheckParaIdxText(section, *key, item);
        const auto [owner, inserted] = paraIdxOwners_.emplace(item.ParaIdx, &section);
        if (!inserted) {
            Add(key->lineNumber, Label(section) + " uses ParaIdx " + std::to_string(item.ParaIdx) +
                                     ", already used by " + Label(*owner->second) + " (line " +
                                     std::to_string(owner->second->lineNumber) + ")");
        }
    }

    // The value exactly as the loader's integer read sees it (one outer pair of quotes off).
    std::u16string ParaIdxText(const IniSection& section, const IniLine& key) const {
        std::u16string text(key.value.size() + 1, u'\0');
        text.resize(ProfileString(&document_, section.name, u"ParaIdx", u"", text.data(),
                                  static_cast<std::uint32_t>(text.size())));
        return text;
    }

    void CheckParaIdxText(const IniSection& section, const IniLine& key, const ParamItem& item) {
        const std::u16string text = ParaIdxText(section, key);
        const std::uint32_t line = key.lineNumber;
        const std::string sent = "; the camera gets " + std::to_string(item.ParaIdx);
        if (text.empty()) return Add(line, "ParaIdx is empty" + sent);
        const ProfileIntReading reading = ReadProfileInt(text);
        if (!reading.hasDigits) return Add(line, "ParaIdx " + Quoted(text) + " is not a number" + sent);
        if (reading.base != 10) {
            Add(line, "ParaIdx " + Quoted(text) + " is read as a base-" + std::to_string(reading.base) +
                          " number" + sent);
        }
        if (reading.end < text.size()) {
            Add(line, "ParaIdx " + Quoted(text) + " ends in text that is ignored" + sent);
        }
        if ((reading.negative && reading.magnitude != 0) || reading.magnitude > kLargestParaIdx) {
            Add(line, "ParaIdx " + Quoted(text) + " is outside 0 to 65535" + sent);
        }
    }

    const IniDocument& document_;
    const ParamList& list_;
    std::unordered_map<std::uint16_t, const IniSection*> paraIdxOwners_;
    std::vector<Warning> warnings_;
};

}  // namespace

std::vector<Warning> LintCatalogue(std::string_view bytes, const IniDocument& document,
                                   const ParamList& list) {
    return Linter(document, list).Run(bytes);
}

}  // namespace tessmo::catalog
