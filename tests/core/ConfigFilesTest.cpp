// The two INI files the program reads. The parameter catalogue: definition files on disk
// loaded over a list with live state, and a scripted source for a file that changes while
// it loads or a source that claims more than it wrote. The appearance settings: files on
// disk read over settings that differ from the defaults in every field.
#include <gtest/gtest.h>

#include "common/Text.h"
#include "config/Catalogue.h"
#include "config/IniDocument.h"
#include "config/PortableProfileSource.h"
#include "config/ScratchText.h"
#include "config/Settings.h"
#include "support/TempFolder.h"

namespace tessmo {
namespace {

using configtest::TempFolder;

// "MainStr/ParaIdx/options/ParaStr" per item, joined by "; ", with any live state.
std::string Describe(const ParamList& list) {
    std::string text;
    for (const ParamItem& item : list) {
        text += (text.empty() ? "" : "; ") + ToUtf8(item.MainStr) + "/" + std::to_string(item.ParaIdx) + "/";
        for (const std::u16string& option : item.SubStrs)
            text += (&option == &item.SubStrs[0] ? "" : ",") + ToUtf8(option);
        text += "/" + ToUtf8(item.ParaStr);
        if (item.CurIdx != kNoOption || item.Dirty) text += " live";
    }
    return text;
}

// A list that a failed load must leave exactly as it is.
const ParamList kLive{ParamItem{u"Kept", {u"a"}, u"p", 3, 1, 1}};

TEST(CatalogueFileTest, LoadsOneUnsetItemPerSectionInPlaceOfTheList) {
    const std::string x600(600, 'x');
    const struct {
        const char* name;
        std::string file;
        std::string expected;
    } cases[] = {
        {"FullSection",
         "[Gain]\r\nMainStr=\"Gain\"\r\nParaIdx=7\r\nParaStr='g'\r\nSubStr0=\"Auto\"\r\nSubStr1=Manual\r\n",
         "Gain/7/Auto,Manual/g"},
        {"ParaIdxKeepsLow16Bits", "[A]\nParaIdx=65537\n", "/1//"},
        {"OptionIndexIsFileOrder", "[A]\nSubStr2=\"Auto\"\nSubStr1=Off\nSubStr0=Off\n",
         "/65535/Auto,Off,Off/"},
        {"OptionIsTextAfterFirstEqualsLessDoubleQuotes",
         "[A]\nSubStr0=a\"b\"c\nSubStr1=\"\"\nSubStr2=x=y\nSubStr3='q'\n  SubStr4 \t=  On  \n",
         "/65535/abc,,x=y,'q',On/"},
        {"OptionLinesStartWithExactlySubStrAndHaveEquals",
         "[A]\nsubstr0=a\nSUBSTR1=b\nSubStr=c\nSubStrX=d\nSubStr007=e\nSubStr0\n;SubStr1=f\n\t;SubStr2=g\n",
         "/65535/c,d,e/"},
        {"DuplicateSectionsReadTheFirstCopy", "[A]\nMainStr=a\n[B]\nMainStr=b\n[a]\nMainStr=2\nSubStr0=x\n",
         "a/65535//; b/65535//; a/65535//"},
        // Each read is handed a buffer sized by the whole file.
        {"LongMainStrArrivesWhole", "[A]\nMainStr=" + x600, x600 + "/65535//"},
        {"LongOptionArrivesWhole", "[A]\nSubStr0=" + x600, "/65535/" + x600 + "/"},
        {"ZeroLengthFile", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder dir;
        PortableProfileSource profile;
        ParamList list = kLive;
        EXPECT_EQ(LoadParamList(profile, dir.Write("Vorlund.ini", c.file), list), 1);
        EXPECT_EQ(Describe(list), c.expected);
    }
}

// Answers from a text, taking the file lengths one by one from `lengths`; when
// overrunning, each text read fills the whole buffer without a terminator and claims more.
struct ScriptedProfile final : ProfileSource {
    explicit ScriptedProfile(const std::string& text) : document(IniDocument::Parse(text)) {}

    std::optional<std::uint32_t> FileLength(const std::u16string&) override { return lengths.at(calls++); }
    std::uint32_t GetSectionNames(char16_t* b, std::uint32_t n, const std::u16string&) override {
        return Answer(b, n, ProfileSectionNames(&document, b, n));
    }
    std::uint32_t GetSection(const std::u16string& s, char16_t* b, std::uint32_t n,
                             const std::u16string&) override {
        return Answer(b, n, ProfileSection(&document, s, b, n));
    }
    std::uint32_t GetString(const std::u16string& s, const std::u16string& k, const std::u16string& d,
                            char16_t* b, std::uint32_t n, const std::u16string&) override {
        return Answer(b, n, ProfileString(&document, s, k, d, b, n));
    }
    std::uint32_t GetInt(const std::u16string& s, const std::u16string& k, std::int32_t d,
                         const std::u16string&) override {
        return ProfileInt(&document, s, k, d);
    }
    std::uint32_t Answer(char16_t* buffer, std::uint32_t capacity, std::uint32_t count) const {
        if (!overrun) return count;
        std::fill_n(buffer, capacity, u'x');
        return capacity + 10;
    }

    IniDocument document;
    std::vector<std::optional<std::uint32_t>> lengths = std::vector<std::optional<std::uint32_t>>(9, 100);
    std::size_t calls = 0;
    bool overrun = false;
};

TEST(CatalogueScriptedTest, NoFileBufferPathOrNameLeavesTheListOrSkipsTheSection) {
    for (const auto failing : {std::optional<std::uint32_t>{}, std::optional(kMaxScratchChars + 1)}) {
        SCOPED_TRACE(failing ? "no buffer" : "no file");
        ScriptedProfile profile("[A]\nMainStr=a\n[B]\nMainStr=b\n[C]\nMainStr=c\n");
        profile.lengths = {failing, failing, 100, 100, failing, 100};
        ParamList list = kLive;
        EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 0);
        EXPECT_FALSE(LoadParamSection(profile, u".\\Vorlund.ini", u"A", list));
        EXPECT_FALSE(LoadParamSection(profile, u"", u"A", list)) << "no path";
        EXPECT_FALSE(LoadParamSection(profile, u".\\Vorlund.ini", u"", list)) << "no section name";
        EXPECT_EQ(Describe(list), Describe(kLive));
        // Once the list is being read, such a section is skipped and the rest still load.
        EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 1);
        EXPECT_EQ(Describe(list), "a/65535//; c/65535//");
    }
}

TEST(CatalogueScriptedTest, SourceThatOverrunsItsCountIsReadOnlyInsideTheBuffer) {
    ScriptedProfile profile("[A]\nMainStr=a\n");
    profile.overrun = true;
    ParamList list = kLive;
    EXPECT_EQ(LoadParamList(profile, u".\\Vorlund.ini", list), 1);
    EXPECT_EQ(Describe(list), "") << "an unterminated name list names no section";
    ASSERT_TRUE(LoadParamSection(profile, u".\\Vorlund.ini", u"A", list));
    EXPECT_EQ(Describe(list), std::string(99, 'x') + "/65535//" + std::string(99, 'x'));
}

// "result <title> Col_Name|Col_Value|App_Font_Size|Custom_String|Custom_Font_Name|
// Custom_Font_Size|Custom_Font_Bold", the title only when it was set.
std::string Load(const std::u16string& path) {
    AppSettings s{u"N", u"V", 30, u"Banner", u"Courier", 40, 7};
    std::string title;
    PortableProfileSource profile;
    const int result =
        LoadSettings(profile, path, s, [&](const std::u16string& t) { title = "<" + ToUtf8(t) + "> "; });
    return std::to_string(result) + " " + title + ToUtf8(s.Col_Name) + "|" + ToUtf8(s.Col_Value) + "|" +
           std::to_string(s.App_Font_Size) + "|" + ToUtf8(s.Custom_String) + "|" +
           ToUtf8(s.Custom_Font_Name) + "|" + std::to_string(s.Custom_Font_Size) + "|" +
           std::to_string(s.Custom_Font_Bold);
}

TEST(SettingsFileTest, ReadsSectionPrivate) {
    const std::string k31 = "abcdefghijklmnopqrstuvwxyz01234";
    const struct {
        const char* name;
        std::string file;
        std::string expected;
    } cases[] = {
        {"EveryKey",
         "[Private]\nTitle=Camera Setup\nCol_Name=Name\nCol_Value=Value\nApp_Font_Size=18\nCustom_String=Hi\n"
         "Custom_Font_Name=Arial Black\nCustom_Font_Size=20\nCustom_Font_Bold=-5\n",
         "1 <Camera Setup> Name|Value|18|Hi|Arial Black|20|-5"},
        // Absent texts read empty; an absent size reads 0 and so keeps the size; Bold reads 1.
        {"AbsentKeys", "[Private]\n", "1 <> ||30|||40|1"},
        {"ZeroLengthFile", "", "1 <> ||30|||40|1"},
        {"FontSizesKeepLow16Bits", "[Private]\nApp_Font_Size=65536\nCustom_Font_Size=-2\n",
         "1 <> ||0|||65534|1"},
        {"TextsCutTo31",
         "[Private]\nCol_Name=" + k31 + "\nCol_Value=" + k31 + "X\nCustom_String=" + k31 +
             std::string(99, 'Q') + "\nCustom_Font_Name=" + k31 + "!\n",
         "1 <> " + k31 + "|" + k31 + "|30|" + k31 + "|" + k31 + "|40|1"},
        {"CutNeverSplitsASurrogatePair", "[Private]\nCol_Name=" + std::string(30, 'a') + "\xF0\x9F\x98\x80\n",
         "1 <> " + std::string(30, 'a') + "||30|||40|1"},
        {"TitleHasNoLengthLimit", "[Private]\nTitle=" + std::string(300, 'T'),
         "1 <" + std::string(300, 'T') + "> ||30|||40|1"},
    };
    for (const auto& c : cases) {
        const TempFolder dir;
        EXPECT_EQ(Load(dir.Write("Tessmo.ini", c.file)), c.expected) << c.name;
    }
}

TEST(SettingsFileTest, FileOrBufferThatCannotBeHadChangesNothingNotEvenTheTitle) {
    const TempFolder dir;
    dir.Write("huge.ini", "[Private]\nCol_Name=x\n");
    std::filesystem::resize_file(dir.File("huge.ini"), kMaxScratchChars + 1);  // sparse
    EXPECT_EQ(Load(dir.Path("missing.ini")), "0 N|V|30|Banner|Courier|40|7");
    EXPECT_EQ(Load(dir.Path("huge.ini")), "0 N|V|30|Banner|Courier|40|7");
    // A caller may leave out the title.
    PortableProfileSource profile;
    AppSettings s;
    EXPECT_EQ(LoadSettings(profile, dir.Write("Tessmo.ini", "[Private]\nTitle=t\n"), s, nullptr), 1);
}

}  // namespace
}  // namespace tessmo
