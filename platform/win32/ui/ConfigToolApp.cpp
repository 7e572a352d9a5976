#include "ui/ConfigToolApp.h"

namespace tessmo::win32 {

BOOL CConfigToolApp::InitInstance() {
    m_Ports.trace.Write("Init Instance\n");
    {
        CMainDialog dialog(m_Instance, m_Ports);
        m_pMainWnd = &dialog;
        // Whatever the dialog ended with, the program ends after it.
        dialog.DoModal(nullptr);
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

}  // namespace tessmo::win32
