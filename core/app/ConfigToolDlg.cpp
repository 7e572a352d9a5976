#include "app/ConfigToolDlg.h"

#include "config/Catalogue.h"
#include "sync/SyncPass.h"

namespace tessmo {
namespace {

constexpr int kValueColumn = 1;
constexpr int kSyncButtonShift = 90;  // pixels, when there is no banner
constexpr int kExitButtonShift = 10;
constexpr int kBoldWeight = 700;
constexpr int kNormalWeight = 400;

// Red says "not yet in the camera": the option shown differs from what the camera was
// last known to hold.
ColorRef ValueColor(const ParamItem& item) {
    return item.CurIdx != item.CameraIdx ? kColorRed : kColorBlack;
}

// Keeps the cell's text and background, changes only its text colour.
void SetTextColor(CellList& list, int row, ColorRef color) {
    ColorRef text = 0;
    ColorRef background = 0;
    list.GetItemColors(row, kValueColumn, text, background);
    if (text != color)
        list.SetItemText(row, kValueColumn, list.GetItemText(row, kValueColumn), color, background);
}

// The sync pass sees the dialog through this: the list's drawing lock and value
// cells, the window's message box and the local clock.
class DialogSyncView final : public SyncView {
public:
    DialogSyncView(DialogWindow& window, CellList& list) : m_Window(window), m_List(list) {}
    void SuspendListDrawing() override { m_List.LockUpdate(); }
    void ResumeListDrawing() override { m_List.UnlockUpdate(); }
    void SetValueCell(int row, const std::u16string& text) override {
        m_List.SetItemText(row, kValueColumn, text);
    }
    void MarkValueCell(int row, bool differsFromCamera) override {
        SetTextColor(m_List, row, differsFromCamera ? kColorRed : kColorBlack);
    }
    void ShowMessage(const std::u16string& text) override { m_Window.ShowMessage(text); }
    LocalTime GetLocalTime() override { return m_Window.GetLocalTime(); }

private:
    DialogWindow& m_Window;
    CellList& m_List;
};

bool HasItem(const ParamList& list, int row) {
    return row >= 0 && static_cast<std::size_t>(row) < list.size();
}

}  // namespace

std::uint16_t FindOption(const std::vector<std::u16string>& options, const std::u16string& text) {
    for (std::size_t i = 0; i < options.size() && i < kNoOption; ++i) {
        if (options[i] == text) return static_cast<std::uint16_t>(i);
    }
    return kNoOption;
}

CConfigToolDlg::CConfigToolDlg(Ports ports) : m_Ports(ports) {}

int CConfigToolDlg::OnInitDialog() {
    DialogWindow& window = m_Ports.window;
    window.SetIcons();
    LoadSettings(m_Ports.profile, kSettingsFile, m_Settings,
                 [&window](const std::u16string& title) { window.SetTitle(title); });
    LoadParamList(m_Ports.profile, kDefinitionFile, m_ParamList);

    m_ListFont = window.CreateListFont({kListFontFace, m_Settings.App_Font_Size, kListFontWeight});
    SetupList();
    window.SetButtonFont(DialogButton::Sync, m_ListFont);
    window.SetButtonFont(DialogButton::Exit, m_ListFont);

    if (!m_Settings.Custom_String.empty()) {
        m_CustomFont =
            window.CreateCustomFont({m_Settings.Custom_Font_Name, m_Settings.Custom_Font_Size,
                                     m_Settings.Custom_Font_Bold != 0 ? kBoldWeight : kNormalWeight});
        window.SetCustomText(m_Settings.Custom_String);
        window.SetCustomTextFont(m_CustomFont);
    } else {
        window.HideCustomText();
        window.ShiftButtonLeft(DialogButton::Sync, kSyncButtonShift);
        window.ShiftButtonLeft(DialogButton::Exit, kExitButtonShift);
    }

    if (IsDevicePresent(m_Ports.channels) != 0) {
        window.EnableSyncButton(true);
        SyncWithCamera();
    } else {
        window.EnableSyncButton(false);
        EnableAllRows(false);
    }
    m_Ports.trace.Write("Dialog Init Done\n");
    RegisterCameraNotification();
    return 1;
}

void CConfigToolDlg::OnSync() {
    SyncWithCamera();
}

void CConfigToolDlg::OnExit() {
    m_Ports.window.ExitProcess(0);
}

void CConfigToolDlg::SyncWithCamera() {
    DialogSyncView view(m_Ports.window, m_Ports.list);
    tessmo::SyncWithCamera(m_ParamList, m_Ports.channels, view, m_Ports.trace);
    // The pass may have adopted the value the selected row shows: its drop-down must
    // open on that, not on what it offered before.
    PrepareSelectedDropDown();
}

void CConfigToolDlg::SetupList() {
    CellList& list = m_Ports.list;
    list.SetFont(m_ListFont);
    list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_GRIDLINES_VALUE | LVS_EX_FULLROWSELECT_VALUE);
    list.LockUpdate();
    const int columns = list.GetColumnCount();
    for (int i = 0; i < columns; ++i) list.DeleteColumn(0);
    // Border included; the 4 pixels keep the two columns inside the frame.
    const int width = (list.GetWindowWidth() - 4) / 2;
    list.InsertColumn(0, LVCFMT_JUSTIFYMASK_VALUE, width, m_Settings.Col_Name, 0);
    list.InsertColumn(1, LVCFMT_LEFT_VALUE, width, m_Settings.Col_Value, kValueColumn);
    list.DeleteAllItems();
    for (std::size_t i = 0; i < m_ParamList.size(); ++i) {
        list.InsertItem(static_cast<int>(i), m_ParamList[i].MainStr);
    }
    list.UnlockUpdate();
}

void CConfigToolDlg::EnableAllRows(bool enable) {
    CellList& list = m_Ports.list;
    const int rows = list.GetItemCount();
    for (int row = 0; row < rows; ++row) list.SetEnabled(row, enable);
}

void CConfigToolDlg::OnItemChangedList() {
    PrepareSelectedDropDown();
}

void CConfigToolDlg::PrepareSelectedDropDown() {
    CellList& list = m_Ports.list;
    list.LockUpdate();
    const int sel = list.GetCurSel();
    if (sel != -1) PrepareDropDown(sel);
    list.UnlockUpdate();
}

// The drop-down opens on the option the cell shows (CurIdx); with none, on the first.
void CConfigToolDlg::PrepareDropDown(int row) {
    m_OptionArray.clear();
    int initial = 0;
    if (HasItem(m_ParamList, row)) {
        const ParamItem& item = m_ParamList[static_cast<std::size_t>(row)];
        m_OptionArray = item.SubStrs;
        // An unset CurIdx (0xFFFF) names no option, even in a list that long.
        if (item.CurIdx != kNoOption && item.CurIdx < item.SubStrs.size()) initial = item.CurIdx;
    }
    const int count = static_cast<int>(m_OptionArray.size());
    m_Ports.list.SetComboBox(row, kValueColumn, true, m_OptionArray, count, initial, false);
}

std::intptr_t CConfigToolDlg::OnComboSelection(std::uintptr_t rowParam, std::intptr_t subItemParam) {
    // Both arrive as 32-bit ints from the control.
    const auto row = static_cast<int>(static_cast<std::int32_t>(rowParam));
    const auto subItem = static_cast<int>(static_cast<std::int32_t>(subItemParam));
    if (subItem < 0) return 0;
    CellList& list = m_Ports.list;
    const std::u16string text = list.GetItemText(row, subItem);
    ColorRef textColor = 0;
    ColorRef backgroundColor = 0;
    list.GetItemColors(row, subItem, textColor, backgroundColor);
    const bool modified = list.GetModified(row, subItem) != 0;
    ColorRef newColor = modified ? kColorRed : kColorBlack;
    if (HasItem(m_ParamList, row)) {
        ParamItem& item = m_ParamList[static_cast<std::size_t>(row)];
        if (modified) item.CurIdx = FindOption(item.SubStrs, text);
        newColor = ValueColor(item);
    }
    list.SetItemText(row, subItem, text, newColor, backgroundColor);
    // The control keeps the drop-down it was given: it must now open on the pick.
    if (HasItem(m_ParamList, row) && list.GetCurSel() == row) PrepareSelectedDropDown();
    return 0;
}

CameraChange CConfigToolDlg::OnDeviceChange(const DeviceEvent& event) {
    if (!IsCameraInterface(event)) return CameraChange::None;
    if (event.kind == DeviceEventKind::Arrival) {
        m_Ports.window.EnableSyncButton(true);
        EnableAllRows(true);
        SyncWithCamera();
        return CameraChange::Arrived;
    }
    if (event.kind == DeviceEventKind::Removal) {
        m_Ports.window.EnableSyncButton(false);
        EnableAllRows(false);
        LoadParamList(m_Ports.profile, kDefinitionFile, m_ParamList);
        SetupList();
        // The rebuilt rows start enabled; keep them closed to picks until the
        // camera returns, as after a start without the camera.
        EnableAllRows(false);
        return CameraChange::Removed;
    }
    return CameraChange::None;
}

void CConfigToolDlg::RegisterCameraNotification() {
    m_Ports.window.RegisterDeviceInterfaceNotification(KSCATEGORY_CAPTURE_VALUE);
}

bool IsCameraInterface(const DeviceEvent& event) {
    if (!(event.interfaceClass == KSCATEGORY_CAPTURE_VALUE)) return false;
    const std::u16string_view prefix(CAMERA_INTERFACE_PREFIX);
    const std::u16string_view name(event.interfaceName);
    return name.size() >= CAMERA_INTERFACE_OFFSET + prefix.size() &&
           name.substr(CAMERA_INTERFACE_OFFSET, prefix.size()) == prefix;
}

}  // namespace tessmo
