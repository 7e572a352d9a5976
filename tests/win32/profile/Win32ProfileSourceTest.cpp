// The Win32 profile source under Wine: learning a file's length the way the loaders need
// it, and the portable reader compared with the system's profile functions read for read
// on a generated corpus. (That the relative ".\Vorlund.ini" is read from the working
// folder shows in the program test's rows.)
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "config/Catalogue.h"
#include "config/PortableProfileSource.h"
#include "config/Settings.h"
#include "profile/Win32ProfileSource.h"

namespace tessmo::win32 {
namespace {

using configtest::TempFolder;
using Texts = std::vector<std::u16string>;

TEST(Win32ProfileSource, FileLengthIsLearntOnlyFromAFileThatCanBeOpenedForReading) {
    struct {
        const char* name;
        std::optional<std::string> contents;  // nullopt: no such file
        bool directory;
        DWORD heldAccess, heldShare;  // how another program holds the file; access 0: it does not
        std::optional<std::uint32_t> length;
    } const cases[] = {
        {"MissingFile", std::nullopt, false, 0, 0, std::nullopt},
        {"Directory", std::nullopt, true, 0, 0, std::nullopt},
        // An editor saving the file lets others read it: the length is still learnt.
        {"OpenForWritingByAnother", "[S]\r\nk=v\r\n", false, GENERIC_WRITE, FILE_SHARE_READ, 10},
        {"LockedAgainstEveryone", "[S]\r\nk=v\r\n", false, GENERIC_READ, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        const auto path = folder.File("Vorlund.ini");
        if (c.contents) folder.Write("Vorlund.ini", *c.contents);
        if (c.directory) std::filesystem::create_directory(path);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.heldAccess != 0)
            held = CreateFileW(path.c_str(), c.heldAccess, c.heldShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_EQ(held != INVALID_HANDLE_VALUE, c.heldAccess != 0);
        EXPECT_EQ(Win32ProfileSource().FileLength(path.u16string()), c.length);
        EXPECT_EQ(PortableProfileSource().FileLength(path.u16string()), c.length)
            << "the portable source opens alike";
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    }
}

// The corpus holds only constructs that Windows and Wine read alike (Wine stands in for
// Windows here), so every disagreement is the portable reader's. Never written: "[]",
// which Wine neither lists nor finds by the name "" where Windows reaches it by ""; names
// differing only in the case of letters beyond ASCII, which Wine tells apart (it folds
// ASCII only); a second ']' in a header (Windows ends the name at the first, Wine at the
// last); a NUL, before which Wine keeps the blanks of the last line where Windows trims them.
// clang-format off
const Texts kSectionNames = {u"Private", u"Exposure", u"White Balance", u"Param1", u"Flicker", u"Sec;1", u"Sec=2",
                             u"Caf\u00E9", u"CAF\u00E9", u"#Hash", u"\u540D\u524D", u"\u03A9mega", u"\u03A9MEGA"};
const Texts kKeys = {u"MainStr", u"mainstr", u"ParaStr", u"ParaIdx", u"paraidx", u"SubStr0", u"SubStr1", u"SubStr2",
                     u"substr0", u"SubStrX", u"SubStr", u"Key With Space", u"#Hash", u"K\u00E4lte", u"K\u00E4LTE",
                     u"Arr[0]", u"KeyA", u"KeyB", u"Title", u"Col_Name", u"Col_Value", u"App_Font_Size",
                     u"Custom_String", u"Custom_Font_Name", u"Custom_Font_Size", u"Custom_Font_Bold"};
// "0x", "0o" and "0b" pick base 16, 8 and 2 in Wine's profile functions and in the portable
// reader alike (the native reader tests hold them), so they are no disagreement to look for.
// Nothing beyond 29 characters: Wine parses only the first 29.
const Texts kNumbers = {u"0",   u"1",    u"20",    u"-1",         u"65536",       u"65535",       u"+7",         u"-0",
                        u"007", u"abc",  u"42A9",  u"12 34",      u"2147483648",  u"-2147483649", u"99999999999", u"-"};
const Texts kWords = {u"Auto", u"Off", u"50 Hz", u"Exposure Time", u"a;b", u"x", u"Tr\u00E4ger", u"\u20AC 5",
                      u"caf\u00E9 \u00A9 20\u00B0", u"#notacomment", u"[not a header]", u"a\tb", u"\u4E2D\u6587",
                      u"\U0001F600 smile", u"\u03A9mega"};
const Texts kOddValues = {u"\"Auto'", u"\"", u"''", u"\"a\"b\"c\"", u"'x", u"=", u"a=b=c", u"\"in \"q\" here\"", u"a\"b\"c"};
const Texts kOddLines = {u";note", u";SubStr0=Hidden", u"; MainStr=Hidden", u";[Hidden]", u"SubStr7",
                         u"just text", u"  spaced  ", u"SubStr8 \"q\"", u"SubStr10=Ten"};
// clang-format on

class CorpusWriter {
public:
    // The engine's sequence is fixed by the standard (the distributions' are not).
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(engine_() % n); }
    bool Percent(unsigned p) { return Below(100) < p; }
    std::u16string Pick(const Texts& items, std::size_t leaveOut = 0) {
        return items[Below(items.size() - leaveOut)];
    }

    // Space and TAB, and now and then a VT: the blanks both readers trim.
    std::u16string Blanks() { return Pick({u"", u"", u" ", u"  ", u"\t", u" \v"}); }
    // The last three words and section names are in no ANSI code page: UTF-16 files only.
    std::u16string Word() { return Pick(kWords, unicode ? 0 : 3); }
    std::u16string Value() {
        // clang-format off
        switch (Below(9)) {
            case 0:
            case 1: return Pick(kNumbers);
            case 2: return u"\"" + Word() + u"\"";
            case 3: return u"'" + Word() + u"'";
            case 4: return Pick(kOddValues);
            case 5:  // around the 31 characters a settings field holds, and far beyond
                return std::u16string(Percent(10) ? 1500 : 30 + Below(4), u'w') + u"END";
            case 6: return u"";
            default: return Word() + (Percent(30) ? u" " + Word() : u"");
        }
        // clang-format on
    }
    std::u16string BodyLine() {
        const std::size_t roll = Below(100);
        if (roll < 55) return Blanks() + Pick(kKeys) + Blanks() + u"=" + Blanks() + Value() + Blanks();
        if (roll < 72) return Blanks() + Pick(kOddLines);  // comments, and lines without '='
        if (roll < 80) return Blanks();
        if (roll < 90) return Blanks() + u"=" + Value();  // an empty key
        return Blanks() + Pick(kKeys) + u"=";
    }
    std::u16string Header() {
        std::u16string name = Percent(25) ? u"Private" : Pick(kSectionNames, unicode ? 0 : 3);
        if (Percent(10)) name = u"[" + name;
        const std::u16string line = Blanks() + u"[" + Blanks() + name + Blanks() + u"]";
        return Percent(15) ? line + Pick({u" ; note", u"junk", u" k=v"}) : line;  // ignored by both readers
    }
    // Line ends LF, CRLF, CR alone, or LF and CRLF mixed; a last line without one still counts.
    std::u16string Text() {
        Texts lines;
        if (Percent(15)) lines.push_back(BodyLine());  // before any header: in no section
        for (std::size_t s = Below(8); s > 0; --s) {
            lines.push_back(Header());
            bool afterEmptyKey = false;
            for (std::size_t i = Below(11); i > 0; --i) {
                std::u16string line = BodyLine();
                // Wine keeps an "=value" line only when the line kept before it has a key:
                // of two in a row it drops the second, where Windows keeps both.
                const auto first = line.find_first_not_of(u" \t\v");
                const bool emptyKey = first != std::u16string::npos && line[first] == u'=';
                if (afterEmptyKey && emptyKey) continue;
                if (first != std::u16string::npos) afterEmptyKey = emptyKey;
                lines.push_back(std::move(line));
            }
        }
        const std::size_t style = Below(4);
        std::u16string text;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            text += lines[l];
            if (l + 1 == lines.size() && Percent(30)) break;
            text += Texts{u"\n", u"\r\n", u"\r"}[style < 3 ? style : Below(2)];
        }
        return text;
    }
    bool unicode = false;

private:
    std::mt19937_64 engine_{0x7E55'0C0F'F1CE'2024ULL};
};

// The ANSI files in Windows-1252. Each character beyond ASCII is followed by an ASCII one
// or ends the file, so no ANSI file passes for UTF-8 (as which the portable reader would
// take it, where Windows reads the ANSI code page).
std::string Encoded(std::u16string_view text, bool unicode) {
    std::string out = unicode ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        if (unicode) {
            out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
            continue;
        }
        const auto ansi = std::u16string_view(u"\u00E9\u00E4\u20AC\u00A9\u00B0").find(c);
        out += ansi == std::u16string_view::npos ? static_cast<char>(c) : "\xE9\xE4\x80\xA9\xB0"[ansi];
    }
    return out;
}

std::string Escaped(const std::u16string& text) {
    return ::testing::PrintToString(text);
}

constexpr char kOverran[] = " WROTE PAST CAPACITY";

// One read into a buffer guarded past its capacity: what a caller can rely on is the
// count, the text up to and with its terminating NUL, and nothing written past the capacity.
struct Read {
    std::uint32_t result = 0;
    std::u16string visible;
    bool overran = false;
    bool operator==(const Read&) const = default;
    std::string Describe() const {
        return std::to_string(result) + " " + Escaped(visible) + (overran ? kOverran : "");
    }
};

template <class Call>
Read Guarded(std::uint32_t capacity, const Call& call) {
    constexpr char16_t kUnwritten = u'\uFDD0';  // a noncharacter: no reader writes it
    std::u16string buffer(capacity + 8, kUnwritten);
    Read r{call(buffer.data(), capacity), {}, false};
    r.visible = buffer.substr(0, std::min<std::size_t>(capacity, std::size_t{r.result} + 1));
    r.overran = buffer.find_first_not_of(kUnwritten, capacity) != std::u16string::npos;
    return r;
}

Texts ListTexts(const Read& list) {
    Texts texts;
    for (std::size_t start = 0; start < list.result && list.visible[start] != u'\0';
         start += texts.back().size() + 1) {
        texts.emplace_back(list.visible.c_str() + start);
    }
    return texts;
}

constexpr char kCutAsDocumented[] = "cut as documented";

// The catalogue and the settings as the loaders make them of what `source` reads.
void AppendLoaded(ProfileSource& source, const std::u16string& path, std::vector<std::string>& lines) {
    ParamList list;
    lines.push_back("LoadParamList " + std::to_string(LoadParamList(source, path, list)));
    for (const auto& item : list) {
        lines.back() += "\n  {" + Escaped(item.MainStr) + "|" + Escaped(item.ParaStr) + "|" +
                        std::to_string(item.ParaIdx);
        for (const auto& option : item.SubStrs) (lines.back() += '|') += Escaped(option);
    }
    AppSettings s;
    std::u16string texts = u"|";
    const int loaded =
        LoadSettings(source, path, s, [&](const std::u16string& title) { texts += title + u"|"; });
    for (const auto* text : {&s.Col_Name, &s.Col_Value, &s.Custom_String, &s.Custom_Font_Name})
        texts += *text + u"|";
    lines.push_back("LoadSettings " + std::to_string(loaded) + Escaped(texts) +
                    std::to_string(s.App_Font_Size) + " " + std::to_string(s.Custom_Font_Size) + " " +
                    std::to_string(s.Custom_Font_Bold));
}

// Everything the loaders could learn from one file through `source`, a line per read,
// then what they load. A profile read costs a few round trips to the Wine server, so
// each file gets one other spelling of a section name and one cut-short capacity in turn. Lists are never
// read with less than 2 characters (the loaders do not ask with less; there Wine writes outside the buffer).
std::vector<std::string> Transcript(ProfileSource& source, const std::u16string& path, std::size_t turn) {
    static const Texts kOtherNames = {u"PRIVATE",  u" Private ", u"white balance", u"Absent",
                                      u"[Flicker", u"cAF\u00E9", u"\u03A9MEGA"};
    static constexpr std::uint32_t kCuts[] = {2, 3, 5, 9, 16};
    const std::uint32_t length = source.FileLength(path).value_or(0);
    const std::uint32_t full = std::max(length, 2u);  // the loaders' capacity: the file's length
    std::vector<std::string> lines = {"length " + std::to_string(length)};
    const auto record = [&](const std::string& what, std::uint32_t capacity, const auto& call) {
        const Read r = Guarded(capacity, call);
        lines.push_back(what + " @" + std::to_string(capacity) + ": " + r.Describe());
        return r;
    };
    const auto names = [&](char16_t* b, std::uint32_t c) { return source.GetSectionNames(b, c, path); };
    for (std::uint32_t capacity : {2u, 3u, 8u, 17u}) record("names", capacity, names);
    Texts sections = ListTexts(record("names", full, names));
    sections.push_back(kOtherNames[turn % 7]);
    for (const auto& section : sections) {
        // The empty key of "=value" lines, and keys no file has.
        Texts keys = {u"", u"Missing", u" MainStr "};
        if (&section == &sections.back()) keys.insert(keys.end(), {u"Title", u"MainStr", u"SubStr0"});
        // Wine looks a name up as given, blanks and all, where Windows is not known to;
        // the catalogue only asks for names as they were listed.
        if (section.front() != u' ') {
            const auto get = [&](char16_t* b, std::uint32_t c) {
                return source.GetSection(section, b, c, path);
            };
            record("section " + Escaped(section), kCuts[turn % 5], get);
            for (const auto& line : ListTexts(record("section " + Escaped(section), full, get))) {
                keys.push_back(line.substr(0, line.find(u'=')));
            }
            keys.push_back(keys.back());  // the last key once more, in the other letter case
            for (char16_t& c : keys.back())
                c = c < 0x80 && std::isalpha(c) ? static_cast<char16_t>(c ^ 0x20) : c;
        }
        for (const auto& key : keys) {
            const std::string what = "string " + Escaped(section) + " " + Escaped(key);
            const auto get = [&](char16_t* b, std::uint32_t c) {
                return source.GetString(section, key, u"", b, c, path);
            };
            const Read whole = record(what, full, get);
            if (whole.result == 0 && key != u"Missing") continue;  // an absent key's number: once a section
            lines.push_back("int " + what + ": " + std::to_string(source.GetInt(section, key, 7, path)));
            if (whole.result == 0) continue;
            // A value cut as documented: to capacity - 1 characters and terminated.
            const std::uint32_t capacity = kCuts[turn++ % 5] / 2;  // 1, 1, 2, 4, 8
            const Read cut = Guarded(capacity, get);
            const std::uint32_t kept = std::min(whole.result, capacity - 1);
            const bool documented = cut == Read{kept, whole.visible.substr(0, kept) + u'\0', false};
            lines.push_back("cut " + what + " @" + std::to_string(capacity) + ": " +
                            (documented ? kCutAsDocumented : cut.Describe()));
        }
    }
    // A default stands in for an absent key, without its trailing blanks.
    record("default", 64, [&](char16_t* b, std::uint32_t c) {
        return source.GetString(u"?", u"?", u" dflt  ", b, c, path);
    });
    AppendLoaded(source, path, lines);
    return lines;
}

TEST(ProfileDifferential, PortableReaderReadsTheCorpusAsTheSystemDoes) {
    const TempFolder folder;
    CorpusWriter writer;
    Win32ProfileSource system;
    PortableProfileSource portable;
    int mismatches = 0, items = 0;
    for (std::size_t i = 0; i < 210 && mismatches < 10; ++i) {
        writer.unicode = writer.Percent(30);
        const std::u16string text = writer.Text();
        const std::string bytes = Encoded(text, writer.unicode);
        const std::u16string path = folder.Write(std::to_string(i) + ".ini", bytes);
        const auto expected = Transcript(system, path, i);
        const auto actual = Transcript(portable, path, i);
        const std::string& catalogue = expected[expected.size() - 2];
        items += static_cast<int>(std::count(catalogue.begin(), catalogue.end(), '\n'));
        EXPECT_EQ(expected.front(), "length " + std::to_string(bytes.size()));
        for (std::size_t l = 0; l < std::max(expected.size(), actual.size()); ++l) {
            const std::string& want = l < expected.size() ? expected[l] : "(no such read)";
            const std::string& got = l < actual.size() ? actual[l] : "(no such read)";
            // Where Wine departs from the documented cut within the buffer, either answer is accepted.
            const bool eitherCut =
                want.starts_with("cut ") && !want.ends_with(kOverran) && got.ends_with(kCutAsDocumented);
            if (want == got || eitherCut) continue;
            ADD_FAILURE() << "file " << i << "\n  system:   " << want << "\n  portable: " << got
                          << "\n  file: " << Escaped(text.substr(0, 800));
            ++mismatches;
            break;
        }
    }
    // A corpus that reads as almost nothing would agree without showing anything.
    EXPECT_GT(items, 210) << "catalogue items loaded";
}

}  // namespace
}  // namespace tessmo::win32
