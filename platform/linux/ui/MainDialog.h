#pragma once
// The main window on a QDialog laid out like the Windows dialog template: the list
// above, Sync and Exit below, the banner bottom left. It is the dialog logic's window
// port (tessmo::DialogWindow) and owns the list, the fonts and the logic; its slots
// only dispatch to the logic.
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <functional>
#include <memory>

#include "app/ConfigToolDlg.h"
#include "app/DeviceEvent.h"
#include "app/DialogWindow.h"
#include "ui/CellListCtrl.h"

namespace tessmo::qt {

// Where device-interface events come from once the dialog asks for them: the udev
// monitor in the program, the demo's plug and unplug buttons, tests.
class DeviceEventSource {
public:
    using Sink = std::function<void(const DeviceEvent&)>;
    virtual ~DeviceEventSource() = default;
    // Starts delivering events of `interfaceClass` to `sink`; false when it cannot.
    virtual bool Start(const Guid& interfaceClass, Sink sink) = 0;
};

// The template's font (8 point at 96 dots per inch) has these dialog base units:
// 4 horizontal dialog units are 6 pixels and 8 vertical ones 13 pixels.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;
// A rectangle of the template in dialog units, in pixels, rounded as MulDiv rounds.
QRect DialogUnitsToPixels(int x, int y, int width, int height);

// A font as the logic asks for it: `height` is the cell height (ascent plus descent)
// in pixels, as a positive height asks for on Windows; 0 leaves the size to the toolkit.
QFont MakeFont(const FontRequest& request);

class CMainDialog final : public QDialog, public tessmo::DialogWindow {
    Q_OBJECT
public:
    struct Ports {
        ProfileSource& profile;
        ChannelFactory& channels;
        TraceSink& trace;
        DeviceEventSource* events = nullptr;  // null: the camera's coming and going is not followed
    };

    explicit CMainDialog(Ports ports, QWidget* parent = nullptr);
    ~CMainDialog() override;
    CMainDialog(const CMainDialog&) = delete;
    CMainDialog& operator=(const CMainDialog&) = delete;

    // The start-up (the logic's OnInitDialog), then the modal run; returns QDialog's result.
    int DoModal();
    // The start-up and show(), without a modal loop of its own (tests, benchmarks).
    void Create();

    // Added to every title the settings give, e.g. " (simulated camera)"; shown at once,
    // so that it shows even when the settings give no title.
    void SetTitleSuffix(const QString& suffix);

    CConfigToolDlg& Logic() { return m_Logic; }
    CCellListCtrl& List() { return *m_List; }
    QPushButton& SyncButton() { return *m_Sync; }
    QPushButton& ExitButton() { return *m_Exit; }
    QLabel& Banner() { return *m_CustomText; }

    // --- tessmo::DialogWindow ---
    void SetIcons() override;
    void SetTitle(const std::u16string& title) override;
    FontHandle CreateListFont(const FontRequest& request) override;
    FontHandle CreateCustomFont(const FontRequest& request) override;
    void SetButtonFont(DialogButton button, FontHandle font) override;
    void SetCustomText(const std::u16string& text) override;
    void SetCustomTextFont(FontHandle font) override;
    void HideCustomText() override;
    void ShiftButtonLeft(DialogButton button, int pixels) override;
    void EnableSyncButton(bool enable) override;
    void ShowMessage(const std::u16string& text) override;
    LocalTime GetLocalTime() override;
    void RegisterDeviceInterfaceNotification(const Guid& interfaceClass) override;
    [[noreturn]] void ExitProcess(int status) override;

private:
    QPushButton* Button(DialogButton button) const;

    DeviceEventSource* m_Events;
    QString m_TitleSuffix;
    // Children of the dialog: Qt deletes them with it.
    CCellListCtrl* m_List;
    QPushButton* m_Sync;
    QPushButton* m_Exit;
    QLabel* m_CustomText;
    std::unique_ptr<QFont> m_ListFont;
    std::unique_ptr<QFont> m_CustomFont;
    CConfigToolDlg m_Logic;
};

}  // namespace tessmo::qt
