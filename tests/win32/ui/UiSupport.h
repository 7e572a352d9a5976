#pragma once
// Helpers for the user-interface tests under Wine: a working folder holding the two
// INI files, a catcher for message boxes, message pumping, broadcasts built byte by
// byte, and the real dialog over the simulated camera.
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/Trace.h"
#include "device/CDeviceChannel.h"
#include "device/SimulatedCamera.h"
#include "profile/Win32ProfileSource.h"
#include "ui/MainDialog.h"

namespace tessmo::win32::testing {

// The settings and definitions used unless a test brings its own.
extern const char kSettingsNoBanner[];
extern const char kSettingsWithBanner[];
extern const char kDefinitions[];

// A fresh folder that is the current directory while the object lives.
class WorkingFolder {
public:
    WorkingFolder();
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;
    void Write(const std::string& name, const std::string& content) const;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// Catches the message boxes this thread opens (WH_CBT), notes their text, caption and
// buttons, and closes each with OK as soon as it is shown.
class MessageBoxCatcher {
public:
    struct Box {
        std::u16string text;
        std::u16string caption;
        bool hasOk = false;
        bool hasCancel = false;
        HWND owner = nullptr;
    };
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;
    const std::vector<Box>& Boxes() const { return boxes_; }
    std::vector<std::u16string> Texts() const;
    void Clear() { boxes_.clear(); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
    std::vector<Box> boxes_;
};

// Dispatches every queued message of this thread (dialog messages through IsDialogMessage).
void PumpMessages(HWND dialog = nullptr);

// A DEV_BROADCAST_DEVICEINTERFACE_W with the given class and name, dbcc_size counting
// the name and its NUL.
std::vector<unsigned char> InterfaceBroadcast(const GUID& interfaceClass, const std::u16string& name);
// A broadcast of another kind (volume, port): only a header of `deviceType`.
std::vector<unsigned char> OtherBroadcast(DWORD deviceType, DWORD size);

inline constexpr char16_t kCameraInterfaceName[] =
    u"\\\\?\\USB#VID_04FC&PID_6333&MI_00#7&2a1f0c3&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";
extern const GUID kCaptureClass;

// The text of a cell, through the list view itself.
std::u16string CellText(HWND list, int row, int subItem);
// Selects `row` the way a click does (LVIS_SELECTED | LVIS_FOCUSED).
void SelectRow(HWND list, int row);
// A control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND control);

// The real dialog, made modeless, over the simulated camera and the system's profile
// functions reading the INI files of a working folder.
struct DialogRig {
    explicit DialogRig(const std::string& settings = kSettingsNoBanner,
                       const std::string& definitions = kDefinitions);
    ~DialogRig();
    // Creates the window (its start-up runs inside) and shows it.
    HWND Open();
    HWND Dialog() const { return dialog.GetSafeHwnd(); }
    HWND List() const { return GetDlgItem(Dialog(), 1000); }
    HWND Control(int id) const { return GetDlgItem(Dialog(), id); }
    // The option byte the camera received in the last SET 11 for `paraIdx`, or -1.
    int LastWrittenValue(std::uint16_t paraIdx) const;
    std::size_t CountRequests(RequestKind kind, std::uint32_t id) const;
    // Opens the value cell's drop-down of `row` and picks entry `index` the way the
    // combo box reports a pick (selection, then CBN_SELENDOK to the list).
    bool Pick(int row, int index);

    WorkingFolder folder;
    SimulatedCamera camera;
    TraceCollector trace;
    CaptureChannelFactory channels{camera, trace};
    Win32ProfileSource profile;
    MessageBoxCatcher boxes;
    CMainDialog dialog{GetModuleHandleW(nullptr), {profile, channels, trace}};
};

}  // namespace tessmo::win32::testing
