// The portable INI reader on bytes: what each profile read gives for the file shapes
// where the Windows profile functions have a rule of their own, the encodings, the
// integer read's number parsing, and the buffer rules with guards behind the capacity.
#include <gtest/gtest.h>

#include <string>

#include "common/Text.h"
#include "config/IniDocument.h"

namespace tessmo {
namespace {

using namespace std::string_literals;

enum Read { Names, Lines, Value, Int };
constexpr char16_t kGuard = u'#';

std::uint32_t Call(const IniDocument& document, Read read, std::u16string_view section,
                   std::u16string_view key, char16_t* buffer, std::uint32_t capacity) {
    if (read == Names) return ProfileSectionNames(&document, buffer, capacity);
    if (read == Lines) return ProfileSection(&document, section, buffer, capacity);
    if (read == Value) return ProfileString(&document, section, key, u" none  ", buffer, capacity);
    return ProfileInt(&document, section, key, 7);
}

struct ReadCase {
    const char* name;
    std::string file;
    Read read;
    std::string expected;  // a list's texts joined by '|'; a number in decimal
    std::u16string section = u"s";
    std::u16string key = u"k";
};

std::string ReadRoomy(const ReadCase& c) {
    const IniDocument document = IniDocument::Parse(c.file);
    std::u16string buffer(4096, kGuard);
    const std::uint32_t n = Call(document, c.read, c.section, c.key, buffer.data(), 4096);
    if (c.read == Int) return std::to_string(n);
    std::u16string text = buffer.substr(0, n);
    if (c.read == Value) return ToUtf8(text);
    for (char16_t& ch : text) ch = ch == u'\0' ? u'|' : ch;
    if (!text.empty()) text.pop_back();
    return ToUtf8(text);
}

TEST(IniReadTest, FollowsTheProfileFunctions) {
    const ReadCase cases[] = {
        {"NamesInFileOrderWithEveryDuplicate", "[b]\n[a]\n[b]\n[A]\n", Names, "b|a|b|A"},
        {"NameEndsAtFirstBracketRestOfLineIgnored", "[a]b] k=v\n", Names, "a"},
        {"HeaderWithoutBracketRunsToLineEnd", "[[sec \nsec]\nk=v", Names, "[sec"},
        {"BlanksAroundAndInsideBracketsTrimmed", " \t[ \v name x\t]  \n", Names, "name x"},
        {"EmptyNameLeftOutSoLaterNamesStayListed", "[a]\n[]\n[ ]\n[b]\n", Names, "a|b"},
        {"NulEndsTheLineTrailingNulIgnored", "[a\0b]\n[c]\n\0"s, Names, "a|c"},

        {"LinesTrimmedAndRebuilt",
         "[s]\n \tkey \v=  a value \t\nk=\n k2 =  \n=v\n = \n  bare text \t\nk = a=b = c\n\n \t\n", Lines,
         "key=a value|k=|k2=|=v|=|bare text|k=a=b = c"},
        {"CommentOnlyWhenFirstNonBlank", "[s]\n;c=1\n\t;c=2\n  ;c=3\nk=v ; note\nk;2=v\n#k=v\n", Lines,
         "k=v ; note|k;2=v|#k=v"},
        {"QuotesKeptInLines", "[s]\nk=\"v\"\nq='x\n", Lines, "k=\"v\"|q='x"},
        {"FirstCopyOfSectionEveryDuplicateKey", "[s]\nk=1\nK=2\n[t]\nx=0\n[S]\nb=2\n", Lines, "k=1|K=2"},
        {"SpacesAroundRequestedSectionKept", "[s]\nk=v\n", Lines, "", u" s "},
        {"CarriageReturnOnly", "[s]\rk=v\rx=y\r", Lines, "k=v|x=y"},

        {"OuterQuotesRemovedBlanksInsideKept", "[s]\nk= \" a b \" ", Value, " a b "},
        {"MismatchedQuotesStay", "[s]\nk=\"v'\n", Value, "\"v'"},
        {"OnlyOnePairRemoved", "[s]\nk=\"\"v\"\"\n", Value, "\"v\""},
        {"LoneQuoteStays", "[s]\nk=\"\n", Value, "\""},
        {"NamesWithoutRegardToCase", "[S]\nMainStr=v\n", Value, "v", u"s", u"MAINSTR"},
        {"SpacesAroundRequestedNamesIgnored", "[s]\nk=v\n", Value, "v", u" s ", u" k  "},
        {"FirstOfDuplicateKeysWins", "[s]\nk=1\nK=2\n", Value, "1"},
        {"LineWithoutEqualsIsNoKey", "[s]\nk\nk=v\n", Value, "v"},
        {"EmptyBracketsReadableStrayKeysNot", "k=1\n[]\nk=2\n", Value, "2", u""},
        {"MissingKeyGivesDefaultLessTrailingSpaces", "[s]\n", Value, " none"},
        {"PresentEmptyValueIsEmpty", "[s]\nk=\n", Value, ""},

        {"Utf8WithoutMark", "[s]\nk=Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\xF0\x9F\x98\x80\n", Value, "Grüß €😀"},
        // Windows keeps the mark's bytes on line 1 and so misses the first header.
        {"Utf8MarkRemoved", "\xEF\xBB\xBF[s]\nk=\xC3\xA9\n", Value, "é"},
        // Marked UTF-8 stays UTF-8: each broken sequence is one replacement character.
        {"Utf8MarkedIllFormedReplaced", "\xEF\xBB\xBF[s]\nk=\xC3(\xC0\xAF\xE2\x82", Value,
         "\uFFFD(\uFFFD\uFFFD"},
        {"Utf16LittleEndian", "\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0\x2D\x4E"s, Value, "é中"},
        {"Utf16BigEndianSurrogatePair", "\xFE\xFF\0[\0s\0]\0\n\0k\0=\xD8\x3D\xDE\x00"s, Value, "😀"},
        {"Utf16OddLastByteDropped", "\xFF\xFE[\0s\0]\0\n\0k\0=\0a\0b\0A"s, Value, "ab"},
        {"Cp1252WhenNotUtf8", "[s]\nk=caf\xE9 \x80\x81\x8D\x8E\x9D\x9F\xA0\n", Value,
         "café €\u0081\u008DŽ\u009DŸ\u00A0"},
        {"OneBadByteMakesWholeFile1252", "[s]\nk=\xC3\xA9\xE9\n", Value, "Ã©é"},
        {"OverlongUtf8Is1252", "[s]\nk=\xC0\xAF\n", Value, "À¯"},
        {"EncodedSurrogateIs1252", "[s]\nk=\xED\xA0\x80\n", Value, "í\u00A0€"},
        {"TruncatedUtf8Is1252", "[s]\nk=\xE2\x82", Value, "â‚"},
        {"BeyondU10FFFFIs1252", "[s]\nk=\xF4\x90\x80\x80", Value, "ô\u0090€€"},

        {"IntStopsAtFirstNonDigit", "[s]\nk=42A9\n", Int, "42"},
        {"IntWrapsModulo2To32", "[s]\nk=4294967297\n", Int, "1"},
        {"IntMinusOne", "[s]\nk=-1\n", Int, "4294967295"},
        {"IntTextGivesZeroNotDefault", "[s]\nk=abc\n", Int, "0"},
        {"IntEmptyQuotesGiveDefault", "[s]\nk=\"\"\n", Int, "7"},
        {"IntQuotesRemovedBlanksSkipped", "[s]\nk=\" \t +15\"\n", Int, "15"},
        {"IntLeadingZeroIsDecimal", "[s]\nk=010\n", Int, "10"},
        // Base prefixes as the system honours them: lower case only.
        {"IntHexPrefix", "[s]\nk=0x1F\n", Int, "31"},
        {"IntUpperCaseHexPrefixIsNoPrefix", "[s]\nk=0X10\n", Int, "0"},
        {"IntOctalPrefix", "[s]\nk=0o17\n", Int, "15"},
        {"IntBinaryPrefix", "[s]\nk=0b101\n", Int, "5"},
        {"IntMissingSectionGivesDefault", "[t]\nk=1\n", Int, "7"},
    };
    for (const ReadCase& c : cases) EXPECT_EQ(ReadRoomy(c), c.expected) << c.name;
}

// A cut list keeps capacity - 2 characters and ends with two NULs; a list that needs the
// very last character counts as cut. A value is cut to capacity - 1 after its quotes come
// off (Wine cuts before, and so loses a character). Nothing past the capacity is touched.
TEST(IniBufferTest, FillsNoFurtherThanCapacity) {
    struct Case {
        const char* name;
        Read read;
        std::uint32_t capacity;
        std::u16string written;
        std::uint32_t returned;
    };
    const Case cases[] = {
        {"NamesZero", Names, 0, u"", 0},
        {"NamesOne", Names, 1, u"\0"s, 0},
        {"NamesCutInFirstName", Names, 4, u"ab\0\0"s, 2},
        {"NamesExactFitReportedCut", Names, 11, u"abcd\0efgh\0\0"s, 9},
        {"NamesOneToSpare", Names, 12, u"abcd\0efgh\0\0"s, 10},
        {"LinesCutAfterEquals", Lines, 5, u"k1=\0\0"s, 3},
        {"ValueZero", Value, 0, u"", 0},
        {"ValueOne", Value, 1, u"\0"s, 0},
        {"ValueOneShort", Value, 4, u"val\0"s, 3},
        {"ValueRoomForUnquotedTextIsEnough", Value, 5, u"val2\0"s, 4},
    };
    const IniDocument document = IniDocument::Parse("[abcd]\r\nk1=v1\r\nkey2 = \"val2\" \r\n[efgh]\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string buffer(c.capacity + 4, kGuard);
        EXPECT_EQ(Call(document, c.read, u"abcd", u"key2", buffer.data(), c.capacity), c.returned);
        EXPECT_EQ(buffer, c.written + std::u16string(buffer.size() - c.written.size(), kGuard));
    }
}

}  // namespace
}  // namespace tessmo
