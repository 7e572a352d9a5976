#pragma once
// The main dialog's logic: start-up, the parameter list, option picking, the sync
// button and the camera's arrival and removal. It owns the catalogue and the option
// array; the window, the list and the camera are reached through ports, so the same
// logic runs in the Windows program, the Linux port and the tests.
#include <cstdint>
#include <string>
#include <vector>

#include "app/CellList.h"
#include "app/DialogWindow.h"
#include "common/Trace.h"
#include "config/ParamItem.h"
#include "config/ProfileSource.h"
#include "config/Settings.h"
#include "device/CaptureStack.h"
#include "device/DeviceChannel.h"

namespace tessmo {

// Device-interface class of capture devices (KSCATEGORY_CAPTURE).
inline constexpr Guid KSCATEGORY_CAPTURE_VALUE = {
    0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

// The camera's capture interface in a broadcast: from character 4 of dbcc_name, case significant.
inline constexpr char16_t CAMERA_INTERFACE_PREFIX[] = u"USB#VID_04FC&PID_6333&MI_00";
inline constexpr std::size_t CAMERA_INTERFACE_OFFSET = 4;

inline constexpr std::uintptr_t DBT_DEVICEARRIVAL_VALUE = 0x8000;
inline constexpr std::uintptr_t DBT_DEVICEQUERYREMOVE_VALUE = 0x8001;
inline constexpr std::uintptr_t DBT_DEVICEREMOVEPENDING_VALUE = 0x8003;
inline constexpr std::uintptr_t DBT_DEVICEREMOVECOMPLETE_VALUE = 0x8004;
inline constexpr std::uint32_t DBT_DEVTYP_DEVICEINTERFACE_VALUE = 5;

// Byte layout of a broadcast (DEV_BROADCAST_HDR / DEV_BROADCAST_DEVICEINTERFACE_W):
// size, device type, reserved (3 x uint32), then for device interfaces the class GUID
// (16 bytes) and the NUL-terminated UTF-16 name.
inline constexpr std::size_t kBroadcastHeaderBytes = 12;
inline constexpr std::size_t kBroadcastNameOffset = 28;

// True when the broadcast at `data` is a device-interface broadcast of the camera's
// capture interface 00. Reads nothing beyond the broadcast's own dbch_size, and reads
// class and name only of device-interface broadcasts.
bool IsCameraBroadcast(const void* data);

// The option whose text equals `text` exactly (UTF-16 code units); kNoOption if none.
std::uint16_t FindOption(const std::vector<std::u16string>& options, const std::u16string& text);

// Where a minimised window draws its icon: ((client - icon + 1) / 2), truncating toward zero.
struct IconOrigin {
    int x, y;
};
IconOrigin MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

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

    // The start-up, after the window exists and the list is attached. Returns TRUE (1).
    int OnInitDialog();
    // The Sync button.
    void OnSync();
    // The Exit button: ends the process with status 0.
    void OnExit();
    // LVN_ITEMCHANGED from the list; the notification itself is not looked at.
    void OnItemChangedList(std::intptr_t* result);
    // The list's combo-selection message: WPARAM row, LPARAM sub-item. Returns 0.
    std::intptr_t OnComboSelection(std::uintptr_t row, std::intptr_t subItem);
    // WM_DEVICECHANGE: event = WPARAM, data = LPARAM (a broadcast or null).
    std::intptr_t OnDeviceChange(std::uintptr_t event, const void* data);

    void SyncWithCamera();
    void SetupList();
    void EnableAllRows(bool enable);
    void RegisterCameraNotification();

    const ParamList& Params() const { return ParamList_; }
    ParamList& Params() { return ParamList_; }
    const AppSettings& Settings() const { return settings_; }
    const std::vector<std::u16string>& OptionArray() const { return m_OptionArray; }

private:
    Ports ports_;
    AppSettings settings_;
    ParamList ParamList_;
    std::vector<std::u16string> m_OptionArray;
    FontHandle m_ListFont = nullptr;
    FontHandle m_CustomFont = nullptr;
};

}  // namespace tessmo
