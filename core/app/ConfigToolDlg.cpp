#include "app/ConfigToolDlg.h"

#include <cstring>

#include "config/Catalogue.h"
#include "sync/SyncPass.h"

namespace tessmo {
namespace {

constexpr int kValueColumn = 1;
constexpr int kSyncButtonShift = 90;  // pixels, when there is no banner
constexpr int kExitButtonShift = 10;
constexpr int kBoldWeight = 700;
constexpr int kNormalWeight = 400;

std::uint32_t ReadU32(const unsigned char* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The sync pass sees the dialog through this: the list's drawing lock and value
// cells, the window's message box and the local clock.
class DialogSyncView final : public SyncView {
public:
    DialogSyncView(DialogWindow& window, CellList& list) : window_(window), list_(list) {}
    void SuspendListDrawing() override { list_.LockUpdate(); }
    void ResumeListDrawing() override { list_.UnlockUpdate(); }
    void SetValueCell(int row, const std::u16string& text) override {
        list_.SetItemText(row, kValueColumn, text);
    }
    void ShowMessage(const std::u16string& text) override { window_.ShowMessage(text); }
    LocalTime GetLocalTime() override { return window_.GetLocalTime(); }

private:
    DialogWindow& window_;
    CellList& list_;
};

}  // namespace

bool IsCameraBroadcast(const void* data) {
    if (data == nullptr) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    // dbch_size bounds every read below: a short or truncated broadcast never
    // leads us past the memory its sender gave us.
    const std::uint32_t size = ReadU32(bytes);
    if (size < kBroadcastHeaderBytes) return false;
    if (ReadU32(bytes + 4) != DBT_DEVTYP_DEVICEINTERFACE_VALUE) return false;
    if (size < kBroadcastNameOffset) return false;

    Guid classGuid{};
    std::memcpy(&classGuid.Data1, bytes + 12, 4);
    std::memcpy(&classGuid.Data2, bytes + 16, 2);
    std::memcpy(&classGuid.Data3, bytes + 18, 2);
    std::memcpy(classGuid.Data4.data(), bytes + 20, 8);
    if (!(classGuid == KSCATEGORY_CAPTURE_VALUE)) return false;

    const std::size_t nameChars = (size - kBroadcastNameOffset) / 2;
    const std::u16string_view prefix(CAMERA_INTERFACE_PREFIX);
    if (nameChars < CAMERA_INTERFACE_OFFSET + prefix.size()) return false;
    for (std::size_t i = 0; i < CAMERA_INTERFACE_OFFSET + prefix.size(); ++i) {
        char16_t c;
        std::memcpy(&c, bytes + kBroadcastNameOffset + 2 * i, 2);
        if (c == u'\0') return false;  // the name ends before the identity does
        if (i >= CAMERA_INTERFACE_OFFSET && c != prefix[i - CAMERA_INTERFACE_OFFSET]) return false;
    }
    return true;
}

std::uint16_t FindOption(const std::vector<std::u16string>& options, const std::u16string& text) {
    for (std::size_t i = 0; i < options.size() && i < kNoOption; ++i) {
        if (options[i] == text) return static_cast<std::uint16_t>(i);
    }
    return kNoOption;
}

IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

CConfigToolDlg::CConfigToolDlg(Ports ports) : ports_(ports) {}

int CConfigToolDlg::OnInitDialog() {
    DialogWindow& window = ports_.window;
    window.SetIcons();
    LoadSettings(ports_.profile, kSettingsFile, settings_,
                 [&window](const std::u16string& title) { window.SetTitle(title); });
    LoadParamList(ports_.profile, kDefinitionFile, ParamList_);

    m_ListFont = window.CreateListFont({kListFontFace, settings_.App_Font_Size, kListFontWeight});
    SetupList();
    window.SetButtonFont(DialogButton::Sync, m_ListFont);
    window.SetButtonFont(DialogButton::Exit, m_ListFont);

    if (!settings_.Custom_String.empty()) {
        m_CustomFont =
            window.CreateCustomFont({settings_.Custom_Font_Name, settings_.Custom_Font_Size,
                                     settings_.Custom_Font_Bold != 0 ? kBoldWeight : kNormalWeight});
        window.SetCustomText(settings_.Custom_String);
        window.SetCustomTextFont(m_CustomFont);
    } else {
        window.HideCustomText();
        window.ShiftButtonLeft(DialogButton::Sync, kSyncButtonShift);
        window.ShiftButtonLeft(DialogButton::Exit, kExitButtonShift);
    }

    if (IsDevicePresent(ports_.channels) != 0) {
        window.EnableSyncButton(true);
        SyncWithCamera();
    } else {
        window.EnableSyncButton(false);
        EnableAllRows(false);
    }
    ports_.trace.Write("Dialog Init Done\n");
    RegisterCameraNotification();
    return 1;
}

void CConfigToolDlg::OnSync() {
    SyncWithCamera();
}

void CConfigToolDlg::OnExit() {
    ports_.window.ExitProcess(0);
}

void CConfigToolDlg::SyncWithCamera() {
    DialogSyncView view(ports_.window, ports_.list);
    tessmo::SyncWithCamera(ParamList_, ports_.channels, view, ports_.trace);
}

void CConfigToolDlg::SetupList() {
    CellList& list = ports_.list;
    list.SetFont(m_ListFont);
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_GRIDLINES_VALUE | LVS_EX_FULLROWSELECT_VALUE);
    list.LockUpdate();
    const int columns = list.GetColumnCount();
    for (int i = 0; i < columns; ++i) list.DeleteColumn(0);
    // Border included; the 4 pixels keep the two columns inside the frame.
    const int width = (list.GetWindowWidth() - 4) / 2;
    list.InsertColumn(0, LVCFMT_JUSTIFYMASK_VALUE, width, settings_.Col_Name, 0);
    list.InsertColumn(1, LVCFMT_LEFT_VALUE, width, settings_.Col_Value, kValueColumn);
    list.DeleteAllItems();
    for (std::size_t i = 0; i < ParamList_.size(); ++i) {
        list.InsertItem(static_cast<int>(i), ParamList_[i].MainStr);
    }
    list.UnlockUpdate();
}

void CConfigToolDlg::EnableAllRows(bool enable) {
    CellList& list = ports_.list;
    const int rows = list.GetItemCount();
    for (int row = 0; row < rows; ++row) list.SetEnabled(row, enable);
}

void CConfigToolDlg::OnItemChangedList(std::intptr_t* result) {
    if (result != nullptr) *result = 0;
    CellList& list = ports_.list;
    list.LockUpdate();
    const int sel = list.GetCurSel();
    if (sel != -1) {
        m_OptionArray.clear();
        int count = 0;
        int initial = 0;
        if (sel >= 0 && static_cast<std::size_t>(sel) < ParamList_.size()) {
            const ParamItem& item = ParamList_[static_cast<std::size_t>(sel)];
            int found = -1;
            for (std::size_t i = 0; i < item.SubStrs.size(); ++i) {
                // An unset CurIdx (0xFFFF) names no option, even in a list that long.
                if (item.CurIdx != kNoOption && i == item.CurIdx) found = static_cast<int>(i);
                m_OptionArray.push_back(item.SubStrs[i]);
            }
            initial = found == -1 ? 0 : found;
            count = static_cast<int>(item.SubStrs.size());
        }
        list.SetComboBox(sel, kValueColumn, true, &m_OptionArray, count, initial, false);
    }
    list.UnlockUpdate();
}

std::intptr_t CConfigToolDlg::OnComboSelection(std::uintptr_t rowParam, std::intptr_t subItemParam) {
    // Both arrive as 32-bit ints from the control.
    const auto row = static_cast<int>(static_cast<std::int32_t>(rowParam));
    const auto subItem = static_cast<int>(static_cast<std::int32_t>(subItemParam));
    if (subItem < 0) return 0;
    CellList& list = ports_.list;
    const std::u16string text = list.GetItemText(row, subItem);
    ColorRef textColor = 0;
    ColorRef backgroundColor = 0;
    list.GetItemColors(row, subItem, textColor, backgroundColor);
    ColorRef newColor = kColorBlack;
    if (list.GetModified(row, subItem) != 0) {
        if (row >= 0 && static_cast<std::size_t>(row) < ParamList_.size()) {
            ParamItem& item = ParamList_[static_cast<std::size_t>(row)];
            item.CurIdx = FindOption(item.SubStrs, text);
        }
        newColor = kColorRed;
    }
    list.SetItemText(row, subItem, text, newColor, backgroundColor);
    return 0;
}

std::intptr_t CConfigToolDlg::OnDeviceChange(std::uintptr_t event, const void* data) {
    if (data == nullptr) return 1;
    if (IsCameraBroadcast(data)) {
        if (event == DBT_DEVICEARRIVAL_VALUE) {
            ports_.window.EnableSyncButton(true);
            EnableAllRows(true);
            SyncWithCamera();
        } else if (event == DBT_DEVICEREMOVECOMPLETE_VALUE) {
            ports_.window.EnableSyncButton(false);
            EnableAllRows(false);
            LoadParamList(ports_.profile, kDefinitionFile, ParamList_);
            SetupList();
            // The rebuilt rows start enabled; keep them closed to picks until the
            // camera returns, as after a start without the camera.
            EnableAllRows(false);
        }
    }
    return ports_.window.DefaultProcessing();
}

void CConfigToolDlg::RegisterCameraNotification() {
    ports_.window.RegisterDeviceInterfaceNotification(KSCATEGORY_CAPTURE_VALUE);
}

}  // namespace tessmo
