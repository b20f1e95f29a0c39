#pragma once
#include "framework/App.h"

// The application object: makes the main window and hands it to the message loop.
class CMainApp : public CWinApp {
public:
    BOOL InitInstance() override;
};
