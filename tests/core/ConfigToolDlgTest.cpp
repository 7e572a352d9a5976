// The dialog's logic against fake window and list ports, real INI files and the
// simulated camera: start-up, the list, option picking, arrival and removal.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/ConfigToolDlg.h"
#include "common/Text.h"
#include "config/PortableProfileSource.h"
#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "support/AppFakes.h"
#include "support/DeviceFakes.h"
#include "support/TempFolder.h"

namespace tessmo {
namespace {

namespace fs = std::filesystem;
using testing::FakeCellList;
using testing::FakeDialogWindow;

constexpr char kThreeParams[] =
    "[Res]\nMainStr=Resolution\nParaIdx=1\nSubStr0=1080p\nSubStr1=720p\nSubStr2=480p\n"
    "[Mic]\nMainStr=Microphone\nParaIdx=7\nSubStr0=Off\nSubStr1=On\n"
    "[Mode]\nMainStr=Mode\nParaIdx=258\nSubStr0=Auto\nSubStr1=Manual\nSubStr2=Auto\n";

constexpr char16_t kCameraInterface[] =
    u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#6&2b6a6b0&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

DeviceEvent CameraEvent(DeviceEventKind kind, std::u16string name = kCameraInterface) {
    return {kind, KSCATEGORY_CAPTURE_VALUE, std::move(name)};
}

// The program reads ".\Tessmo.ini" and ".\Vorlund.ini": each test runs in a folder of its own.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = fs::current_path();
        fs::current_path(folder_.File(""));
        folder_.Write("Tessmo.ini",
                      "[Private]\nTitle=Cam Setup\nCol_Name=Name\nCol_Value=Value\nCustom_String=Hi\n"
                      "Custom_Font_Bold=-1\n");
        folder_.Write("Vorlund.ini", kThreeParams);
    }
    void TearDown() override { fs::current_path(previous_); }

    CConfigToolDlg& Start() {
        dlg_ = std::make_unique<CConfigToolDlg>(
            CConfigToolDlg::Ports{window_, list_, profile_, channels_, trace_});
        EXPECT_EQ(dlg_->OnInitDialog(), 1);
        return *dlg_;
    }
    // Bytes of every SET with this id, as "07 00 00 00 01".
    std::vector<std::string> Sets(std::uint32_t id) const {
        std::vector<std::string> out;
        const std::string prefix = "SET " + std::to_string(id) + " ";
        for (const std::string& line : devicetest::Wire(camera_))
            if (line.rfind(prefix, 0) == 0) out.push_back(line.substr(prefix.size()));
        return out;
    }
    std::vector<std::u16string> ValueCells() const {
        std::vector<std::u16string> out;
        for (const auto& r : list_.rows) out.push_back(r.cells[1].text);
        return out;
    }
    // "R" for a red value cell, "." otherwise, one letter per row.
    std::string RedCells() const {
        std::string out;
        for (const auto& r : list_.rows) out += r.cells[1].textColor == kColorRed ? 'R' : '.';
        return out;
    }
    bool AllRows(bool enabled) const {
        return std::all_of(list_.rows.begin(), list_.rows.end(),
                           [enabled](const auto& r) { return r.enabled == enabled; });
    }
    void Select(int row) {
        list_.selected = row;
        dlg_->OnItemChangedList();
        EXPECT_EQ(list_.lockDepth, 0);
    }
    void Pick(int row, int index) {
        Select(row);
        ASSERT_TRUE(list_.UserPicks(row, index));
        EXPECT_EQ(dlg_->OnComboSelection(static_cast<std::uintptr_t>(row), 1), 0);
    }

    configtest::TempFolder folder_;
    fs::path previous_;
    FakeDialogWindow window_;
    FakeCellList list_;
    PortableProfileSource profile_;
    SimulatedCamera camera_;
    TraceCollector trace_;
    CaptureChannelFactory channels_{camera_, trace_};
    std::unique_ptr<CConfigToolDlg> dlg_;
};

TEST_F(DialogTest, StartWithCameraRunsStepsInOrderAndAdoptsCameraValues) {
    camera_.SetOption(1, 1), camera_.SetOption(258, 2);
    Start();
    EXPECT_EQ(window_.calls,
              (std::vector<std::string>{"SetIcons", "SetTitle Cam Setup", "CreateListFont Arial/16/400",
                                        "FontSync", "FontExit", "CreateCustomFont /22/700", "SetCustomText",
                                        "SetCustomTextFont", "EnableSync", "Register"}));
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"720p", u"Off", u"Auto"}));
    EXPECT_EQ(RedCells(), "...");
    EXPECT_TRUE(AllRows(true));
    EXPECT_EQ(Sets(CMD_SET_CLOCK),
              (std::vector<std::string>{"00 00 00 00 EA 07 0C 00 06 00", "00 00 01 00 0E 00 05 00 09 00"}));
    EXPECT_EQ(trace_.Lines().back(), "Dialog Init Done") << "registration comes after the last trace line";
    EXPECT_EQ(window_.registrations, std::vector<Guid>{KSCATEGORY_CAPTURE_VALUE});
    EXPECT_TRUE(devicetest::AllGivenBack(camera_));
}

TEST_F(DialogTest, StartWithoutCameraDisablesSyncAndEveryRowUntilTheCameraArrives) {
    camera_.SetCameraPresent(false);
    Start();
    EXPECT_EQ(list_.rows.size(), 3u);
    EXPECT_EQ(window_.calls.back(), "Register");
    camera_.SetCameraPresent(true);
    EXPECT_EQ(dlg_->OnDeviceChange(CameraEvent(DeviceEventKind::Other)), CameraChange::None);
    EXPECT_FALSE(window_.syncEnabled);
    EXPECT_TRUE(AllRows(false));
    EXPECT_TRUE(camera_.Requests().empty());
    EXPECT_TRUE(window_.messages.empty());
}

// What the settings file holds is the settings test's; here only how the window uses it.
TEST_F(DialogTest, BannerOrShiftedButtons) {
    fs::remove("Tessmo.ini");
    Start();
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"SetIcons", "CreateListFont Arial/16/400", "FontSync",
                                                       "FontExit", "HideCustomText", "ShiftSync 90",
                                                       "ShiftExit 10", "EnableSync", "Register"}))
        << "no settings file: no title, no banner, buttons shifted";

    window_ = FakeDialogWindow();
    folder_.Write("Tessmo.ini",
                  "[Private]\nCustom_String=Hi\nCustom_Font_Name=Verdana\nCustom_Font_Size=30\n"
                  "Custom_Font_Bold=0\nApp_Font_Size=20\n");
    Start();
    EXPECT_EQ(window_.calls.at(2), "CreateListFont Arial/20/400");
    EXPECT_EQ(window_.calls.at(5), "CreateCustomFont Verdana/30/400");
}

TEST_F(DialogTest, SetupListBuildsTwoColumnsAndOneRowPerItem) {
    list_.windowWidth = 401;
    Start();
    EXPECT_EQ(list_.columns, (std::vector<std::string>{"Name 198 3", "Value 198 0"}));
    EXPECT_EQ(list_.extendedStyle, 0x0121u) << "gridlines and full-row select added, other bits kept";
    EXPECT_EQ(list_.font, window_.ListFont());

    list_.InsertColumn(2, 0, 1, u"stray", 2);
    list_.rows[0].cells[1].text = u"old";
    dlg_->SetupList();
    EXPECT_EQ(list_.columns.size(), 2u);
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"", u"", u""}));
}

TEST_F(DialogTest, DropDownOffersTheRowsOptionsOpenOnTheCurrentOne) {
    Start();
    dlg_->Params()[0].CurIdx = 2;
    Select(0);
    EXPECT_EQ(list_.rows[0].initial, 2);
    EXPECT_EQ(list_.rows[0].count, 3);
    EXPECT_EQ(list_.rows[0].options, dlg_->Params()[0].SubStrs);
    dlg_->Params()[0].CurIdx = kNoOption;
    Select(0);
    EXPECT_EQ(list_.rows[0].initial, 0);
    Select(-1);
    EXPECT_EQ(dlg_->OptionArray(), dlg_->Params()[0].SubStrs) << "no selection leaves the options alone";

    Pick(0, 2);
    EXPECT_EQ(list_.rows[0].initial, 2) << "after a pick, without a new selection";

    list_.InsertItem(3, u"row without an item");
    Select(3);
    EXPECT_EQ(list_.rows[3].count, 0) << "a row beyond the catalogue offers nothing";
}

// A value cell is red exactly while its option is not what the camera was last known to hold.
TEST_F(DialogTest, RedMeansNotYetInTheCamera) {
    Start();
    Pick(1, 1);  // Microphone: On
    EXPECT_EQ(RedCells(), ".R.");
    EXPECT_EQ(list_.rows[1].cells[1].backgroundColor, 0x00FFFFFFu) << "background written back as read";
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 1);
    EXPECT_TRUE(Sets(CMD_WRITE_VALUE).empty()) << "a pick sends nothing by itself";

    dlg_->OnSync();
    EXPECT_EQ(Sets(CMD_WRITE_VALUE), (std::vector<std::string>{"07 00 00 00 01"}));
    EXPECT_EQ(window_.messages, (std::vector<std::u16string>{u"Sync OK!"}));
    EXPECT_EQ(RedCells(), "...") << "written, so in the camera";

    Pick(1, 0);
    Pick(1, 1);
    EXPECT_EQ(RedCells(), "...") << "the camera's own value again";

    Pick(0, 1);
    camera_.ResetCounters();
    // Three reads of two requests each, two clock writes, then the write.
    camera_.FailPropertyRequest(9, HR_GEN_FAILURE);
    dlg_->OnSync();
    EXPECT_EQ(camera_.Option(1), 0);
    EXPECT_EQ(RedCells(), "R..") << "a failed write leaves it red";

    dlg_->OnDeviceChange(CameraEvent(DeviceEventKind::Removal));
    EXPECT_EQ(RedCells(), "...") << "a removal leaves no red behind";
}

TEST_F(DialogTest, PickRules) {
    folder_.Write("Vorlund.ini",
                  "[A]\nSubStr0=Auto\nSubStr1=Manual\nSubStr2=Auto\n[B]\nSubStr0=on\nSubStr1=On\n");
    camera_.SetOption(0xFFFF, 1);
    Start();
    Pick(0, 2);
    EXPECT_EQ(dlg_->Params()[0].CurIdx, 0) << "the first of equal texts wins";
    Pick(1, 0);
    Pick(1, 1);
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 1) << "texts compare with case";

    dlg_->Params()[1].CurIdx = 0;
    list_.rows[1].cells[1] = {u"On", kColorRed, 0x00FFFFFF, false};
    Pick(1, 1);  // the same text again: the control does not count it as a change
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 0) << "an unmodified cell changes no CurIdx";
    list_.rows[1].cells[1].modified = true;  // the fake reads sub-item -1 as the value cell
    dlg_->OnComboSelection(1, -1);
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 0) << "a notification without a sub-item reads no cell";

    list_.InsertItem(2, u"extra");
    list_.rows[2].cells[1].modified = true;
    dlg_->OnComboSelection(2, 1);
    EXPECT_EQ(list_.rows[2].cells[1].textColor, kColorRed) << "a row beyond the catalogue is only painted";
}

TEST(CameraInterface, RecognitionRule) {
    const Guid otherClass = {0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
    const std::u16string camera = kCameraInterface;
    const struct {
        const char* name;
        Guid interfaceClass;
        std::u16string interfaceName;
        bool camera;
    } cases[] = {
        // clang-format off
        {"camera interface 00", KSCATEGORY_CAPTURE_VALUE, camera, true},
        {"identity ends the name", KSCATEGORY_CAPTURE_VALUE, camera.substr(0, 31), true},
        {"lower case", KSCATEGORY_CAPTURE_VALUE, u"\\\\?\\usb#vid_04fc&pid_6333&mi_00#x", false},
        {"interface 02", KSCATEGORY_CAPTURE_VALUE, u"\\\\?\\USB#VID_04FC&PID_6333&MI_02#x", false},
        {"name one character short", KSCATEGORY_CAPTURE_VALUE, camera.substr(0, 30), false},
        {"other interface class", otherClass, camera, false},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsCameraInterface({DeviceEventKind::Arrival, c.interfaceClass, c.interfaceName}), c.camera)
            << c.name;
    }
}

TEST_F(DialogTest, RemovalForgetsPicksAndArrivalRestoresFromTheCamera) {
    camera_.SetOption(1, 1), camera_.SetOption(7, 1);
    Start();
    Pick(0, 2);

    camera_.SetCameraPresent(false);
    EXPECT_EQ(dlg_->OnDeviceChange(CameraEvent(DeviceEventKind::Removal)), CameraChange::Removed);
    EXPECT_FALSE(window_.syncEnabled);
    EXPECT_EQ(list_.rows[0].cells[0].text, u"Resolution");
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"", u"", u""}));
    EXPECT_TRUE(AllRows(false)) << "rebuilt rows stay closed until the camera returns";
    EXPECT_EQ(dlg_->Params()[0].CurIdx, kNoOption) << "the unsynced pick is gone";
    Select(0);

    camera_.SetCameraPresent(true);
    camera_.ClearRequests();
    EXPECT_EQ(dlg_->OnDeviceChange(CameraEvent(DeviceEventKind::Arrival)), CameraChange::Arrived);
    EXPECT_TRUE(window_.syncEnabled);
    EXPECT_TRUE(AllRows(true));
    EXPECT_EQ(ValueCells(), (std::vector<std::u16string>{u"720p", u"On", u"Auto"}));
    EXPECT_EQ(list_.rows[0].initial, 1) << "the selected row's drop-down follows the adopted value";
    EXPECT_TRUE(Sets(CMD_WRITE_VALUE).empty());
    dlg_->OnDeviceChange(CameraEvent(DeviceEventKind::Arrival));
    EXPECT_EQ(Sets(CMD_SET_CLOCK).size(), 4u) << "a second arrival runs a second pass";

    // With the definition file gone, a removal keeps the catalogue, choices included.
    Pick(1, 0);
    fs::remove("Vorlund.ini");
    dlg_->OnDeviceChange(CameraEvent(DeviceEventKind::Removal));
    EXPECT_EQ(dlg_->Params()[1].CurIdx, 0);
    EXPECT_EQ(list_.rows.size(), 3u);
}

TEST_F(DialogTest, ExitEndsTheProcessWithStatusZeroAndWritesNothing) {
    Start();
    Pick(1, 1);
    try {
        dlg_->OnExit();
        ADD_FAILURE() << "OnExit returned";
    } catch (const FakeDialogWindow::ExitRequested& exit) {
        EXPECT_EQ(exit.status, 0);
    }
    EXPECT_TRUE(Sets(CMD_WRITE_VALUE).empty());
}

}  // namespace
}  // namespace tessmo
