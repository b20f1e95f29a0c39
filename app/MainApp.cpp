#include "app/MainApp.h"

#include "app/MainDialog.h"

CMainApp theApp;

BOOL CMainApp::InitInstance() {
    // The constructor creates the window, so the whole of its initialisation runs inside this step.
    auto* dialog = new CMainDialog();
    if (dialog->m_hWnd == nullptr) {
        // The template could not be made into a window: nothing to run.
        delete dialog;
        return FALSE;
    }
    SetMainWnd(dialog);
    return TRUE;
}
