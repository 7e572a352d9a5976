// The dialog's logic against fake ports: start-up, the list, option picking and
// the camera's arrival and removal, checked by what a user or the camera would see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/ConfigToolDlg.h"
#include "support/AppFakes.h"

namespace tessmo {
namespace {

using testing::FakeCamera;
using testing::FakeCameraFactory;
using testing::FakeCellList;
using testing::FakeDialogWindow;
using testing::FolderProfileSource;

std::string ReadExample(const std::string& name) {
    std::ifstream in(std::string(TESSMO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

constexpr char kThreeParams[] =
    "[Res]\nMainStr=Resolution\nParaIdx=1\nSubStr0=1080p\nSubStr1=720p\nSubStr2=480p\n"
    "[Mic]\nMainStr=Microphone\nParaIdx=7\nSubStr0=Off\nSubStr1=On\n"
    "[Mode]\nMainStr=Mode\nParaIdx=0x0102\nSubStr0=Auto\nSubStr1=Manual\nSubStr2=Auto\n";

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tessmo-dlg-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        profile_ = std::make_unique<FolderProfileSource>(folder_);
        profile_->WriteFile("Tessmo.ini", "[Private]\nTitle=Cam Setup\nCustom_String=Hello\n");
        profile_->WriteFile("Vorlund.ini", kThreeParams);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    CConfigToolDlg& Start() {
        dlg_ = std::make_unique<CConfigToolDlg>(
            CConfigToolDlg::Ports{window_, list_, *profile_, factory_, trace_});
        EXPECT_EQ(dlg_->OnInitDialog(), 1);
        return *dlg_;
    }

    std::vector<std::u16string> ValueCells() const {
        std::vector<std::u16string> out;
        for (const auto& r : list_.rows) out.push_back(r.cells[1].text);
        return out;
    }
    bool AllRowsEnabled(bool enabled) const {
        return std::all_of(list_.rows.begin(), list_.rows.end(),
                           [enabled](const auto& r) { return r.enabled == enabled; });
    }
    void Select(int row) {
        list_.selected = row;
        std::intptr_t result = 77;
        dlg_->OnItemChangedList(&result);
        EXPECT_EQ(result, 0);
    }
    void Pick(int row, int index) {
        Select(row);
        ASSERT_TRUE(list_.UserPicks(row, index));
        EXPECT_EQ(dlg_->OnComboSelection(static_cast<std::uintptr_t>(row), 1), 0);
    }

    std::filesystem::path folder_;
    std::unique_ptr<FolderProfileSource> profile_;
    FakeDialogWindow window_;
    FakeCellList list_;
    FakeCamera camera_;
    FakeCameraFactory factory_{camera_};
    TraceCollector trace_;
    std::unique_ptr<CConfigToolDlg> dlg_;
};

// ---- start-up ----

TEST_F(DialogTest, StartWithCameraRunsStepsInOrderAndAdoptsCameraValues) {
    camera_.values = {{1, 1}, {7, 0}, {0x0102, 2}};
    Start();
    const std::vector<std::string> expected = {
        "SetIcons", "SetTitle",      "CreateListFont",    "FontSync", "FontExit",
        "CreateCustomFont", "SetCustomText", "SetCustomTextFont", "EnableSync", "Register"};
    EXPECT_EQ(window_.calls, expected);
    EXPECT_EQ(window_.title, u"Cam Setup");
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"720p", u"Off", u"Auto"}));
    EXPECT_TRUE(AllRowsEnabled(true));
    EXPECT_TRUE(window_.messages.empty()) << "the first pass adopts and writes nothing";
    EXPECT_EQ(camera_.Writes(CMD_SET_CLOCK).size(), 2u);
    EXPECT_TRUE(camera_.Writes(CMD_WRITE_VALUE).empty());
    EXPECT_EQ(list_.lockDepth, 0);
    // "Dialog Init Done" closes the start-up trace; registration comes after it.
    ASSERT_FALSE(trace_.Lines().empty());
    EXPECT_EQ(trace_.Lines().back(), "Dialog Init Done");
    ASSERT_EQ(window_.registrations.size(), 1u);
    EXPECT_EQ(window_.registrations[0], KSCATEGORY_CAPTURE_VALUE);
}

TEST_F(DialogTest, StartWithoutCameraDisablesSyncAndEveryRowAndSendsNothing) {
    camera_.present = false;
    Start();
    EXPECT_FALSE(window_.syncEnabled);
    ASSERT_EQ(list_.rows.size(), 3u);
    EXPECT_TRUE(AllRowsEnabled(false));
    EXPECT_TRUE(camera_.requests.empty());
    EXPECT_TRUE(window_.messages.empty());
    EXPECT_EQ(trace_.Text(), "Dialog Init Done\n");
    EXPECT_EQ(window_.calls.back(), "Register");
}

TEST_F(DialogTest, WithoutBannerTheTextIsHiddenAndTheButtonsShift) {
    profile_->WriteFile("Tessmo.ini", "[Private]\nTitle=T\n");
    Start();
    const auto& c = window_.calls;
    const auto hide = std::find(c.begin(), c.end(), "HideCustomText");
    ASSERT_NE(hide, c.end());
    ASSERT_LE(hide + 3, c.end());
    EXPECT_EQ(*(hide + 1), "ShiftSync 90");
    EXPECT_EQ(*(hide + 2), "ShiftExit 10");
    EXPECT_EQ(std::count(c.begin(), c.end(), "CreateCustomFont"), 0);
}

TEST_F(DialogTest, MissingSettingsFileKeepsDefaultsAndLeavesTitleAlone) {
    profile_->RemoveFile("Tessmo.ini");
    Start();
    EXPECT_EQ(window_.title, u"(untouched)");
    EXPECT_EQ(list_.columnTitles, (std::vector<std::u16string>{u"Parameter Name", u"Parameter Value"}));
    ASSERT_FALSE(window_.fontRequests.empty());
    EXPECT_EQ(window_.fontRequests[0].face, u"Arial");
    EXPECT_EQ(window_.fontRequests[0].height, 16);
    EXPECT_EQ(window_.fontRequests[0].weight, 400);
    EXPECT_TRUE(window_.customTextHidden);
}

TEST_F(DialogTest, MissingDefinitionFileGivesTwoColumnsAndNoRows) {
    profile_->RemoveFile("Vorlund.ini");
    Start();
    EXPECT_EQ(list_.columnTitles.size(), 2u);
    EXPECT_TRUE(list_.rows.empty());
}

TEST_F(DialogTest, BannerFontWeightFollowsBoldSetting) {
    const struct {
        const char* bold;
        int weight;
    } cases[] = {{"0", 400}, {"1", 700}, {"2", 700}, {"-1", 700}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bold);
        window_ = FakeDialogWindow();
        profile_->WriteFile("Tessmo.ini", std::string("[Private]\nCustom_String=Hi\nCustom_Font_Name=Verdana\n"
                                                      "Custom_Font_Size=30\nCustom_Font_Bold=") + c.bold + "\n");
        Start();
        ASSERT_EQ(window_.fontRequests.size(), 2u);
        EXPECT_EQ(window_.fontRequests[1].face, u"Verdana");
        EXPECT_EQ(window_.fontRequests[1].height, 30);
        EXPECT_EQ(window_.fontRequests[1].weight, c.weight);
        EXPECT_EQ(window_.customText, u"Hi");
    }
}

TEST_F(DialogTest, ExampleFilesGiveTheirTitleAndOneRowPerSection) {
    profile_->WriteFile("Tessmo.ini", ReadExample("Tessmo.ini"));
    profile_->WriteFile("Vorlund.ini", ReadExample("Vorlund.ini"));
    Start();
    EXPECT_EQ(window_.title, u"Tessmo Camera Setup");
    ASSERT_EQ(list_.rows.size(), dlg_->Params().size());
    ASSERT_GE(list_.rows.size(), 10u);
    for (std::size_t i = 0; i < list_.rows.size(); ++i)
        EXPECT_EQ(list_.rows[i].cells[0].text, dlg_->Params()[i].MainStr);
}

// ---- the list ----

TEST_F(DialogTest, SetupListHalvesTheWidthAndKeepsOtherExtendedStyleBits) {
    const struct {
        int windowWidth;
        int columnWidth;
    } cases[] = {{400, 198}, {401, 198}, {402, 199}, {3, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.windowWidth);
        list_.windowWidth = c.windowWidth;
        Start();
        EXPECT_EQ(list_.columnWidths, (std::vector<int>{c.columnWidth, c.columnWidth}));
    }
    EXPECT_EQ(list_.columnFormats, (std::vector<int>{3, 0}));
    EXPECT_EQ(list_.extendedStyle, 0x0121u);
    EXPECT_EQ(list_.font, window_.ListFont());
}

TEST_F(DialogTest, SetupListRebuildsFromScratch) {
    Start();
    list_.columnTitles.push_back(u"stray");
    list_.columnWidths.push_back(1);
    list_.columnFormats.push_back(0);
    list_.rows[0].cells[1].text = u"old";
    dlg_->SetupList();
    EXPECT_EQ(list_.columnTitles, (std::vector<std::u16string>{u"", u""}))
        << "Tessmo.ini names no columns, so both titles are empty";
    EXPECT_EQ(list_.rows.size(), 3u);
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"", u"", u""}));
    EXPECT_EQ(list_.lockDepth, 0);
}

// ---- option picking ----

TEST_F(DialogTest, DropDownOpensOnTheCurrentOption) {
    Start();
    const struct {
        std::uint16_t curIdx;
        int initial;
    } cases[] = {{2, 2}, {0, 0}, {kNoOption, 0}, {7, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.curIdx);
        dlg_->Params()[0].CurIdx = c.curIdx;
        Select(0);
        EXPECT_TRUE(list_.rows[0].hasCombo);
        EXPECT_EQ(list_.rows[0].initial, c.initial);
        EXPECT_EQ(list_.rows[0].count, 3);
        EXPECT_EQ(dlg_->OptionArray(), dlg_->Params()[0].SubStrs);
        EXPECT_EQ(list_.lockDepth, 0);
    }
}

TEST_F(DialogTest, NoSelectionLeavesTheOptionsAlone) {
    Start();
    Select(1);
    const auto before = dlg_->OptionArray();
    Select(-1);
    EXPECT_EQ(dlg_->OptionArray(), before);
    EXPECT_EQ(list_.lockDepth, 0);
}

TEST_F(DialogTest, SelectedRowWithoutAnItemGetsAnEmptyDropDown) {
    Start();
    list_.InsertItem(3, u"extra");
    Select(3);
    EXPECT_TRUE(dlg_->OptionArray().empty());
    EXPECT_EQ(list_.rows[3].count, 0);
    EXPECT_EQ(list_.rows[3].initial, 0);
}

TEST_F(DialogTest, PickTurnsTheCellRedAndSyncWritesExactlyThatValue) {
    camera_.values = {{1, 0}, {7, 0}, {0x0102, 0}};
    Start();
    Pick(1, 1);  // Microphone: On
    EXPECT_EQ(list_.rows[1].cells[1].text, u"On");
    EXPECT_EQ(list_.rows[1].cells[1].textColor, kColorRed);
    EXPECT_EQ(list_.rows[1].cells[1].backgroundColor, 0x00FFFFFFu) << "background written back as read";
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 1);
    EXPECT_EQ(dlg_->Params()[1].Dirty, 0) << "a pick sends nothing and marks nothing";

    camera_.requests.clear();
    dlg_->OnSync();
    EXPECT_EQ(camera_.Writes(CMD_WRITE_VALUE), (std::vector<std::string>{"07 00 00 00 01"}));
    EXPECT_EQ(window_.messages, (std::vector<std::u16string>{u"Sync OK!"}));
    EXPECT_EQ(camera_.values[7], 1);
}

TEST_F(DialogTest, PickStoresTheFirstOfEqualTextsAndComparesCase) {
    profile_->WriteFile("Vorlund.ini",
                        "[A]\nSubStr0=Auto\nSubStr1=Manual\nSubStr2=Auto\n[B]\nSubStr0=on\nSubStr1=On\n");
    Start();
    Pick(0, 2);
    EXPECT_EQ(dlg_->Params()[0].CurIdx, 0);
    Pick(1, 1);
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 1);
}

TEST_F(DialogTest, UnmodifiedPickPaintsBlackAndKeepsTheValue) {
    camera_.values = {{1, 2}};
    Start();
    ASSERT_EQ(list_.rows[0].cells[1].text, u"480p");
    Pick(0, 2);  // the same text again: the control does not count it as a change
    EXPECT_EQ(list_.rows[0].cells[1].textColor, kColorBlack);
    EXPECT_EQ(dlg_->Params()[0].CurIdx, 2);
}

TEST_F(DialogTest, NegativeSubItemIsIgnoredAndUnknownRowOnlyPaints) {
    Start();
    EXPECT_EQ(dlg_->OnComboSelection(0, -1), 0);
    EXPECT_EQ(list_.rows[0].cells[1].textColor, 0u);
    list_.InsertItem(3, u"extra");
    list_.rows[3].cells[1].modified = true;
    EXPECT_EQ(dlg_->OnComboSelection(3, 1), 0);
    EXPECT_EQ(list_.rows[3].cells[1].textColor, kColorRed);
}

// ---- arrival and removal ----

std::vector<unsigned char> Broadcast(std::uint32_t deviceType, const Guid& classGuid, const std::u16string& name,
                                     std::uint32_t sizeOverride = 0) {
    std::vector<unsigned char> bytes(kBroadcastNameOffset + 2 * (name.size() + 1), 0);
    const std::uint32_t size = sizeOverride ? sizeOverride : static_cast<std::uint32_t>(bytes.size());
    std::memcpy(bytes.data(), &size, 4);
    std::memcpy(bytes.data() + 4, &deviceType, 4);
    std::memcpy(bytes.data() + 12, &classGuid.Data1, 4);
    std::memcpy(bytes.data() + 16, &classGuid.Data2, 2);
    std::memcpy(bytes.data() + 18, &classGuid.Data3, 2);
    std::memcpy(bytes.data() + 20, classGuid.Data4.data(), 8);
    std::memcpy(bytes.data() + kBroadcastNameOffset, name.data(), 2 * name.size());
    return bytes;
}

constexpr char16_t kCameraInterface[] =
    u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#6&2b6a6b0&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

TEST(CameraBroadcast, RecognitionRule) {
    const Guid otherClass = {0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
    const std::u16string camera = kCameraInterface;
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
        bool camera;
    } cases[] = {
        {"camera interface 00", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, camera), true},
        {"identity exactly 31 characters", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, camera.substr(0, 31)), true},
        {"lower case", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, u"\\\\?\\usb#vid_04fc&pid_6333&mi_00#x"), false},
        {"interface 02", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, u"\\\\?\\USB#VID_04FC&PID_6333&MI_02#x"), false},
        {"other product", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, u"\\\\?\\USB#VID_04FC&PID_6334&MI_00#x"), false},
        {"identity at another position", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, u"\\\\?\\\\USB#VID_04FC&PID_6333&MI_00"), false},
        {"name one character short", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, camera.substr(0, 30)), false},
        {"other interface class", Broadcast(5, otherClass, camera), false},
        {"volume broadcast", Broadcast(2, KSCATEGORY_CAPTURE_VALUE, camera), false},
        // The sender says the broadcast ends before the identity does: what lies
        // beyond dbch_size is not ours to read, even if it would match.
        {"size ends inside the name", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, camera, kBroadcastNameOffset + 2 * 30), false},
        {"size below the header", Broadcast(5, KSCATEGORY_CAPTURE_VALUE, camera, 8), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsCameraBroadcast(c.bytes.data()), c.camera) << c.name;
    }
    EXPECT_FALSE(IsCameraBroadcast(nullptr));
}

TEST_F(DialogTest, BroadcastWithoutDataReturnsTrueWithoutDefaultProcessing) {
    Start();
    EXPECT_EQ(dlg_->OnDeviceChange(0x0007, nullptr), 1);
    EXPECT_EQ(window_.defaultCalls, 0);
}

TEST_F(DialogTest, OnlyArrivalAndRemovalOfTheCameraAct) {
    camera_.present = false;
    Start();
    camera_.present = true;
    const auto other = Broadcast(5, KSCATEGORY_CAPTURE_VALUE, u"\\\\?\\usb#vid_04fc&pid_6333&mi_00#x");
    const auto cam = Broadcast(5, KSCATEGORY_CAPTURE_VALUE, kCameraInterface);
    EXPECT_EQ(dlg_->OnDeviceChange(DBT_DEVICEARRIVAL_VALUE, other.data()), window_.defaultResult);
    EXPECT_EQ(dlg_->OnDeviceChange(DBT_DEVICEQUERYREMOVE_VALUE, cam.data()), window_.defaultResult);
    EXPECT_EQ(dlg_->OnDeviceChange(DBT_DEVICEREMOVEPENDING_VALUE, cam.data()), window_.defaultResult);
    EXPECT_EQ(window_.defaultCalls, 3);
    EXPECT_FALSE(window_.syncEnabled);
    EXPECT_TRUE(AllRowsEnabled(false));
    EXPECT_TRUE(camera_.requests.empty());
}

TEST_F(DialogTest, RemovalForgetsPicksAndArrivalRestoresFromTheCamera) {
    camera_.values = {{1, 1}, {7, 1}, {0x0102, 0}};
    Start();
    Pick(0, 2);
    ASSERT_EQ(dlg_->Params()[0].CurIdx, 2);
    const auto cam = Broadcast(5, KSCATEGORY_CAPTURE_VALUE, kCameraInterface);

    camera_.present = false;
    EXPECT_EQ(dlg_->OnDeviceChange(DBT_DEVICEREMOVECOMPLETE_VALUE, cam.data()), window_.defaultResult);
    EXPECT_FALSE(window_.syncEnabled);
    ASSERT_EQ(list_.rows.size(), 3u);
    EXPECT_EQ(list_.rows[0].cells[0].text, u"Resolution");
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"", u"", u""}));
    EXPECT_TRUE(AllRowsEnabled(false)) << "rebuilt rows stay closed until the camera returns";
    EXPECT_EQ(dlg_->Params()[0].CurIdx, kNoOption) << "the unsynced pick is gone";
    EXPECT_FALSE(list_.UserPicks(0, 1));

    camera_.present = true;
    camera_.requests.clear();
    dlg_->OnDeviceChange(DBT_DEVICEARRIVAL_VALUE, cam.data());
    EXPECT_TRUE(window_.syncEnabled);
    EXPECT_TRUE(AllRowsEnabled(true));
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"720p", u"On", u"Auto"}));
    EXPECT_TRUE(camera_.Writes(CMD_WRITE_VALUE).empty());
    EXPECT_TRUE(window_.messages.empty());

    dlg_->OnDeviceChange(DBT_DEVICEARRIVAL_VALUE, cam.data());
    EXPECT_EQ(camera_.Writes(CMD_SET_CLOCK).size(), 4u) << "a second arrival runs a second pass";
}

TEST_F(DialogTest, RemovalWithTheDefinitionFileGoneKeepsTheCatalogue) {
    Start();
    Pick(1, 1);
    profile_->RemoveFile("Vorlund.ini");
    const auto cam = Broadcast(5, KSCATEGORY_CAPTURE_VALUE, kCameraInterface);
    dlg_->OnDeviceChange(DBT_DEVICEREMOVECOMPLETE_VALUE, cam.data());
    ASSERT_EQ(dlg_->Params().size(), 3u);
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 1);
    EXPECT_EQ(list_.rows.size(), 3u);
    EXPECT_EQ(list_.rows[1].cells[1].text, u"");
}

TEST_F(DialogTest, ExitEndsTheProcessWithStatusZero) {
    Start();
    try {
        dlg_->OnExit();
        FAIL() << "OnExit returned";
    } catch (const FakeDialogWindow::ExitRequested& exit) {
        EXPECT_EQ(exit.status, 0);
    }
    EXPECT_TRUE(camera_.Writes(CMD_WRITE_VALUE).empty());
}

// ---- small helpers ----

TEST(FindOptionTest, ExactWholeTextFirstMatch) {
    const std::vector<std::u16string> options = {u"Auto", u"On", u"on", u"Auto"};
    EXPECT_EQ(FindOption(options, u"Auto"), 0);
    EXPECT_EQ(FindOption(options, u"on"), 2);
    EXPECT_EQ(FindOption(options, u"Aut"), kNoOption);
    EXPECT_EQ(FindOption({}, u""), kNoOption);
}

TEST(MinimisedIcon, CentredWithDivisionTowardZero) {
    const struct {
        int client, x;
    } cases[] = {{36, 2}, {37, 3}, {0, -15}, {32, 0}};
    for (const auto& c : cases) {
        const IconOrigin o = MinimisedIconOrigin(c.client, c.client, 32, 32);
        EXPECT_EQ(o.x, c.x) << c.client;
        EXPECT_EQ(o.y, c.x) << c.client;
    }
}

}  // namespace
}  // namespace tessmo
