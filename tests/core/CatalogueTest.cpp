// The parameter catalogue: definition files on disk loaded through the portable
// profile source, and a recording profile source for what must happen when the file
// or a scratch buffer cannot be had, or when a source misbehaves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "common/Text.h"
#include "config/Catalogue.h"
#include "config/IniDocument.h"
#include "config/PortableProfileSource.h"
#include "config/ScratchText.h"

namespace tessmo {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tessmo_catalogue_XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::u16string Write(const std::string& name, const std::string& bytes) const {
        const fs::path file = path_ / name;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return FromUtf8(file.string());
    }

private:
    fs::path path_;
};

// One item as text, so a failing comparison shows every field.
std::string Describe(const ParamItem& item) {
    std::string text = "MainStr=" + ToUtf8(item.MainStr) + " ParaStr=" + ToUtf8(item.ParaStr) +
                       " ParaIdx=" + std::to_string(item.ParaIdx) + " SubStrs=[";
    for (std::size_t i = 0; i < item.SubStrs.size(); ++i) {
        if (i > 0) text += '|';
        text += ToUtf8(item.SubStrs[i]);
    }
    text += "] CurIdx=" + std::to_string(item.CurIdx) + " Dirty=" + std::to_string(item.Dirty);
    return text;
}

std::vector<std::string> Describe(const ParamList& list) {
    std::vector<std::string> rows;
    for (const ParamItem& item : list) rows.push_back(Describe(item));
    return rows;
}

ParamItem Item(std::u16string mainStr, std::uint16_t paraIdx, std::vector<std::u16string> options,
               std::u16string paraStr = u"") {
    ParamItem item;
    item.MainStr = std::move(mainStr);
    item.ParaIdx = paraIdx;
    item.SubStrs = std::move(options);
    item.ParaStr = std::move(paraStr);
    return item;
}

// A list that a failed load must leave exactly as it is, live state included.
ParamList LiveList() {
    ParamList list{Item(u"Kept", 3, {u"a", u"b"}, u"p")};
    list[0].CurIdx = 1;
    list[0].Dirty = 1;
    return list;
}

// --- Definition files on disk ---------------------------------------------------------

struct FileCase {
    const char* name;
    std::string file;
    ParamList expected;
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class CatalogueFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(CatalogueFileTest, LoadsOneUnsetItemPerSection) {
    const FileCase& c = GetParam();
    const TempDir dir;
    const std::u16string path = dir.Write("Vorlund.ini", c.file);
    PortableProfileSource profile;
    ParamList list = LiveList();

    EXPECT_EQ(LoadParamList(profile, path, list), 1);
    EXPECT_EQ(Describe(list), Describe(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, CatalogueFileTest,
    ::testing::Values(
        FileCase{"FullSection",
                 "[Exposure]\r\nMainStr=Exposure\r\nParaIdx=7\r\nParaStr=exp\r\n"
                 "SubStr0=\"Auto\"\r\nSubStr1=\"Manual\"\r\n",
                 {Item(u"Exposure", 7, {u"Auto", u"Manual"}, u"exp")}},
        FileCase{"SectionWithoutOptionLinesHasNoOptions", "[A]\nMainStr=Name\nParaIdx=1\n",
                 {Item(u"Name", 1, {})}},
        FileCase{"MissingParaIdxIs0xFFFF", "[A]\nMainStr=Name\n", {Item(u"Name", 0xFFFF, {})}},
        FileCase{"ParaIdxKeepsLow16Bits", "[A]\nParaIdx=65537\n[B]\nParaIdx=-2\n[C]\nParaIdx=x\n",
                 {Item(u"", 1, {}), Item(u"", 0xFFFE, {}), Item(u"", 0, {})}},
        FileCase{"FileOrderNotDigitsGivesOptionIndex", "[A]\nSubStr2=\"Auto\"\nSubStr1=Off\n",
                 {Item(u"", 0xFFFF, {u"Auto", u"Off"})}},
        FileCase{"EveryDoubleQuoteRemoved", "[A]\nSubStr0=a\"b\"c\nSubStr1=\"\"\n",
                 {Item(u"", 0xFFFF, {u"abc", u""})}},
        FileCase{"TextAfterFirstEqualsKept", "[A]\nSubStr0=x=y\n", {Item(u"", 0xFFFF, {u"x=y"})}},
        FileCase{"SingleQuotesKeptInOptions", "[A]\nSubStr0='q'\n", {Item(u"", 0xFFFF, {u"'q'"})}},
        FileCase{"OtherLetterCaseIsNoOption", "[A]\nsubstr0=a\nSUBSTR1=b\nSubstr2=c\n",
                 {Item(u"", 0xFFFF, {})}},
        FileCase{"AnyKeyStartingWithSubStrCounts", "[A]\nSubStr=a\nSubStrX=b\nSubStr007=c\n",
                 {Item(u"", 0xFFFF, {u"a", u"b", u"c"})}},
        FileCase{"LineWithoutEqualsIsNoOption", "[A]\nSubStr0\nSubStr1=b\n", {Item(u"", 0xFFFF, {u"b"})}},
        FileCase{"BlanksAroundEqualsTrimmed", "[A]\n  SubStr0 \t=  On  \n", {Item(u"", 0xFFFF, {u"On"})}},
        FileCase{"CommentedOptionIsNoOption", "[A]\n;SubStr0=a\n\t;SubStr1=b\n", {Item(u"", 0xFFFF, {})}},
        FileCase{"EqualOptionTextsStaySeparate", "[A]\nSubStr0=Same\nSubStr1=Same\n",
                 {Item(u"", 0xFFFF, {u"Same", u"Same"})}},
        FileCase{"OuterQuotesOfMainStrRemoved", "[A]\nMainStr=\"Gain\"\nParaStr='x'\n",
                 {Item(u"Gain", 0xFFFF, {}, u"x")}},
        FileCase{"SettingsLikeSectionIsARowWithEmptyName", "[Private]\nTitle=Tool\n",
                 {Item(u"", 0xFFFF, {})}},
        FileCase{"SectionsInFileOrderEachDuplicateReadingTheFirstCopy",
                 "[A]\nMainStr=first\n[B]\nMainStr=b\n[a]\nMainStr=second\nSubStr0=x\n",
                 {Item(u"first", 0xFFFF, {}), Item(u"b", 0xFFFF, {}), Item(u"first", 0xFFFF, {})}},
        FileCase{"KeysBeforeFirstHeaderFormNoRow", "MainStr=stray\n[A]\nMainStr=a\n",
                 {Item(u"a", 0xFFFF, {})}},
        FileCase{"EmptyBracketsFormNoRow", "[]\nMainStr=none\n[A]\nMainStr=a\n",
                 {Item(u"a", 0xFFFF, {})}},
        FileCase{"Utf16File",
                 "\xFF\xFE[\0A\0]\0\n\0M\0a\0i\0n\0S\0t\0r\0=\0\xE9\0\n\0S\0u\0b\0S\0t\0r\0"
                 "0\0=\0\x2D\x4E"s,
                 {Item(u"é", 0xFFFF, {u"中"})}},
        FileCase{"Cp1252File", "[A]\nMainStr=Lichtst\xE4rke\nSubStr0=\x80\n",
                 {Item(u"Lichtstärke", 0xFFFF, {u"€"})}},
        FileCase{"FileWithoutSections", "MainStr=x\n; nothing\n", {}},
        FileCase{"ZeroLengthFile", "", {}}),
    CaseName{});

TEST(CatalogueReloadTest, ReloadGivesTheSameListWithLiveStateReset) {
    const TempDir dir;
    const std::u16string path =
        dir.Write("Vorlund.ini", "[A]\nMainStr=a\nParaIdx=1\nSubStr0=x\nSubStr1=y\n[B]\nMainStr=b\n");
    PortableProfileSource profile;
    ParamList list;
    ASSERT_EQ(LoadParamList(profile, path, list), 1);
    const std::vector<std::string> first = Describe(list);
    list[0].CurIdx = 1;
    list[0].Dirty = 1;
    list[1].CurIdx = 0;

    ASSERT_EQ(LoadParamList(profile, path, list), 1);
    EXPECT_EQ(Describe(list), first);
    for (const ParamItem& item : list) {
        EXPECT_EQ(item.CurIdx, kNoOption);
        EXPECT_EQ(item.Dirty, 0);
    }
}

TEST(CatalogueReloadTest, MissingFileLeavesTheListAsItWas) {
    const TempDir dir;
    PortableProfileSource profile;
    ParamList list = LiveList();
    EXPECT_EQ(LoadParamList(profile, dir.Write("x", "") + u"missing", list), 0);
    EXPECT_EQ(Describe(list), Describe(LiveList()));
}

TEST(CatalogueReloadTest, ThousandsOfSectionsLoadInOrder) {
    std::ostringstream text;
    for (int i = 0; i < 3000; ++i) {
        text << "[P" << i << "]\nMainStr=n" << i << "\nParaIdx=" << i << "\nSubStr0=a\n";
    }
    const TempDir dir;
    PortableProfileSource profile;
    ParamList list;
    ASSERT_EQ(LoadParamList(profile, dir.Write("big.ini", text.str()), list), 1);
    ASSERT_EQ(list.size(), 3000u);
    for (std::size_t i = 0; i < list.size(); ++i) {
        ASSERT_EQ(list[i].ParaIdx, i);
        ASSERT_EQ(list[i].MainStr, FromUtf8(std::string("n") + std::to_string(i)));
    }
}

// --- Failure paths through a recording source -----------------------------------------

// Answers from a parsed text, with lengths that can be scripted per call and a mode in
// which every read fills the whole buffer without a terminator and claims more.
class RecordingProfile final : public ProfileSource {
public:
    explicit RecordingProfile(const std::string& text)
        : length(static_cast<std::uint32_t>(text.size())), document_(IniDocument::Parse(text)) {}

    std::optional<std::uint32_t> FileLength(const std::u16string&) override {
        calls.push_back("length");
        if (scriptedLengths.empty()) return length;
        const auto next = scriptedLengths.front();
        scriptedLengths.pop_front();
        return next;
    }
    std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t capacity,
                                  const std::u16string&) override {
        calls.push_back("names " + std::to_string(capacity));
        if (overrun) return Overrun(buffer, capacity);
        return ProfileSectionNames(&document_, buffer, capacity);
    }
    std::uint32_t GetSection(const std::u16string& section, char16_t* buffer,
                             std::uint32_t capacity, const std::u16string&) override {
        calls.push_back("section " + ToUtf8(section) + " " + std::to_string(capacity));
        if (overrun) return Overrun(buffer, capacity);
        return ProfileSection(&document_, section, buffer, capacity);
    }
    std::uint32_t GetString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue, char16_t* buffer,
                            std::uint32_t capacity, const std::u16string&) override {
        calls.push_back("string " + ToUtf8(section) + "/" + ToUtf8(key) + " \"" +
                        ToUtf8(defaultValue) + "\" " + std::to_string(capacity));
        if (overrun) return Overrun(buffer, capacity);
        return ProfileString(&document_, section, key, defaultValue, buffer, capacity);
    }
    std::uint32_t GetInt(const std::u16string& section, const std::u16string& key,
                         std::int32_t defaultValue, const std::u16string&) override {
        calls.push_back("int " + ToUtf8(section) + "/" + ToUtf8(key) + " " +
                        std::to_string(defaultValue));
        return ProfileInt(&document_, section, key, defaultValue);
    }

    std::optional<std::uint32_t> length;
    std::deque<std::optional<std::uint32_t>> scriptedLengths;
    bool overrun = false;
    std::vector<std::string> calls;

private:
    static std::uint32_t Overrun(char16_t* buffer, std::uint32_t capacity) {
        std::fill_n(buffer, capacity, u'x');
        return capacity + 10;
    }

    IniDocument document_;
};

constexpr char kThreeSections[] = "[A]\nMainStr=a\n[B]\nMainStr=b\n[C]\nMainStr=c\n";

TEST(CatalogueFailureTest, FileThatCannotBeOpenedLeavesListAsItWas) {
    RecordingProfile profile(kThreeSections);
    profile.length = std::nullopt;
    ParamList list = LiveList();
    EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 0);
    EXPECT_EQ(Describe(list), Describe(LiveList()));
    EXPECT_EQ(profile.calls, std::vector<std::string>{"length"});
}

TEST(CatalogueFailureTest, BufferThatCannotBeHadLeavesListAsItWas) {
    for (const std::uint32_t length : {kMaxScratchChars + 1, 0xFFFFFFFFu}) {
        SCOPED_TRACE(length);
        RecordingProfile profile(kThreeSections);
        profile.length = length;
        ParamList list = LiveList();
        EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 0);
        EXPECT_EQ(Describe(list), Describe(LiveList()));
        EXPECT_EQ(profile.calls, std::vector<std::string>{"length"});
    }
}

TEST(CatalogueFailureTest, SectionWhoseFileOrBufferCannotBeHadIsSkipped) {
    const auto size = static_cast<std::uint32_t>(sizeof kThreeSections - 1);
    for (const std::optional<std::uint32_t> failing :
         {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{kMaxScratchChars + 1}}) {
        RecordingProfile profile(kThreeSections);
        profile.scriptedLengths = {size, size, failing, size};
        ParamList list;
        EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 1);
        EXPECT_EQ(Describe(list), Describe(ParamList{Item(u"a", 0xFFFF, {}), Item(u"c", 0xFFFF, {})}));
    }
}

TEST(CatalogueFailureTest, EveryReadIsHandedTheWholeBufferSizedByTheFile) {
    const std::string text = "[A]\nMainStr=a\nSubStr0=x\n";
    const std::string size = std::to_string(text.size());
    RecordingProfile profile(text);
    ParamList list;
    ASSERT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 1);
    EXPECT_EQ(profile.calls, (std::vector<std::string>{
                                 "length", "names " + size, "length",
                                 "string A/MainStr \"\" " + size, "string A/ParaStr \"\" " + size,
                                 "int A/ParaIdx -1", "section A " + size}));
}

TEST(CatalogueFailureTest, ZeroLengthFileIsAnEmptyCatalogueWithoutReads) {
    RecordingProfile profile("");
    ParamList list = LiveList();
    EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(profile.calls, std::vector<std::string>{"length"});
}

TEST(CatalogueFailureTest, SourceThatOverrunsItsCountIsReadOnlyInsideTheBuffer) {
    RecordingProfile profile(kThreeSections);
    profile.overrun = true;
    ParamList list = LiveList();
    EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 1);
    EXPECT_TRUE(list.empty()) << "an unterminated name list names no section";

    ASSERT_TRUE(LoadParamSection(profile, u".\\Vorlund.ini", u"A", list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].MainStr, std::u16string(sizeof kThreeSections - 2, u'x'));
    EXPECT_TRUE(list[0].SubStrs.empty());
}

struct ArgumentCase {
    const char* name;
    std::u16string path;
    std::u16string section;
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const ArgumentCase& c, std::ostream* os) { *os << c.name; }

class CatalogueSectionArgumentTest : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(CatalogueSectionArgumentTest, MissingArgumentAppendsNothing) {
    RecordingProfile profile(kThreeSections);
    ParamList list = LiveList();
    EXPECT_FALSE(LoadParamSection(profile, GetParam().path, GetParam().section, list));
    EXPECT_EQ(Describe(list), Describe(LiveList()));
    EXPECT_TRUE(profile.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Arguments, CatalogueSectionArgumentTest,
                         ::testing::Values(ArgumentCase{"EmptyPath", u"", u"A"},
                                           ArgumentCase{"EmptySection", u".\\Vorlund.ini", u""},
                                           ArgumentCase{"Both", u"", u""}),
                         CaseName{});

TEST(CatalogueFailureTest, SectionOfUnopenableFileAppendsNothing) {
    RecordingProfile profile(kThreeSections);
    profile.length = std::nullopt;
    ParamList list = LiveList();
    EXPECT_FALSE(LoadParamSection(profile, u".\\Vorlund.ini", u"A", list));
    EXPECT_EQ(Describe(list), Describe(LiveList()));
}

TEST(CatalogueFailureTest, SectionAppendsAfterExistingItems) {
    RecordingProfile profile(kThreeSections);
    ParamList list = LiveList();
    ASSERT_TRUE(LoadParamSection(profile, u".\\Vorlund.ini", u"b", list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(Describe(list[0]), Describe(LiveList()[0]));
    EXPECT_EQ(Describe(list[1]), Describe(Item(u"b", 0xFFFF, {})));
}

}  // namespace
}  // namespace tessmo
