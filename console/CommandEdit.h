#pragma once
// CCommandEdit: the one-line command entry box. Files dropped on it add their full paths to the line.
#include <windows.h>

#include "framework/Wnd.h"

class CCommandEdit : public CEdit {
protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    LRESULT OnDropFiles(WPARAM drop, LPARAM);
};
