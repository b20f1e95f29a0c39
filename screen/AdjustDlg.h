#pragma once
// CAdjustDlg: the modal screen adjustment dialog (template 129). Four scroll bars move the screen's text
// plane (X, Y and Z offsets) and tilt it; every scroll message is applied to the screen at once and the
// screen is redrawn before the next message. Nothing is undone when the dialog closes.
#include <windows.h>

#include "framework/Dialog.h"

class CScreenWnd;

class CAdjustDlg : public CDialog {
public:
    explicit CAdjustDlg(CWnd* parent = nullptr);

    // Writes the four bar positions into the screen's view values and redraws the screen at once.
    void ApplyView();

    // The screen whose view values the dialog edits; set by the creator before DoModal. While it is
    // null the bars open at 0 and move, but nothing is applied.
    CScreenWnd* m_pScreen = nullptr;

    CScrollBar m_sbTilt;  // 1014
    CScrollBar m_sbZ;     // 1013
    CScrollBar m_sbY;     // 1012
    CScrollBar m_sbX;     // 1007

    int m_nPosX = 0;
    int m_nPosY = 0;
    int m_nPosZ = 0;
    int m_nPosTilt = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // WM_HSCROLL and WM_VSCROLL: one behaviour for both.
    LRESULT OnScroll(WPARAM wp, LPARAM lp);
};
