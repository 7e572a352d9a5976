#include "UiSupport.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>

namespace tessmo::win32::testing {

const char kSettingsNoBanner[] =
    "[Private]\r\n"
    "Title=Tessmo Test Rig\r\n"
    "Col_Name=Name\r\n"
    "Col_Value=Value\r\n"
    "App_Font_Size=18\r\n";

const char kSettingsWithBanner[] =
    "[Private]\r\n"
    "Title=Tessmo Banner Rig\r\n"
    "Col_Name=Name\r\n"
    "Col_Value=Value\r\n"
    "Custom_String=Hello\r\n"
    "Custom_Font_Name=Arial\r\n"
    "Custom_Font_Size=22\r\n"
    "Custom_Font_Bold=1\r\n";

const char kDefinitions[] =
    "[Res]\r\nMainStr=Resolution\r\nParaIdx=1\r\n"
    "SubStr0=1080p\r\nSubStr1=720p\r\nSubStr2=480p\r\n"
    "[Loop]\r\nMainStr=Loop Recording\r\nParaIdx=2\r\n"
    "SubStr0=Off\r\nSubStr1=1 Minute\r\nSubStr2=3 Minutes\r\nSubStr3=5 Minutes\r\n"
    "[Mic]\r\nMainStr=Record Audio\r\nParaIdx=7\r\nSubStr0=Off\r\nSubStr1=On\r\n"
    "[Empty]\r\nMainStr=No Options\r\nParaIdx=9\r\n";

const GUID kCaptureClass = {
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// --- WorkingFolder -------------------------------------------------------------------

WorkingFolder::WorkingFolder() : previous_(std::filesystem::current_path()) {
    static std::atomic<unsigned> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("tessmo-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

WorkingFolder::~WorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void WorkingFolder::Write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out << content;
}

// --- MessageBoxCatcher -----------------------------------------------------------------

namespace {
MessageBoxCatcher* g_catcher = nullptr;

std::u16string WindowText(HWND hwnd) {
    wchar_t buffer[512] = {};
    const int length = GetWindowTextW(hwnd, buffer, 512);
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length));
}
}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
    g_catcher = this;
    hook_ = SetWindowsHookExW(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    if (g_catcher == this) g_catcher = nullptr;
}

std::vector<std::u16string> MessageBoxCatcher::Texts() const {
    std::vector<std::u16string> texts;
    for (const Box& box : boxes_) texts.push_back(box.text);
    return texts;
}

LRESULT CALLBACK MessageBoxCatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_catcher != nullptr) {
        auto box = reinterpret_cast<HWND>(wParam);
        wchar_t className[64] = {};
        GetClassNameW(box, className, 64);
        // A message box is a dialog whose text is the static control 0xFFFF.
        HWND text = GetDlgItem(box, 0xFFFF);
        if (std::wcscmp(className, L"#32770") == 0 && text != nullptr) {
            Box seen;
            seen.text = WindowText(text);
            seen.caption = WindowText(box);
            seen.hasOk = GetDlgItem(box, IDOK) != nullptr;
            seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
            seen.owner = GetWindow(box, GW_OWNER);
            g_catcher->boxes_.push_back(seen);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// --- messages and broadcasts -------------------------------------------------------------

void PumpMessages(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog != nullptr && IsDialogMessageW(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::vector<unsigned char> InterfaceBroadcast(const GUID& interfaceClass, const std::u16string& name) {
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    std::vector<unsigned char> bytes(nameOffset + (name.size() + 1) * 2, 0);
    DEV_BROADCAST_DEVICEINTERFACE_W header{};
    header.dbcc_size = static_cast<DWORD>(bytes.size());
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header.dbcc_classguid = interfaceClass;
    std::memcpy(bytes.data(), &header, nameOffset);
    std::memcpy(bytes.data() + nameOffset, name.data(), name.size() * 2);
    return bytes;
}

std::vector<unsigned char> OtherBroadcast(DWORD deviceType, DWORD size) {
    std::vector<unsigned char> bytes(size, 0);
    DEV_BROADCAST_HDR header{};
    header.dbch_size = size;
    header.dbch_devicetype = deviceType;
    std::memcpy(bytes.data(), &header, std::min<std::size_t>(size, sizeof header));
    return bytes;
}

std::u16string CellText(HWND list, int row, int subItem) {
    wchar_t buffer[256] = {};
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = buffer;
    item.cchTextMax = 256;
    const auto length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                     reinterpret_cast<LPARAM>(&item));
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length));
}

void SelectRow(HWND list, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

RECT ChildRect(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// --- DialogRig ---------------------------------------------------------------------------

DialogRig::DialogRig(const std::string& settings, const std::string& definitions) {
    if (!settings.empty()) folder.Write("Tessmo.ini", settings);
    if (!definitions.empty()) folder.Write("Vorlund.ini", definitions);
    // The camera's stored options: 720p, 3 Minutes, On, and 0 for the item without options.
    camera.SetOption(1, 1);
    camera.SetOption(2, 2);
    camera.SetOption(7, 1);
}

DialogRig::~DialogRig() {
    if (Dialog() != nullptr) DestroyWindow(Dialog());
    PumpMessages();
}

HWND DialogRig::Open() {
    HWND hwnd = dialog.Create(nullptr);
    if (hwnd != nullptr) {
        ShowWindow(hwnd, SW_SHOW);
        PumpMessages(hwnd);
    }
    return hwnd;
}

int DialogRig::LastWrittenValue(std::uint16_t paraIdx) const {
    int value = -1;
    for (const PropertyRequest& request : camera.Requests()) {
        if (request.kind == RequestKind::Set && request.id == 11 && request.result == HR_S_OK &&
            request.bytes.size() == 5 && (request.bytes[0] | (request.bytes[1] << 8)) == paraIdx) {
            value = request.bytes[4];
        }
    }
    return value;
}

std::size_t DialogRig::CountRequests(RequestKind kind, std::uint32_t id) const {
    std::size_t count = 0;
    for (const PropertyRequest& request : camera.Requests()) {
        if (request.kind == kind && request.id == id) ++count;
    }
    return count;
}

bool DialogRig::Pick(int row, int index) {
    HWND list = List();
    SelectRow(list, row);
    if (!dialog.List().OpenDropDown(row, 1)) return false;
    HWND combo = dialog.List().GetDropDownWindow();
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(list, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(combo));
    PumpMessages(Dialog());
    return dialog.List().GetDropDownWindow() == nullptr;
}

}  // namespace tessmo::win32::testing
