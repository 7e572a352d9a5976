// The appearance settings read from files on disk over settings that differ from the
// defaults in every field: what section "Private" gives, the title, and the failures.
#include <gtest/gtest.h>

#include "common/Text.h"
#include "config/PortableProfileSource.h"
#include "config/ScratchText.h"
#include "config/Settings.h"
#include "support/TempFolder.h"

namespace tessmo {
namespace {

using configtest::TempFolder;

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
        {"BoldTextReadsZero", "[Private]\nCustom_Font_Bold=no\n", "1 <> ||30|||40|0"},
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
