#include "IniCorpus.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace tessmo::win32::corpus {
namespace {

// splitmix64: tiny, and the same sequence on every compiler and library (the standard
// distributions are not).
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    bool Percent(unsigned p) { return Below(100) < p; }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[Below(N)];
    }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(items.size())];
    }

private:
    std::uint64_t state_;
};

// Texts outside ASCII that the ANSI files may hold, with their Windows-1252 bytes. The
// five bytes 1252 leaves undefined are never written.
constexpr std::array<std::pair<char16_t, char>, 10> kAnsiExtras = {{
    {u'\u00E9', '\xE9'}, {u'\u00C9', '\xC9'}, {u'\u00FC', '\xFC'}, {u'\u00DF', '\xDF'},
    {u'\u20AC', '\x80'}, {u'\u00F1', '\xF1'}, {u'\u00C4', '\xC4'}, {u'\u00E4', '\xE4'},
    {u'\u00A9', '\xA9'}, {u'\u00B0', '\xB0'},
}};

const std::vector<std::u16string> kSectionNames = {
    u"Private", u"Exposure", u"White Balance", u"Param1", u"Param2", u"Flicker",
    u"Sec;1", u"Sec=2", u"Caf\u00E9", u"CAF\u00E9", u"#Hash",
};
// Never written: "[]", which Wine neither lists nor finds by the name "" while Windows
// reaches it by ""; and names that differ only in the case of letters beyond ASCII
// ("Caf\u00E9", "CAF\u00C9"), which Wine tells apart (it folds ASCII letters only) where
// Windows is not known to.

// Only where the file is UTF-16: no ANSI code page holds them.
const std::vector<std::u16string> kUnicodeSectionNames = {u"\u540D\u524D", u"\u03A9mega", u"\u03A9MEGA"};

const std::vector<std::u16string> kKeys = {
    u"MainStr", u"mainstr", u"MAINSTR", u"ParaStr", u"ParaIdx", u"paraidx",
    u"SubStr0", u"SubStr1", u"SubStr2", u"SubStr3", u"substr0", u"SubStrX", u"SubStr",
    u"Title", u"Col_Name", u"Col_Value", u"App_Font_Size", u"Custom_String",
    u"Custom_Font_Name", u"Custom_Font_Size", u"Custom_Font_Bold", u"Other", u"Key With Space",
    u"#Hash", u"K\u00E4lte", u"K\u00E4LTE", u"Arr[0]",
};
const std::vector<std::u16string> kSettingsKeys = {
    u"Title", u"Col_Name", u"Col_Value", u"App_Font_Size", u"Custom_String",
    u"Custom_Font_Name", u"Custom_Font_Size", u"Custom_Font_Bold",
};

// Numbers as GetPrivateProfileIntW sees them. No "0x", "0b" or "0o" prefixes: Wine reads
// them as hexadecimal, binary and octal (RtlUnicodeStringToInteger with base 0), while
// Windows reads decimal digits only and stops at the letter. Nothing longer than 29
// characters either: Wine parses only the first 29.
const std::vector<std::u16string> kNumbers = {
    u"0", u"1", u"20", u"22", u"-1", u"65536", u"65535", u"4294967297", u"42A9", u"+7",
    u"-0", u"007", u"2147483648", u"-2147483649", u"99999999999", u"abc", u"12 34", u"-",
};

const std::vector<std::u16string> kWords = {
    u"Auto", u"Off", u"On", u"50 Hz", u"60 Hz", u"Exposure Time", u"Outdoor", u"a;b", u"x",
    u"Tr\u00E4ger", u"caf\u00E9 \u00A9 20\u00B0", u"\u20AC 5", u"#notacomment", u"[not a header]",
    u"a\tb",
};
const std::vector<std::u16string> kUnicodeWords = {u"\u4E2D\u6587", u"\U0001F600 smile", u"\u03A9mega"};

bool IsBlankChar(char16_t c) { return c == u' ' || c == u'\t' || c == u'\v'; }

bool IsBlank(std::u16string_view line) {
    return std::all_of(line.begin(), line.end(), IsBlankChar);
}

bool IsEmptyKeyLine(std::u16string_view line) {
    const auto first = std::find_if_not(line.begin(), line.end(), IsBlankChar);
    return first != line.end() && *first == u'=';
}

class FileWriter {
public:
    FileWriter(Rng& rng, bool unicode) : rng_(rng), unicode_(unicode) {}

    std::u16string Blanks() {
        // Space and TAB, and now and then a VT: the blanks both readers trim.
        static const std::array<std::u16string, 6> kBlanks = {u"", u"", u" ", u"  ", u"\t", u" \v"};
        return rng_.Pick(kBlanks);
    }

    std::u16string Word() {
        if (unicode_ && rng_.Percent(20)) return rng_.Pick(kUnicodeWords);
        return rng_.Pick(kWords);
    }

    std::u16string Value() {
        switch (rng_.Below(12)) {
            case 0:
            case 1:
                return rng_.Pick(kNumbers);
            case 2:
                return u"\"" + Word() + u"\"";
            case 3:
                return u"'" + Word() + u"'";
            case 4: {  // mismatched, lone and inner quotes
                static const std::array<std::u16string, 7> kQuoted = {
                    u"\"Auto'", u"\"", u"''", u"\"a\"b\"c\"", u"a\"b\"c", u"\"inner \"q\" here\"", u"'x"};
                return rng_.Pick(kQuoted);
            }
            case 5:  // later '=' belong to the value
                return Word() + u"=" + Word() + (rng_.Percent(50) ? u"=z" : u"");
            case 6:  // around the 31 characters a settings field holds, and far beyond
                if (rng_.Percent(10)) return std::u16string(1500, u'L') + u"END";
                return std::u16string(30 + rng_.Below(4), u'w') + (rng_.Percent(50) ? u"END" : u"");
            case 7:
                return u"";
            default:
                return Word() + (rng_.Percent(30) ? u" " + Word() : u"");
        }
    }

    std::u16string Key() {
        if (rng_.Percent(15)) return u"Key" + std::u16string(1, static_cast<char16_t>(u'A' + rng_.Below(6)));
        return rng_.Pick(kKeys);
    }

    std::u16string SectionName() {
        if (unicode_ && rng_.Percent(10)) return rng_.Pick(kUnicodeSectionNames);
        return rng_.Pick(kSectionNames);
    }

    std::u16string Header(const std::u16string& name) {
        std::u16string line = Blanks() + u"[";
        if (rng_.Percent(20)) line += Blanks();
        line += name;
        if (rng_.Percent(20)) line += Blanks();
        line += u"]";
        // Text after the one ']' is ignored by both; a second ']' is not (Windows ends
        // the name at the first, Wine at the last), so none is written.
        if (rng_.Percent(15)) {
            static const std::array<std::u16string, 3> kTrailing = {u" ; note", u"junk", u" k=v"};
            line += rng_.Pick(kTrailing);
        }
        return line;
    }

    std::u16string KeyLine(const std::u16string& key) {
        return Blanks() + key + Blanks() + u"=" + Blanks() + Value() + Blanks();
    }

    std::u16string BodyLine() {
        const std::size_t roll = rng_.Below(100);
        if (roll < 40) return KeyLine(Key());
        if (roll < 60) {  // option lines
            static const std::array<std::u16string, 6> kOptionKeys = {
                u"SubStr0", u"SubStr1", u"SubStr2", u"SubStr", u"SubStrX", u"SubStr10"};
            return KeyLine(rng_.Pick(kOptionKeys));
        }
        if (roll < 66) {  // no '=': not a key, yet listed by GetPrivateProfileSectionW
            static const std::array<std::u16string, 4> kBare = {u"SubStr7", u"just text", u"  spaced  ",
                                                                u"SubStr8 \"q\""};
            return rng_.Pick(kBare);
        }
        if (roll < 74) {  // comments, also behind blanks
            static const std::array<std::u16string, 4> kComments = {u";note", u";SubStr0=Hidden", u";[Hidden]",
                                                                   u"; MainStr=Hidden"};
            return Blanks() + rng_.Pick(kComments);
        }
        if (roll < 82) return Blanks();  // blank lines
        if (roll < 86) return Blanks() + u"=" + Value();  // an empty key
        if (roll < 90) return Blanks() + Key() + u"=";
        return KeyLine(rng_.Pick(kSettingsKeys));
    }

    std::vector<std::u16string> Lines() {
        std::vector<std::u16string> lines;
        if (rng_.Percent(15)) {  // lines before the first header reach no section
            for (std::size_t i = rng_.Below(3) + 1; i-- > 0;) lines.push_back(BodyLine());
        }
        const std::size_t sections = rng_.Below(8);
        for (std::size_t s = 0; s < sections; ++s) {
            const bool settings = rng_.Percent(25);
            const std::u16string name = settings ? std::u16string(u"Private") : SectionName();
            lines.push_back(Header(rng_.Percent(10) ? u"[" + name : name));
            const std::size_t body = rng_.Below(11);
            bool afterEmptyKey = false;
            for (std::size_t i = 0; i < body; ++i) {
                std::u16string line = settings && rng_.Percent(60) ? KeyLine(rng_.Pick(kSettingsKeys)) : BodyLine();
                // Wine keeps an empty-key line ("=value") only when the line kept before
                // it has a key: of two in a row it drops the second. Windows keeps both.
                if (afterEmptyKey && IsEmptyKeyLine(line)) line = KeyLine(Key());
                if (!IsBlank(line)) afterEmptyKey = IsEmptyKeyLine(line);
                lines.push_back(std::move(line));
            }
        }
        return lines;
    }

private:
    Rng& rng_;
    bool unicode_;
};

// Line ends: LF, CRLF, CR alone, or LF and CRLF mixed.
std::u16string Join(Rng& rng, const std::vector<std::u16string>& lines) {
    static const std::array<std::u16string, 3> kEnds = {u"\n", u"\r\n", u"\r"};
    const std::size_t style = rng.Below(4);
    std::u16string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        const bool last = i + 1 == lines.size();
        if (last && rng.Percent(30)) break;  // a last line without a line end still counts
        text += style < 3 ? kEnds[style] : kEnds[rng.Below(2)];
    }
    return text;
}

// Lead and continuation bytes only, without the finer rules: it accepts a little more
// than UTF-8 does, which only ever adds the marking comment where it was not needed.
bool LooksLikeUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::size_t extra = 0;
        if (b >= 0xF0 && b < 0xF8) {
            extra = 3;
        } else if (b >= 0xE0 && b < 0xF0) {
            extra = 2;
        } else if (b >= 0xC0 && b < 0xE0) {
            extra = 1;
        } else if (b >= 0x80) {
            return false;
        }
        if (bytes.size() - i - 1 < extra) return false;
        for (std::size_t j = 1; j <= extra; ++j) {
            if ((static_cast<unsigned char>(bytes[i + j]) & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

std::string EncodeAnsi(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        for (const auto& [wide, byte] : kAnsiExtras) {
            if (wide == c) out.push_back(byte);
        }
    }
    return out;
}

std::string EncodeUtf16Le(std::u16string_view text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

}  // namespace

std::vector<IniFile> Generate(std::uint64_t seed, int count) {
    Rng rng(seed);
    std::vector<IniFile> files;
    for (int i = 0; i < count; ++i) {
        const bool unicode = rng.Percent(30);
        FileWriter writer(rng, unicode);
        std::u16string text = Join(rng, writer.Lines());
        std::string bytes;
        if (unicode) {
            bytes = EncodeUtf16Le(text);
        } else {
            // Lines were drawn from ANSI-safe pools only.
            bytes = EncodeAnsi(text);
            // The portable reader takes a file that is well-formed UTF-8 as UTF-8, where
            // Windows reads the ANSI code page: a comment with a lone 0xE9 keeps the
            // file out of UTF-8, so both read 1252.
            if (bytes.size() != text.size() && LooksLikeUtf8(bytes)) {
                text += u"\n;caf\u00E9.";
                bytes = EncodeAnsi(text);
            }
        }
        // No NUL anywhere, not even a trailing one: Wine then keeps the blanks before it
        // on the last line, which Windows trims.
        std::string name = std::to_string(1000 + i);
        name[0] = 'c';
        name += unicode ? "-u16.ini" : "-ansi.ini";
        files.push_back(IniFile{std::move(name), std::move(bytes), std::move(text)});
    }
    return files;
}

}  // namespace tessmo::win32::corpus
