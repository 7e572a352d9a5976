// The portable INI reader on bytes: what each profile read gives for the file shapes
// where the Windows profile functions have a rule of their own, the encodings, the
// number parsing of the integer read, and the buffer rules with guard characters
// behind the capacity.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "common/Text.h"
#include "config/IniDocument.h"

namespace tessmo {
namespace {

using namespace std::string_literals;

struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

constexpr char16_t kGuard = u'#';

// A list read into a roomy buffer, as UTF-8 texts.
std::vector<std::string> SplitList(const std::u16string& buffer, std::uint32_t returned) {
    std::vector<std::string> texts;
    std::size_t start = 0;
    while (start <= returned && start < buffer.size() && buffer[start] != u'\0') {
        const std::size_t end = buffer.find(u'\0', start);
        texts.push_back(ToUtf8(std::u16string_view(buffer).substr(start, end - start)));
        start = end + 1;
    }
    return texts;
}

std::vector<std::string> SectionNames(const IniDocument& document) {
    std::u16string buffer(4096, kGuard);
    const std::uint32_t returned = ProfileSectionNames(&document, buffer.data(), 4096);
    return SplitList(buffer, returned);
}

std::vector<std::string> SectionLines(const IniDocument& document, std::u16string_view section) {
    std::u16string buffer(4096, kGuard);
    const std::uint32_t returned = ProfileSection(&document, section, buffer.data(), 4096);
    return SplitList(buffer, returned);
}

std::u16string StringValue(const IniDocument* document, std::u16string_view section,
                           std::u16string_view key, std::u16string_view defaultValue = u"") {
    constexpr std::uint32_t kRoom = 1u << 18;
    std::u16string buffer(kRoom, kGuard);
    const std::uint32_t returned =
        ProfileString(document, section, key, defaultValue, buffer.data(), kRoom);
    return buffer.substr(0, returned);
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF"s : "\xFF\xFE"s;
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

// --- Section names --------------------------------------------------------------------

struct NamesCase {
    const char* name;
    std::string file;
    std::vector<std::string> names;
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const NamesCase& c, std::ostream* os) { *os << c.name; }

class IniSectionNamesTest : public ::testing::TestWithParam<NamesCase> {};

TEST_P(IniSectionNamesTest, ListsHeadersInFileOrder) {
    const NamesCase& c = GetParam();
    EXPECT_EQ(SectionNames(IniDocument::Parse(c.file)), c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, IniSectionNamesTest,
    ::testing::Values(
        NamesCase{"FileOrderWithEveryDuplicate", "[b]\n[a]\n[b]\n[A]\n", {"b", "a", "b", "A"}},
        NamesCase{"FirstClosingBracketEndsTheName", "[a]b]\n", {"a"}},
        NamesCase{"HeaderWithoutClosingBracketRunsToLineEnd", "[abc \nk=v\n", {"abc"}},
        NamesCase{"SecondOpeningBracketIsPartOfTheName", "[[sec]\n", {"[sec"}},
        NamesCase{"ClosingBracketWithoutOpeningIsNoHeader", "[s]\nsec]\n", {"s"}},
        NamesCase{"BlanksAroundAndInsideBracketsTrimmed", " \t[ \v name x\t]  \n", {"name x"}},
        NamesCase{"KeyValueAfterHeaderIgnored", "[s] k=v\n", {"s"}},
        NamesCase{"EmptyNameLeftOutSoLaterSectionsStayListed", "[a]\n[]\n[ ]\n[b]\n", {"a", "b"}},
        NamesCase{"CommentedHeaderIsNoHeader", ";[x]\n\t;[y]\n[z]\n", {"z"}},
        NamesCase{"HashIsNoComment", "#[x]\n[#y]\n", {"#y"}},
        NamesCase{"CarriageReturnOnlyLineEnds", "[a]\rk=v\r[b]\r", {"a", "b"}},
        NamesCase{"MixedLineEnds", "[a]\r\n[b]\n[c]\r[d]", {"a", "b", "c", "d"}},
        NamesCase{"NulEndsTheHeaderLine", "[a\0b]\n[c]"s, {"a"s, "c"s}},
        NamesCase{"TrailingNulOfTheFileIgnored", "[a]\n\0"s, {"a"}},
        NamesCase{"EmptyFile", "", {}},
        NamesCase{"BlankLinesOnly", "\n\r\n \t\v\n", {}},
        NamesCase{"KeysWithoutAnyHeader", "k=v\nx\n", {}},
        NamesCase{"BinaryBytes", "\x01\xFE\n[\x80]\x00\xFF\n[\x9F"s, {"\xE2\x82\xAC", "\xC5\xB8"}}),
    CaseName{});

// --- Section lines (GetPrivateProfileSectionW) ----------------------------------------

struct SectionCase {
    const char* name;
    std::string file;
    std::u16string section;
    std::vector<std::string> lines;
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const SectionCase& c, std::ostream* os) { *os << c.name; }

class IniSectionLinesTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(IniSectionLinesTest, GivesTrimmedLinesInFileOrder) {
    const SectionCase& c = GetParam();
    EXPECT_EQ(SectionLines(IniDocument::Parse(c.file), c.section), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IniSectionLinesTest,
    ::testing::Values(
        SectionCase{"BlanksAroundKeyAndValueTrimmed", "[s]\n \tkey \v=  a value \t\n", u"s", {"key=a value"}},
        SectionCase{"CommentsLeftOutAlsoAfterTab", "[s]\n;c=1\n\t;c=2\n  ;c=3\nk=v\n", u"s", {"k=v"}},
        SectionCase{"SemicolonInsideIsText", "[s]\nk=v ; note\nk;2=v\n", u"s", {"k=v ; note", "k;2=v"}},
        SectionCase{"HashLineIsText", "[s]\n#k=v\n", u"s", {"#k=v"}},
        SectionCase{"QuotesKept", "[s]\nk=\"v\"\nq='x\n", u"s", {"k=\"v\"", "q='x"}},
        SectionCase{"EmptyValue", "[s]\nk=\nk2 =  \n", u"s", {"k=", "k2="}},
        SectionCase{"EmptyKey", "[s]\n=v\n = \n", u"s", {"=v", "="}},
        SectionCase{"LineWithoutEqualsIsBareText", "[s]\n  bare text \t\n", u"s", {"bare text"}},
        SectionCase{"SplitAtFirstEquals", "[s]\nk = a=b = c\n", u"s", {"k=a=b = c"}},
        SectionCase{"BlankLinesLeftOut", "[s]\n\na=1\n \t\nb=2\n", u"s", {"a=1", "b=2"}},
        SectionCase{"DuplicateSectionFirstCopyOnly", "[s]\na=1\n[t]\nx=0\n[S]\nb=2\n", u"s", {"a=1"}},
        SectionCase{"DuplicateKeysAllListed", "[s]\nk=1\nK=2\nk=3\n", u"s", {"k=1", "K=2", "k=3"}},
        SectionCase{"SectionNameWithoutRegardToCase", "[MySection]\nk=v\n", u"mYsECTION", {"k=v"}},
        SectionCase{"SpacesAroundRequestedNameAreKept", "[s]\nk=v\n", u" s ", {}},
        SectionCase{"TabAroundRequestedNameIsPartOfIt", "[s]\nk=v\n", u"\ts", {}},
        SectionCase{"KeysBeforeFirstHeaderUnreachable", "k=v\n[s]\nx=y\n", u"", {}},
        SectionCase{"EmptyBracketsReachableByEmptyName", "k0=v\n[]\nk=v\n[s]\n", u"", {"k=v"}},
        SectionCase{"MissingSection", "[s]\nk=v\n", u"t", {}},
        SectionCase{"LastLineWithoutLineEnd", "[s]\nk=v", u"s", {"k=v"}},
        SectionCase{"NulEndsTheLinesText", "[s]\nk=ab\0cd\nx=y\n"s, u"s", {"k=ab", "x=y"}},
        SectionCase{"CarriageReturnOnly", "[s]\rk=v\rx=y\r", u"s", {"k=v", "x=y"}},
        SectionCase{"LinesAfterHeaderTextBelongToIt", "[s] junk\nk=v\n[t\nx=y", u"t", {"x=y"}},
        SectionCase{"EmptySection", "[s]\n[t]\nk=v\n", u"s", {}}),
    CaseName{});

// --- Keyed string reads (GetPrivateProfileStringW) ------------------------------------

struct StringCase {
    const char* name;
    std::string file;
    std::u16string section;
    std::u16string key;
    std::u16string defaultValue;
    std::u16string expected;
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }

class IniStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(IniStringTest, ReadsTheValue) {
    const StringCase& c = GetParam();
    const IniDocument document = IniDocument::Parse(c.file);
    EXPECT_EQ(ToUtf8(StringValue(&document, c.section, c.key, c.defaultValue)), ToUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Values, IniStringTest,
    ::testing::Values(
        StringCase{"OuterDoubleQuotesRemoved", "[s]\nk= \"a b\" \n", u"s", u"k", u"", u"a b"},
        StringCase{"OuterSingleQuotesRemoved", "[s]\nk='v'\n", u"s", u"k", u"", u"v"},
        StringCase{"MismatchedQuotesStay", "[s]\nk=\"v'\n", u"s", u"k", u"", u"\"v'"},
        StringCase{"OnlyOnePairRemoved", "[s]\nk=\"\"v\"\"\n", u"s", u"k", u"", u"\"v\""},
        StringCase{"InnerQuotesStay", "[s]\nk=a\"b\"c\n", u"s", u"k", u"", u"a\"b\"c"},
        StringCase{"LoneQuoteStays", "[s]\nk=\"\n", u"s", u"k", u"", u"\""},
        StringCase{"BlanksInsideQuotesKept", "[s]\nk=\" v \"\n", u"s", u"k", u"", u" v "},
        StringCase{"KeyWithoutRegardToCase", "[S]\nMainStr=v\n", u"s", u"MAINSTR", u"", u"v"},
        StringCase{"FirstOfDuplicateKeysWins", "[s]\nk=1\nK=2\n", u"s", u"k", u"", u"1"},
        StringCase{"OnlyFirstCopyOfSectionSearched", "[s]\na=1\n[s]\nb=2\n", u"s", u"b", u"d", u"d"},
        StringCase{"LineWithoutEqualsIsNoKey", "[s]\nk\nk=v\n", u"s", u"k", u"d", u"v"},
        StringCase{"CommentIsNoKey", "[s]\n;k=v\n", u"s", u";k", u"d", u"d"},
        StringCase{"KeyBeforeFirstHeaderUnreachable", "k=v\n[s]\n", u"", u"k", u"d", u"d"},
        StringCase{"EmptyBracketsSectionReadable", "[]\nk=v\n", u"", u"k", u"d", u"v"},
        StringCase{"KeyOnHeaderLineIgnored", "[s] k=v\n", u"s", u"k", u"d", u"d"},
        StringCase{"SpacesAroundRequestedKeyIgnored", "[s]\nk=v\n", u"s", u" k  ", u"", u"v"},
        StringCase{"EmptyKeyFindsEqualsLine", "[s]\n=v\n", u"s", u"", u"d", u"v"},
        StringCase{"HeaderWithoutClosingBracket", "[s x\nk=v\n", u"s x", u"k", u"", u"v"},
        StringCase{"NameEndsAtFirstClosingBracket", "[a]b]\nk=v\n", u"a]b", u"k", u"d", u"d"},
        StringCase{"MissingKeyGivesDefaultWithoutTrailingSpaces", "[s]\n", u"s", u"k", u" d  ", u" d"},
        StringCase{"DefaultKeepsTrailingTab", "[s]\n", u"s", u"k", u"d\t", u"d\t"},
        StringCase{"MissingSectionGivesDefault", "[s]\nk=v\n", u"t", u"k", u"d", u"d"},
        StringCase{"PresentEmptyValueIsEmpty", "[s]\nk=\n", u"s", u"k", u"d", u""},
        StringCase{"VeryLongValueWhole", "[s]\nk=" + std::string(100000, 'x') + "\n", u"s", u"k",
                   u"", std::u16string(100000, u'x')}),
    CaseName{});

// --- Encodings -------------------------------------------------------------------------

struct EncodingCase {
    const char* name;
    std::string file;
    std::u16string value;  // of [s] k
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.name; }

class IniEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(IniEncodingTest, DecodesTheValue) {
    const EncodingCase& c = GetParam();
    const IniDocument document = IniDocument::Parse(c.file);
    EXPECT_EQ(SectionNames(document), std::vector<std::string>{"s"});
    EXPECT_EQ(StringValue(&document, u"s", u"k"), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniEncodingTest,
    ::testing::Values(
        EncodingCase{"Utf8WithoutMark", "[s]\nk=Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\n", u"Grüß €"},
        // Windows would keep the mark's bytes on line 1 and miss the header.
        EncodingCase{"Utf8MarkRemoved", "\xEF\xBB\xBF[s]\nk=\xC3\xA9\n", u"é"},
        EncodingCase{"Utf8FourByteSequence", "[s]\nk=\xF0\x9F\x98\x80\n", u"\U0001F600"},
        EncodingCase{"Utf16LittleEndian", Utf16Bytes(u"[s]\r\nk=\u00E9\u4E2D\r\n", false), u"é中"},
        EncodingCase{"Utf16BigEndian", Utf16Bytes(u"[s]\r\nk=\u00E9\u4E2D\r\n", true), u"é中"},
        EncodingCase{"Utf16CarriageReturnOnly", Utf16Bytes(u"[s]\rk=v\rx=y", false), u"v"},
        EncodingCase{"Utf16SurrogatePair", Utf16Bytes(u"[s]\nk=\U0001F600", true), u"\U0001F600"},
        EncodingCase{"Utf16OddLastByteDropped", Utf16Bytes(u"[s]\nk=ab", false) + "\x41", u"ab"},
        EncodingCase{"Utf16NulEndsLine", Utf16Bytes(u"[s]\nk=a\0b\nz=1"s, false), u"a"},
        EncodingCase{"Cp1252WhenNotUtf8", "[s]\nk=caf\xE9\n", u"café"},
        EncodingCase{"Cp1252ControlRange", "[s]\nk=\x80\x81\x8D\x8E\x8F\x90\x9D\x9F\x85\x99\n",
                     u"\u20AC\u0081\u008D\u017D\u008F\u0090\u009D\u0178\u2026\u2122"},
        EncodingCase{"Cp1252UpperHalf", "[s]\nk=\xA0\xC4\xFF\n", u"\u00A0Ä\u00FF"},
        EncodingCase{"OneBadByteMakesWholeFile1252", "[s]\nk=\xC3\xA9\xE9\n", u"Ã©é"},
        EncodingCase{"OverlongUtf8IsNotUtf8", "[s]\nk=\xC0\xAF\n", u"À¯"},
        EncodingCase{"EncodedSurrogateIsNotUtf8", "[s]\nk=\xED\xA0\x80\n", u"í\u00A0\u20AC"},
        EncodingCase{"TruncatedUtf8IsNotUtf8", "[s]\nk=\xE2\x82", u"â\u201A"},
        EncodingCase{"BeyondU10FFFFIsNotUtf8", "[s]\nk=\xF4\x90\x80\x80", u"ô\u0090\u20AC\u20AC"}),
    CaseName{});

// --- GetPrivateProfileIntW -------------------------------------------------------------

struct IntCase {
    const char* name;
    std::string file;
    std::int32_t defaultValue;
    std::uint32_t expected;  // of [s] k
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const IntCase& c, std::ostream* os) { *os << c.name; }

class IniIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(IniIntTest, ParsesLikeTheSystem) {
    const IntCase& c = GetParam();
    const IniDocument document = IniDocument::Parse(c.file);
    EXPECT_EQ(ProfileInt(&document, u"s", u"k", c.defaultValue), c.expected);
}

// Measured against the profile functions: digits stop at the first non-digit, the
// result wraps modulo 2^32, and base prefixes are honoured in lower case only.
INSTANTIATE_TEST_SUITE_P(
    Values, IniIntTest,
    ::testing::Values(
        IntCase{"Plain", "[s]\nk=42\n", 7, 42},
        IntCase{"StopsAtFirstNonDigit", "[s]\nk=42A9\n", 7, 42},
        IntCase{"StopsAtBlank", "[s]\nk=12 34\n", 7, 12},
        IntCase{"WrapsModulo2To32", "[s]\nk=4294967297\n", 7, 1},
        IntCase{"HugeWraps", "[s]\nk=99999999999999999999\n", 7, 1661992959u},
        IntCase{"MinusOne", "[s]\nk=-1\n", 7, 0xFFFFFFFFu},
        IntCase{"PlusSign", "[s]\nk=+5\n", 7, 5},
        IntCase{"TwoSignsGiveZero", "[s]\nk=+-3\n", 7, 0},
        IntCase{"TextGivesZeroNotDefault", "[s]\nk=abc\n", 7, 0},
        IntCase{"SignAloneGivesZero", "[s]\nk=-\n", 7, 0},
        IntCase{"EmptyValueGivesDefault", "[s]\nk=\n", 7, 7},
        IntCase{"EmptyQuotesGiveDefault", "[s]\nk=\"\"\n", 7, 7},
        IntCase{"QuotesRemovedFirst", "[s]\nk=\"15\"\n", 7, 15},
        IntCase{"BlanksInsideQuotesSkipped", "[s]\nk=\" \t 9\"\n", 7, 9},
        IntCase{"LeadingZeroIsDecimal", "[s]\nk=010\n", 7, 10},
        IntCase{"HexPrefix", "[s]\nk=0x1F\n", 7, 31},
        IntCase{"UpperCaseHexPrefixIsNoPrefix", "[s]\nk=0X10\n", 7, 0},
        IntCase{"NegativeHex", "[s]\nk=-0x10\n", 7, 0xFFFFFFF0u},
        IntCase{"OctalPrefix", "[s]\nk=0o17\n", 7, 15},
        IntCase{"BinaryPrefix", "[s]\nk=0b101\n", 7, 5},
        IntCase{"PrefixWithoutDigits", "[s]\nk=0xg\n", 7, 0},
        IntCase{"MissingKeyGivesDefault", "[s]\nj=1\n", -1, 0xFFFFFFFFu},
        IntCase{"MissingSectionGivesDefault", "[t]\nk=1\n", 22, 22},
        IntCase{"LineWithoutEqualsGivesDefault", "[s]\nk\n", 3, 3}),
    CaseName{});

// --- Buffer rules ----------------------------------------------------------------------

struct TruncationCase {
    const char* name;
    std::uint32_t capacity;
    std::u16string written;  // what must stand at the start of the buffer
    std::uint32_t returned;
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const TruncationCase& c, std::ostream* os) { *os << c.name; }

constexpr char kTruncationFile[] =
    "[abcd]\r\nk1=v1\r\nkey2 = \"val2\" \r\n[efgh]\r\n=e\r\nbare\r\n;c\r\n";

// Checks the written prefix, and that not one character at or past the capacity changed.
void ExpectWritten(const std::u16string& buffer, const TruncationCase& c, std::uint32_t returned) {
    EXPECT_EQ(returned, c.returned);
    EXPECT_EQ(buffer.substr(0, c.written.size()), c.written);
    EXPECT_EQ(buffer.substr(c.capacity), std::u16string(buffer.size() - c.capacity, kGuard))
        << "written past the capacity";
}

class IniSectionNamesBufferTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(IniSectionNamesBufferTest, FillsNoFurtherThanCapacity) {
    const TruncationCase& c = GetParam();
    const IniDocument document = IniDocument::Parse(kTruncationFile);
    std::u16string buffer(c.capacity + 8, kGuard);
    ExpectWritten(buffer, c, ProfileSectionNames(&document, buffer.data(), c.capacity));
}

// The lists measured from the profile functions: a cut list keeps capacity - 2
// characters and ends with two NULs; a list that needs the last character is reported cut.
INSTANTIATE_TEST_SUITE_P(
    Capacities, IniSectionNamesBufferTest,
    ::testing::Values(TruncationCase{"Zero", 0, u"", 0},
                      TruncationCase{"One", 1, u"\0"s, 0},
                      TruncationCase{"Two", 2, u"\0\0"s, 0},
                      TruncationCase{"CutInFirstName", 4, u"ab\0\0"s, 2},
                      TruncationCase{"FirstNameWholeWithoutRoomForSecond", 7, u"abcd\0\0\0"s, 5},
                      TruncationCase{"CutInSecondName", 9, u"abcd\0ef\0\0"s, 7},
                      TruncationCase{"ExactFitReportedCut", 11, u"abcd\0efgh\0\0"s, 9},
                      TruncationCase{"OneToSpare", 12, u"abcd\0efgh\0\0"s, 10},
                      TruncationCase{"Roomy", 40, u"abcd\0efgh\0\0"s, 10}),
    CaseName{});

class IniSectionBufferTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(IniSectionBufferTest, FillsNoFurtherThanCapacity) {
    const TruncationCase& c = GetParam();
    const IniDocument document = IniDocument::Parse(kTruncationFile);
    std::u16string buffer(c.capacity + 8, kGuard);
    ExpectWritten(buffer, c, ProfileSection(&document, u"abcd", buffer.data(), c.capacity));
}

INSTANTIATE_TEST_SUITE_P(
    Capacities, IniSectionBufferTest,
    ::testing::Values(TruncationCase{"Zero", 0, u"", 0},
                      TruncationCase{"One", 1, u"\0"s, 0},
                      TruncationCase{"Two", 2, u"\0\0"s, 0},
                      TruncationCase{"CutInKey", 4, u"k1\0\0"s, 2},
                      TruncationCase{"CutAfterEquals", 5, u"k1=\0\0"s, 3},
                      TruncationCase{"CutAtLineBoundary", 8, u"k1=v1\0\0"s, 6},
                      TruncationCase{"CutInsideQuotedValue", 15, u"k1=v1\0key2=\"v\0\0"s, 13},
                      TruncationCase{"ExactFitReportedCut", 19, u"k1=v1\0key2=\"val2\"\0\0"s, 17},
                      TruncationCase{"OneToSpare", 20, u"k1=v1\0key2=\"val2\"\0\0"s, 18}),
    CaseName{});

class IniStringBufferTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(IniStringBufferTest, FillsNoFurtherThanCapacity) {
    const TruncationCase& c = GetParam();
    const IniDocument document = IniDocument::Parse(kTruncationFile);
    std::u16string buffer(c.capacity + 8, kGuard);
    ExpectWritten(buffer, c,
                  ProfileString(&document, u"abcd", u"key2", u"", buffer.data(), c.capacity));
}

// The quoted value "val2" is cut after its quotes come off, to capacity - 1 characters,
// as documented; so room for the unquoted text and its NUL is enough.
INSTANTIATE_TEST_SUITE_P(
    Capacities, IniStringBufferTest,
    ::testing::Values(TruncationCase{"Zero", 0, u"", 0},
                      TruncationCase{"One", 1, u"\0"s, 0},
                      TruncationCase{"Two", 2, u"v\0"s, 1},
                      TruncationCase{"OneShort", 4, u"val\0"s, 3},
                      TruncationCase{"RoomForUnquotedTextIsEnough", 5, u"val2\0"s, 4},
                      TruncationCase{"Roomy", 30, u"val2\0"s, 4}),
    CaseName{});

class IniUnquotedStringBufferTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(IniUnquotedStringBufferTest, FillsNoFurtherThanCapacity) {
    const TruncationCase& c = GetParam();
    const IniDocument document = IniDocument::Parse("[s]\nk=value\ne=\"\"\n");
    std::u16string buffer(c.capacity + 8, kGuard);
    ExpectWritten(buffer, c, ProfileString(&document, u"s", u"k", u"", buffer.data(), c.capacity));
}

// A plain value: capacity - 1 characters and a NUL.
INSTANTIATE_TEST_SUITE_P(
    Capacities, IniUnquotedStringBufferTest,
    ::testing::Values(TruncationCase{"Zero", 0, u"", 0},
                      TruncationCase{"One", 1, u"\0"s, 0},
                      TruncationCase{"OneShort", 5, u"valu\0"s, 4},
                      TruncationCase{"ExactFit", 6, u"value\0"s, 5}),
    CaseName{});

TEST(IniEmptyQuotesBufferTest, RoomForOneWritesOnlyTheNul) {
    const IniDocument document = IniDocument::Parse("[s]\ne=\"\"\n");
    std::u16string buffer(4, kGuard);
    EXPECT_EQ(ProfileString(&document, u"s", u"e", u"", buffer.data() + 1, 1), 0u);
    EXPECT_EQ(buffer, u"#\0##"s) << "nothing written before or after the buffer";
}

TEST(IniDefaultBufferTest, DefaultIsCutLikeAValue) {
    const IniDocument document = IniDocument::Parse(kTruncationFile);
    std::u16string buffer(12, kGuard);
    EXPECT_EQ(ProfileString(&document, u"abcd", u"none", u"dflt  ", buffer.data(), 4), 3u);
    EXPECT_EQ(buffer, u"dfl\0########"s);
}

}  // namespace
}  // namespace tessmo
