// The portable INI reader against the system's profile functions, on one generated
// corpus: every raw read, the catalogue and the settings must come out the same.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "IniCorpus.h"
#include "common/Text.h"
#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"
#include "config/Settings.h"
#include "profile/Win32ProfileSource.h"

namespace tessmo::win32 {
namespace {

constexpr std::uint64_t kCorpusSeed = 0x7E55'0C0F'F1CE'2024ULL;
constexpr int kCorpusFiles = 210;
constexpr char16_t kUnwritten = u'\uFDD0';  // a noncharacter: no reader writes it
constexpr std::size_t kGuardChars = 8;

std::string Escaped(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != u'\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
            out += c == 0 ? std::string("\\0") : std::string(hex);
        }
    }
    return out;
}

class TempFolder {
public:
    TempFolder() {
        wchar_t temp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        path_ = std::filesystem::path(std::wstring(temp, n)) /
                (L"tessmo-ini-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    std::u16string Write(const std::string& name, const std::string& bytes) const {
        const auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        const std::wstring wide = file.wstring();
        return std::u16string(wide.begin(), wide.end());
    }

private:
    std::filesystem::path path_;
};

// A section name to ask for by key, and the keys to ask it for.
struct KeyedLookup {
    std::u16string section;
    std::vector<std::u16string> keys;
};

struct CorpusEntry {
    corpus::IniFile file;
    std::u16string path;
    std::size_t index = 0;
    std::vector<std::u16string> sections;  // the names the file lists, each once
    std::u16string otherLookup;            // another spelling of a name, or one the file lacks
    std::vector<KeyedLookup> keyed;
};

// Reads one list or string through a source into a guarded buffer. The result is what a
// caller can rely on: the returned count, the text up to and with its terminating NUL
// (the list's final NUL), and whether anything was written past the capacity.
struct Read {
    std::uint32_t result = 0;
    std::u16string visible;
    bool overran = false;

    friend bool operator==(const Read&, const Read&) = default;
};

std::string Describe(const Read& r) {
    std::string out = "result " + std::to_string(r.result);
    out += " \"";
    out += Escaped(r.visible);
    out += r.overran ? "\" WROTE PAST CAPACITY" : "\"";
    return out;
}

Read Guarded(std::uint32_t capacity, const std::function<std::uint32_t(char16_t*, std::uint32_t)>& call) {
    std::u16string buffer(capacity + kGuardChars, kUnwritten);
    Read r;
    r.result = call(buffer.data(), capacity);
    r.visible = buffer.substr(0, std::min<std::size_t>(capacity, std::size_t{r.result} + 1));
    r.overran = buffer.find_first_not_of(kUnwritten, capacity) != std::u16string::npos;
    return r;
}

std::vector<std::u16string> ListTexts(const char16_t* list, std::uint32_t count) {
    std::vector<std::u16string> texts;
    for (std::uint32_t start = 0; start < count && list[start] != u'\0';) {
        std::u16string text(list + start);
        start += static_cast<std::uint32_t>(text.size()) + 1;
        texts.push_back(std::move(text));
    }
    return texts;
}

std::u16string FlippedAsciiCase(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        } else if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return text;
}

// Each profile read costs a few round trips to the Wine server (a fraction of a
// millisecond), so a section is asked only for the keys its lines name (and the bare
// text of its lines without '='), one of them in other letter case, and a few keys no
// file has; and each file gets one other lookup in turn rather than all of them.
CorpusEntry Prepare(corpus::IniFile file, std::u16string path, std::size_t index) {
    static const std::u16string kOtherLookups[] = {u"PRIVATE",  u" Private ", u"white balance",
                                                   u"Absent",   u"[Flicker",  u"cAF\u00E9",
                                                   u"\u03A9MEGA"};
    CorpusEntry entry{std::move(file), std::move(path), index, {}, kOtherLookups[index % 7], {}};
    Win32ProfileSource system;
    std::u16string buffer(65536, u'\0');
    const std::uint32_t n = system.GetSectionNames(buffer.data(), 65536, entry.path);
    entry.sections = ListTexts(buffer.data(), n);
    std::sort(entry.sections.begin(), entry.sections.end());
    entry.sections.erase(std::unique(entry.sections.begin(), entry.sections.end()), entry.sections.end());

    for (const auto& section : entry.sections) {
        KeyedLookup lookup{section, {}};
        const std::uint32_t count = system.GetSection(section, buffer.data(), 65536, entry.path);
        for (const auto& line : ListTexts(buffer.data(), count)) {
            lookup.keys.push_back(line.substr(0, line.find(u'=')));
        }
        if (!lookup.keys.empty()) lookup.keys.push_back(FlippedAsciiCase(lookup.keys.front()));
        // The empty key of "=value" lines, a key no file has, and a key given with blanks.
        for (const auto* extra : {u"", u"Missing", u" MainStr "}) lookup.keys.emplace_back(extra);
        std::sort(lookup.keys.begin(), lookup.keys.end());
        lookup.keys.erase(std::unique(lookup.keys.begin(), lookup.keys.end()), lookup.keys.end());
        entry.keyed.push_back(std::move(lookup));
    }
    KeyedLookup other{entry.otherLookup, entry.keyed.empty() ? std::vector<std::u16string>{u"Title", u"MainStr"}
                                                             : entry.keyed.front().keys};
    entry.keyed.push_back(std::move(other));
    return entry;
}

class ProfileDifferential : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        corpus_ = new std::vector<CorpusEntry>;
        for (auto& file : corpus::Generate(kCorpusSeed, kCorpusFiles)) {
            std::u16string path = folder_->Write(file.name, file.bytes);
            corpus_->push_back(Prepare(std::move(file), std::move(path), corpus_->size()));
        }
    }
    static void TearDownTestSuite() {
        delete corpus_;
        delete folder_;
    }

    // Counts a comparison and keeps a readable account of the first disagreements.
    void Compare(const CorpusEntry& entry, const std::string& call, const std::string& system,
                 const std::string& portable) {
        ++comparisons_;
        if (system == portable) return;
        ++mismatchCount_;
        if (mismatches_.size() < 20) {
            std::string m = entry.file.name + ": " + call;
            m += "\n    system:   " + system;
            m += "\n    portable: " + portable;
            m += "\n    file: \"" + Escaped(std::u16string_view(entry.file.text).substr(0, 800)) + "\"";
            mismatches_.push_back(std::move(m));
        }
    }
    void Compare(const CorpusEntry& entry, const std::string& call, const Read& system, const Read& portable) {
        Compare(entry, call, Describe(system), Describe(portable));
    }

    void ExpectNoMismatch() {
        std::string report;
        for (const auto& m : mismatches_) report += m + "\n";
        EXPECT_EQ(mismatchCount_, 0) << "of " << comparisons_ << " comparisons\n" << report;
    }

    static std::uint32_t FullCapacity(const CorpusEntry& entry) {
        return static_cast<std::uint32_t>(entry.file.bytes.size());
    }

    static TempFolder* folder_;
    static std::vector<CorpusEntry>* corpus_;

    Win32ProfileSource system_;
    PortableProfileSource portable_;
    std::vector<std::string> mismatches_;
    int mismatchCount_ = 0;
    int comparisons_ = 0;
};

TempFolder* ProfileDifferential::folder_ = nullptr;
std::vector<CorpusEntry>* ProfileDifferential::corpus_ = nullptr;

TEST_F(ProfileDifferential, FileLengthsAgreeWithTheBytesWritten) {
    ASSERT_GE(corpus_->size(), 200u);
    for (const auto& entry : *corpus_) {
        EXPECT_EQ(system_.FileLength(entry.path), std::optional<std::uint32_t>(FullCapacity(entry))) << entry.file.name;
        EXPECT_EQ(portable_.FileLength(entry.path), system_.FileLength(entry.path)) << entry.file.name;
    }
}

// Lists are compared at the loaders' capacity (the file's length) and cut short. Never
// below 2 (the loaders do not ask with less): there Wine writes outside the buffer.
// GetPrivateProfileSectionW ends an absent section with two NULs whatever the capacity,
// and with room for one character stores a NUL before the buffer and returns 0xFFFFFFFF.
TEST_F(ProfileDifferential, SectionNameListsAgree) {
    int listsWithNames = 0;
    for (const auto& entry : *corpus_) {
        for (std::uint32_t capacity : {FullCapacity(entry), 2u, 3u, 8u, 17u}) {
            if (capacity < 2) continue;
            const auto read = [&](ProfileSource& source) {
                return Guarded(capacity, [&](char16_t* b, std::uint32_t c) {
                    return source.GetSectionNames(b, c, entry.path);
                });
            };
            const Read system = read(system_);
            Compare(entry, "GetSectionNames capacity " + std::to_string(capacity), system, read(portable_));
            if (capacity == FullCapacity(entry) && system.result > 0) ++listsWithNames;
        }
    }
    ExpectNoMismatch();
    EXPECT_GT(listsWithNames, kCorpusFiles / 2) << "the corpus has too few sections to compare";
}

// A cut-short capacity per file, in turn.
std::uint32_t CutCapacity(std::size_t turn) {
    static constexpr std::uint32_t kCuts[] = {2, 3, 5, 9, 16};
    return kCuts[turn % 5];
}

TEST_F(ProfileDifferential, SectionLinesAgree) {
    int sectionsWithLines = 0;
    for (const auto& entry : *corpus_) {
        std::vector<std::u16string> lookups = entry.sections;
        lookups.push_back(entry.otherLookup);
        for (const auto& section : lookups) {
            // Wine looks the name up as given, blanks and all; Windows is not known to,
            // and the catalogue only asks for names as they were listed.
            if (section != entry.otherLookup || section.front() != u' ') {
                for (std::uint32_t capacity : {FullCapacity(entry), CutCapacity(entry.index)}) {
                    if (capacity < 2) continue;
                    const auto read = [&](ProfileSource& source) {
                        return Guarded(capacity, [&](char16_t* b, std::uint32_t c) {
                            return source.GetSection(section, b, c, entry.path);
                        });
                    };
                    const Read system = read(system_);
                    Compare(entry, "GetSection [" + Escaped(section) + "] capacity " + std::to_string(capacity),
                            system, read(portable_));
                    if (capacity == FullCapacity(entry) && system.result > 0) ++sectionsWithLines;
                }
            }
        }
    }
    ExpectNoMismatch();
    EXPECT_GT(sectionsWithLines, kCorpusFiles) << "the corpus has too few lines to compare";
}

// A value read into too small a buffer, as Windows documents it: cut to capacity - 1
// characters and terminated, the count saying how many were kept.
Read Cut(const Read& whole, std::uint32_t capacity) {
    Read cut;
    cut.result = std::min(whole.result, capacity - 1);
    cut.visible = whole.visible.substr(0, cut.result) + u'\0';
    return cut;
}

TEST_F(ProfileDifferential, KeyedStringsAgree) {
    int valuesFound = 0;
    for (const auto& entry : *corpus_) {
        std::size_t turn = entry.index;
        for (const auto& [section, keys] : entry.keyed) {
            for (const auto& key : keys) {
                const auto read = [&](ProfileSource& source, std::uint32_t capacity) {
                    return Guarded(capacity, [&](char16_t* b, std::uint32_t c) {
                        return source.GetString(section, key, u"", b, c, entry.path);
                    });
                };
                const std::string call = "GetString [" + Escaped(section) + "] \"" + Escaped(key) + "\"";
                const Read whole = read(system_, FullCapacity(entry));
                Compare(entry, call, whole, read(portable_, FullCapacity(entry)));
                if (whole.result > 0) {
                    ++valuesFound;
                    const std::uint32_t capacity = CutCapacity(turn++) / 2;  // 1, 1, 2, 4, 8
                    const Read documented = Cut(whole, capacity);
                    const Read system = read(system_, capacity);
                    const Read portable = read(portable_, capacity);
                    // Wine cuts a quoted value before taking its closing quote off and then
                    // drops one character too many when the buffer is just large enough
                    // (or one short). Where it so departs from the documented cut, Windows'
                    // answer is not known here: either is accepted.
                    const bool eitherAccepted = system != documented && (portable == system || portable == documented);
                    Compare(entry, call + " capacity " + std::to_string(capacity),
                            eitherAccepted ? portable : documented, portable);
                }
            }
        }
        // A default stands in for an absent key, without its trailing blanks.
        const auto withDefault = [&](ProfileSource& source) {
            return Guarded(64, [&](char16_t* b, std::uint32_t c) {
                return source.GetString(entry.otherLookup, u"Missing", u" dflt  ", b, c, entry.path);
            });
        };
        Compare(entry, "GetString with default", withDefault(system_), withDefault(portable_));
    }
    ExpectNoMismatch();
    EXPECT_GT(valuesFound, kCorpusFiles * 2) << "the corpus has too few values to compare";
}

// The keys the tool reads as numbers, the generator's free keys (numbers and words
// alike) and the odd ones: every value shape meets the number parsing this way.
bool ReadAsNumber(std::u16string_view key) {
    static const std::u16string kNumberKeys[] = {u"ParaIdx", u"App_Font_Size", u"Custom_Font_Size",
                                                 u"Custom_Font_Bold", u"", u"Missing", u" MainStr "};
    return key.substr(0, 3) == u"Key" || std::any_of(std::begin(kNumberKeys), std::end(kNumberKeys), [&](const auto& k) {
               return EqualsIgnoreAsciiCase(k, key);
           });
}

TEST_F(ProfileDifferential, KeyedIntegersAgree) {
    int numbersFound = 0;
    for (const auto& entry : *corpus_) {
        for (const auto& [section, keys] : entry.keyed) {
            for (const auto& key : keys) {
                if (!ReadAsNumber(key)) continue;
                const std::uint32_t system = system_.GetInt(section, key, 7, entry.path);
                const std::uint32_t portable = portable_.GetInt(section, key, 7, entry.path);
                Compare(entry, "GetInt [" + Escaped(section) + "] \"" + Escaped(key) + "\"", std::to_string(system),
                        std::to_string(portable));
                if (system != 7 && system != 0) ++numbersFound;
            }
        }
    }
    ExpectNoMismatch();
    EXPECT_GT(numbersFound, kCorpusFiles / 2) << "the corpus has too few numbers to compare";
}

std::string Describe(const ParamItem& item) {
    std::string out = "{MainStr \"";
    out += ToUtf8(item.MainStr);
    out += "\", ParaStr \"";
    out += ToUtf8(item.ParaStr);
    out += "\", ParaIdx " + std::to_string(item.ParaIdx);
    out += ", CurIdx " + std::to_string(item.CurIdx);
    out += ", Dirty " + std::to_string(item.Dirty);
    out += ", SubStrs [";
    for (const auto& option : item.SubStrs) {
        out += '"';
        out += ToUtf8(option);
        out += "\" ";
    }
    out += "]}";
    return out;
}

std::string Describe(const ParamList& list) {
    std::string out;
    for (const auto& item : list) {
        out += "\n      ";
        out += Describe(item);
    }
    return out;
}

TEST_F(ProfileDifferential, CataloguesAgree) {
    int itemsLoaded = 0;
    int optionsLoaded = 0;
    for (const auto& entry : *corpus_) {
        ParamList system;
        ParamList portable;
        ASSERT_EQ(LoadParamList(system_, entry.path, system), 1) << entry.file.name;
        ASSERT_EQ(LoadParamList(portable_, entry.path, portable), 1) << entry.file.name;
        Compare(entry, "LoadParamList", Describe(system), Describe(portable));
        itemsLoaded += static_cast<int>(system.size());
        for (const auto& item : system) optionsLoaded += static_cast<int>(item.SubStrs.size());
    }
    ExpectNoMismatch();
    EXPECT_GT(itemsLoaded, kCorpusFiles);
    EXPECT_GT(optionsLoaded, kCorpusFiles);
}

std::string Describe(const AppSettings& s, const std::vector<std::u16string>& titles) {
    const auto quoted = [](const std::u16string& text) {
        std::string q = " \"";
        q += ToUtf8(text);
        q += '"';
        return q;
    };
    std::string out = "Col_Name" + quoted(s.Col_Name);
    out += " Col_Value" + quoted(s.Col_Value);
    out += " App_Font_Size " + std::to_string(s.App_Font_Size);
    out += " Custom_String" + quoted(s.Custom_String);
    out += " Custom_Font_Name" + quoted(s.Custom_Font_Name);
    out += " Custom_Font_Size " + std::to_string(s.Custom_Font_Size);
    out += " Custom_Font_Bold " + std::to_string(s.Custom_Font_Bold);
    out += " titles";
    for (const auto& t : titles) out += quoted(t);
    return out;
}

TEST_F(ProfileDifferential, SettingsAndTitlesAgree) {
    int settingsChanged = 0;
    // What a file without any of the keys gives: defaults, empty texts, an empty title.
    AppSettings untouched;
    untouched.Col_Name = untouched.Col_Value = untouched.Custom_String = untouched.Custom_Font_Name = u"";
    const std::string nothingRead = Describe(untouched, {u""});
    for (const auto& entry : *corpus_) {
        const auto load = [&](ProfileSource& source) {
            AppSettings settings;
            std::vector<std::u16string> titles;
            EXPECT_EQ(LoadSettings(source, entry.path, settings,
                                   [&](const std::u16string& title) { titles.push_back(title); }),
                      1);
            return Describe(settings, titles);
        };
        const std::string system = load(system_);
        const std::string portable = load(portable_);
        Compare(entry, "LoadSettings", system, portable);
        if (system != nothingRead) ++settingsChanged;
    }
    ExpectNoMismatch();
    EXPECT_GT(settingsChanged, kCorpusFiles / 10) << "the corpus sets too few settings to compare";
}

}  // namespace
}  // namespace tessmo::win32
