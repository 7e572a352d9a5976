#pragma once
// The main dialog's logic: start-up, the parameter list, option picking, the sync
// button and the camera's arrival and removal. It owns the catalogue and the option
// array; the window, the list and the camera are reached through ports, so the same
// logic runs in the Windows program, the Linux port and the tests.
#include <cstdint>
#include <string>
#include <vector>

#include "app/CellList.h"
#include "app/DeviceEvent.h"
#include "app/DialogWindow.h"
#include "common/Trace.h"
#include "config/ParamItem.h"
#include "config/ProfileSource.h"
#include "config/Settings.h"
#include "device/DeviceChannel.h"

namespace tessmo {

// The option whose text equals `text` exactly (UTF-16 code units); kNoOption if none.
std::uint16_t FindOption(const std::vector<std::u16string>& options, const std::u16string& text);

// What a device event did.
enum class CameraChange { None, Arrived, Removed };

class CConfigToolDlg {
public:
    struct Ports {
        DialogWindow& window;
        CellList& list;
        ProfileSource& profile;
        ChannelFactory& channels;
        TraceSink& trace;
    };

    explicit CConfigToolDlg(Ports ports);

    // The start-up, after the window exists and the list is attached. Returns 1.
    int OnInitDialog();
    // The Sync button.
    void OnSync();
    // The Exit button: ends the process with status 0.
    void OnExit();
    // Any change of the list's selection or focus; prepares the selected row's drop-down.
    void OnItemChangedList();
    // The list's report of a pick in the drop-down of (row, subItem). Returns 0.
    std::intptr_t OnComboSelection(std::uintptr_t row, std::intptr_t subItem);
    // A device-interface event: acts on the camera's arrival and removal only.
    CameraChange OnDeviceChange(const DeviceEvent& event);

    void SyncWithCamera();
    void SetupList();
    void EnableAllRows(bool enable);
    void RegisterCameraNotification();

    const ParamList& Params() const { return m_ParamList; }
    ParamList& Params() { return m_ParamList; }
    const AppSettings& Settings() const { return m_Settings; }
    const std::vector<std::u16string>& OptionArray() const { return m_OptionArray; }

private:
    void PrepareDropDown(int row);
    void PrepareSelectedDropDown();

    // Members follow the dialog framework's m_ style; the catalogue is m_ParamList
    // because a member named ParamList would hide the type of the same name.
    Ports m_Ports;
    AppSettings m_Settings;
    ParamList m_ParamList;
    std::vector<std::u16string> m_OptionArray;
    FontHandle m_ListFont = nullptr;
    FontHandle m_CustomFont = nullptr;
};

}  // namespace tessmo
