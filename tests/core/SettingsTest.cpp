// The appearance settings: settings files on disk read through the portable profile
// source, and a recording profile source for the reads made and the failure paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "common/Text.h"
#include "config/IniDocument.h"
#include "config/PortableProfileSource.h"
#include "config/ScratchText.h"
#include "config/Settings.h"

namespace tessmo {
namespace {

namespace fs = std::filesystem;

struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tessmo_settings_XXXXXX").string();
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

std::string Describe(const AppSettings& s) {
    return "Col_Name=" + ToUtf8(s.Col_Name) + " Col_Value=" + ToUtf8(s.Col_Value) +
           " App_Font_Size=" + std::to_string(s.App_Font_Size) +
           " Custom_String=" + ToUtf8(s.Custom_String) +
           " Custom_Font_Name=" + ToUtf8(s.Custom_Font_Name) +
           " Custom_Font_Size=" + std::to_string(s.Custom_Font_Size) +
           " Custom_Font_Bold=" + std::to_string(s.Custom_Font_Bold);
}

// What a file with a [Private] section but none of the keys gives from the defaults.
AppSettings AllKeysAbsent() {
    AppSettings s;
    s.Col_Name.clear();
    s.Col_Value.clear();
    s.Custom_String.clear();
    s.Custom_Font_Name.clear();
    return s;
}

// Settings that differ from the compiled-in defaults in every field.
AppSettings Customised() {
    AppSettings s;
    s.Col_Name = u"N";
    s.Col_Value = u"V";
    s.App_Font_Size = 30;
    s.Custom_String = u"Banner";
    s.Custom_Font_Name = u"Courier";
    s.Custom_Font_Size = 40;
    s.Custom_Font_Bold = 0;
    return s;
}

struct TitleRecorder {
    SetWindowTitleFn Fn() {
        return [this](const std::u16string& title) { titles.push_back(ToUtf8(title)); };
    }
    std::vector<std::string> titles;
};

// --- Settings files on disk -----------------------------------------------------------

struct FileCase {
    const char* name;
    std::string file;
    AppSettings expected;
    std::string title;
};

// Printed as its name, so test listings stay short and readable.
void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

AppSettings With(void (*change)(AppSettings&), AppSettings s = AllKeysAbsent()) {
    change(s);
    return s;
}

class SettingsFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(SettingsFileTest, ReadsSectionPrivate) {
    const FileCase& c = GetParam();
    const TempDir dir;
    const std::u16string path = dir.Write("Tessmo.ini", c.file);
    PortableProfileSource profile;
    AppSettings settings;
    TitleRecorder title;

    EXPECT_EQ(LoadSettings(profile, path, settings, title.Fn()), 1);
    EXPECT_EQ(Describe(settings), Describe(c.expected));
    EXPECT_EQ(title.titles, std::vector<std::string>{c.title});
}

const std::string k31 = "abcdefghijklmnopqrstuvwxyz01234";  // 31 characters

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsFileTest,
    ::testing::Values(
        FileCase{"EveryKey",
                 "[Private]\nTitle=Camera Setup\nCol_Name=Name\nCol_Value=Value\nApp_Font_Size=18\n"
                 "Custom_String=Hello\nCustom_Font_Name=Arial Black\nCustom_Font_Size=30\n"
                 "Custom_Font_Bold=0\n",
                 With([](AppSettings& s) {
                     s.Col_Name = u"Name", s.Col_Value = u"Value", s.App_Font_Size = 18;
                     s.Custom_String = u"Hello", s.Custom_Font_Name = u"Arial Black";
                     s.Custom_Font_Size = 30, s.Custom_Font_Bold = 0;
                 }),
                 "Camera Setup"},
        FileCase{"OnlyBannerGivesBoldBannerOfHeight22WithEmptyFace",
                 "[Private]\nCustom_String=Hello\n",
                 With([](AppSettings& s) { s.Custom_String = u"Hello"; }), ""},
        FileCase{"AppFontSizeZeroKeeps16", "[Private]\nApp_Font_Size=0\n", AllKeysAbsent(), ""},
        FileCase{"AppFontSize20", "[Private]\nApp_Font_Size=20\n",
                 With([](AppSettings& s) { s.App_Font_Size = 20; }), ""},
        FileCase{"AppFontSize65536KeepsLow16BitsZero", "[Private]\nApp_Font_Size=65536\n",
                 With([](AppSettings& s) { s.App_Font_Size = 0; }), ""},
        FileCase{"NegativeFontSizeBecomesLarge", "[Private]\nApp_Font_Size=-1\nCustom_Font_Size=-2\n",
                 With([](AppSettings& s) { s.App_Font_Size = 0xFFFF, s.Custom_Font_Size = 0xFFFE; }),
                 ""},
        FileCase{"CustomFontSizeZeroKeeps22", "[Private]\nCustom_Font_Size=0\n", AllKeysAbsent(), ""},
        FileCase{"BoldStoredWhole", "[Private]\nCustom_Font_Bold=-5\n",
                 With([](AppSettings& s) { s.Custom_Font_Bold = -5; }), ""},
        FileCase{"BoldTextReadsZero", "[Private]\nCustom_Font_Bold=no\n",
                 With([](AppSettings& s) { s.Custom_Font_Bold = 0; }), ""},
        FileCase{"ThirtyOneCharactersArriveWhole", "[Private]\nCol_Name=" + k31 + "\n",
                 With([](AppSettings& s) { s.Col_Name = FromUtf8(k31); }), ""},
        FileCase{"LongerValuesCutTo31",
                 "[Private]\nCol_Name=" + k31 + "X\nCol_Value=" + k31 + "XYZ\nCustom_String=" +
                     k31 + std::string(100, 'Q') + "\nCustom_Font_Name=" + k31 + "!\n",
                 With([](AppSettings& s) {
                     s.Col_Name = s.Col_Value = s.Custom_String = s.Custom_Font_Name = FromUtf8(k31);
                 }),
                 ""},
        FileCase{"CutNeverSplitsASurrogatePair",
                 "[Private]\nCol_Name=" + std::string(30, 'a') + "\xF0\x9F\x98\x80" "b\n",
                 With([](AppSettings& s) { s.Col_Name = std::u16string(30, u'a'); }), ""},
        FileCase{"TitleHasNoLengthLimit", "[Private]\nTitle=" + std::string(300, 'T') + "\n",
                 AllKeysAbsent(), std::string(300, 'T')},
        FileCase{"SectionAndKeysWithoutRegardToCase", "[PRIVATE]\ncol_name=n\nAPP_FONT_SIZE=12\n",
                 With([](AppSettings& s) { s.Col_Name = u"n", s.App_Font_Size = 12; }), ""},
        FileCase{"OuterQuotesRemoved", "[Private]\nTitle=\" spaced \"\nCol_Name='Name'\n",
                 With([](AppSettings& s) { s.Col_Name = u"Name"; }), " spaced "},
        FileCase{"KeysOutsidePrivateIgnored", "Title=stray\n[Other]\nCol_Name=x\nApp_Font_Size=9\n",
                 AllKeysAbsent(), ""},
        FileCase{"NonAsciiTitle", "[Private]\nTitle=Kamera \xC3\xBC" "ber USB\n", AllKeysAbsent(),
                 "Kamera \xC3\xBC" "ber USB"}),
    CaseName{});

TEST(SettingsFileStateTest, MissingFileChangesNothingAndLeavesTheTitle) {
    const TempDir dir;
    PortableProfileSource profile;
    AppSettings settings = Customised();
    TitleRecorder title;
    EXPECT_EQ(LoadSettings(profile, dir.Write("x", "") + u"missing", settings, title.Fn()), 0);
    EXPECT_EQ(Describe(settings), Describe(Customised()));
    EXPECT_TRUE(title.titles.empty());
}

TEST(SettingsFileStateTest, ZeroLengthFileReadsEveryKeyAsAbsent) {
    const TempDir dir;
    PortableProfileSource profile;
    AppSettings settings = Customised();
    TitleRecorder title;
    EXPECT_EQ(LoadSettings(profile, dir.Write("Tessmo.ini", ""), settings, title.Fn()), 1);
    AppSettings expected = AllKeysAbsent();
    expected.App_Font_Size = 30;      // integers keep their values
    expected.Custom_Font_Size = 40;
    expected.Custom_Font_Bold = 1;    // the default of the Bold read
    EXPECT_EQ(Describe(settings), Describe(expected));
    EXPECT_EQ(title.titles, std::vector<std::string>{""});
}

TEST(SettingsFileStateTest, NoTitleCallbackIsNoFault) {
    const TempDir dir;
    PortableProfileSource profile;
    AppSettings settings;
    EXPECT_EQ(LoadSettings(profile, dir.Write("Tessmo.ini", "[Private]\nTitle=t\nCol_Name=c\n"),
                           settings, nullptr),
              1);
    EXPECT_EQ(settings.Col_Name, u"c");
}

// --- Through a recording source -------------------------------------------------------

class RecordingProfile final : public ProfileSource {
public:
    explicit RecordingProfile(const std::string& text)
        : length(static_cast<std::uint32_t>(text.size())), document_(IniDocument::Parse(text)) {}

    std::optional<std::uint32_t> FileLength(const std::u16string&) override {
        calls.push_back("length");
        return length;
    }
    std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t capacity,
                                  const std::u16string&) override {
        calls.push_back("names");
        return ProfileSectionNames(&document_, buffer, capacity);
    }
    std::uint32_t GetSection(const std::u16string& section, char16_t* buffer,
                             std::uint32_t capacity, const std::u16string&) override {
        calls.push_back("section");
        return ProfileSection(&document_, section, buffer, capacity);
    }
    std::uint32_t GetString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue, char16_t* buffer,
                            std::uint32_t capacity, const std::u16string&) override {
        calls.push_back("string " + ToUtf8(section) + "/" + ToUtf8(key) + " \"" +
                        ToUtf8(defaultValue) + "\" " + std::to_string(capacity));
        return ProfileString(&document_, section, key, defaultValue, buffer, capacity);
    }
    std::uint32_t GetInt(const std::u16string& section, const std::u16string& key,
                         std::int32_t defaultValue, const std::u16string&) override {
        calls.push_back("int " + ToUtf8(section) + "/" + ToUtf8(key) + " " +
                        std::to_string(defaultValue));
        return ProfileInt(&document_, section, key, defaultValue);
    }

    std::optional<std::uint32_t> length;
    std::vector<std::string> calls;

private:
    IniDocument document_;
};

TEST(SettingsSourceTest, ReadsEachKeyOnceInOrderWithItsDefaultAndTheWholeBuffer) {
    const std::string text = "[Private]\nTitle=T\n";
    const std::string size = std::to_string(text.size());
    RecordingProfile profile(text);
    AppSettings settings;
    ASSERT_EQ(LoadSettings(profile, u".\\Tessmo.ini", settings, nullptr), 1);
    EXPECT_EQ(profile.calls,
              (std::vector<std::string>{
                  "length", "string Private/Title \"\" " + size,
                  "string Private/Col_Name \"\" " + size, "string Private/Col_Value \"\" " + size,
                  "int Private/App_Font_Size 0", "string Private/Custom_String \"\" " + size,
                  "string Private/Custom_Font_Name \"\" " + size, "int Private/Custom_Font_Size 0",
                  "int Private/Custom_Font_Bold 1"}));
}

TEST(SettingsSourceTest, FileThatCannotBeOpenedChangesNothing) {
    RecordingProfile profile("[Private]\nCol_Name=x\n");
    profile.length = std::nullopt;
    AppSettings settings = Customised();
    TitleRecorder title;
    EXPECT_EQ(LoadSettings(profile, u".\\Tessmo.ini", settings, title.Fn()), 0);
    EXPECT_EQ(Describe(settings), Describe(Customised()));
    EXPECT_TRUE(title.titles.empty());
    EXPECT_EQ(profile.calls, std::vector<std::string>{"length"});
}

TEST(SettingsSourceTest, BufferThatCannotBeHadChangesNothing) {
    for (const std::uint32_t length : {kMaxScratchChars + 1, 0xFFFFFFFFu}) {
        SCOPED_TRACE(length);
        RecordingProfile profile("[Private]\nCol_Name=x\n");
        profile.length = length;
        AppSettings settings = Customised();
        TitleRecorder title;
        EXPECT_EQ(LoadSettings(profile, u".\\Tessmo.ini", settings, title.Fn()), 0);
        EXPECT_EQ(Describe(settings), Describe(Customised()));
        EXPECT_TRUE(title.titles.empty());
    }
}

TEST(SettingsSourceTest, ZeroLengthAsksTheSourceNothingMore) {
    RecordingProfile profile("[Private]\nApp_Font_Size=99\n");
    profile.length = 0;  // the file was empty when its length was taken
    AppSettings settings = Customised();
    EXPECT_EQ(LoadSettings(profile, u".\\Tessmo.ini", settings, nullptr), 1);
    EXPECT_EQ(settings.App_Font_Size, 30);
    EXPECT_EQ(profile.calls, std::vector<std::string>{"length"});
}

}  // namespace
}  // namespace tessmo
