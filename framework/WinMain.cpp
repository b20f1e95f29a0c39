// The program's entry point: kept apart from the rest of the framework so that the unit tests, which
// have their own main, can link the framework.
#include <windows.h>

#include <commctrl.h>

#include "framework/App.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SetQuietErrorMode();
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    CWinApp* app = AfxGetApp();
    if (app == nullptr || !app->InitInstance()) return 0;
    return app->Run();
}
