#pragma once
// The application object: writes the first trace line and runs the main dialog
// modally; when the dialog has ended, so has the program.
#include <windows.h>

#include "ui/MainDialog.h"

namespace tessmo::win32 {

class CConfigToolApp {
public:
    CConfigToolApp(HINSTANCE instance, CMainDialog::Ports ports) : m_Instance(instance), m_Ports(ports) {}

    // Always FALSE: there is no message loop to run after the dialog.
    BOOL InitInstance();
    // The dialog while it runs, null otherwise.
    const CMainDialog* MainWindow() const { return m_pMainWnd; }

private:
    HINSTANCE m_Instance;
    CMainDialog::Ports m_Ports;
    CMainDialog* m_pMainWnd = nullptr;
};

}  // namespace tessmo::win32
