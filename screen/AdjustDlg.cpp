#include "screen/AdjustDlg.h"

#include "res/resource.h"
#include "screen/AdjustMath.h"
#include "screen/ScreenWnd.h"

static_assert(kScrollLineUp == SB_LINEUP && kScrollLineDown == SB_LINEDOWN && kScrollPageUp == SB_PAGEUP &&
              kScrollPageDown == SB_PAGEDOWN && kScrollThumbPosition == SB_THUMBPOSITION &&
              kScrollThumbTrack == SB_THUMBTRACK && kScrollTop == SB_TOP && kScrollBottom == SB_BOTTOM &&
              kScrollEnd == SB_ENDSCROLL);

CAdjustDlg::CAdjustDlg(CWnd* parent) : CDialog(IDD_ADJUST, parent) {}

void CAdjustDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_ADJUST_TILT, m_sbTilt);
    DDX_Control(dx, IDC_ADJUST_Z, m_sbZ);
    DDX_Control(dx, IDC_ADJUST_Y, m_sbY);
    DDX_Control(dx, IDC_ADJUST_X, m_sbX);
    DDX_Scroll(dx, IDC_ADJUST_X, m_nPosX);
    DDX_Scroll(dx, IDC_ADJUST_Y, m_nPosY);
    DDX_Scroll(dx, IDC_ADJUST_Z, m_nPosZ);
    DDX_Scroll(dx, IDC_ADJUST_TILT, m_nPosTilt);
}

bool CAdjustDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CAdjustDlg> kTable[] = {
        OnMessage(WM_HSCROLL, &CAdjustDlg::OnScroll),
        OnMessage(WM_VSCROLL, &CAdjustDlg::OnScroll),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CAdjustDlg::OnInitDialog() {
    CDialog::OnInitDialog();  // binds the bars

    ::SetScrollRange(m_sbX.m_hWnd, SB_CTL, kOffsetBarMin, kOffsetBarMax, TRUE);
    ::SetScrollRange(m_sbY.m_hWnd, SB_CTL, kOffsetBarMin, kOffsetBarMax, TRUE);
    ::SetScrollRange(m_sbZ.m_hWnd, SB_CTL, kOffsetBarMin, kOffsetBarMax, TRUE);
    ::SetScrollRange(m_sbTilt.m_hWnd, SB_CTL, kTiltBarMin, kTiltBarMax, TRUE);

    if (m_pScreen != nullptr) {
        // The stored values are unchecked (they may come from the registry): PositionFromValue keeps
        // NaN and huge values within the bars' ranges.
        m_nPosX = PositionFromValue(m_pScreen->m_fOffsetX, kInverseX, kOffsetBarMin, kOffsetBarMax);
        m_nPosY = PositionFromValue(m_pScreen->m_fOffsetY, kInverseY, kOffsetBarMin, kOffsetBarMax);
        m_nPosZ = PositionFromValue(m_pScreen->m_fOffsetZ, kInverseZ, kOffsetBarMin, kOffsetBarMax);
        m_nPosTilt = PositionFromValue(m_pScreen->m_fTilt, kInverseTilt, kTiltBarMin, kTiltBarMax);
    }
    UpdateData(FALSE);
    return TRUE;
}

LRESULT CAdjustDlg::OnScroll(WPARAM wp, LPARAM lp) {
    HWND bar = reinterpret_cast<HWND>(lp);
    if (bar == nullptr) return 0;  // the dialog has no scroll bars of its own

    int minPos = 0;
    int maxPos = 0;
    ::GetScrollRange(bar, SB_CTL, &minPos, &maxPos);
    const int pos =
        NextScrollPosition(LOWORD(wp), ::GetScrollPos(bar, SB_CTL), minPos, maxPos, ThumbFromWParam(wp));
    ::SetScrollPos(bar, SB_CTL, pos, TRUE);
    // Also when nothing moved (thumb released, end of scroll): the screen is redrawn for every message.
    ApplyView();
    return 0;
}

void CAdjustDlg::ApplyView() {
    UpdateData(TRUE);
    if (m_pScreen == nullptr) return;
    DisplayValues values = m_pScreen->Display();
    values.view = {ValueFromPosition(m_nPosTilt, kFactorTilt), ValueFromPosition(m_nPosX, kFactorX),
                   ValueFromPosition(m_nPosY, kFactorY), ValueFromPosition(m_nPosZ, kFactorZ)};
    m_pScreen->SetDisplayValues(values);
    ::RedrawWindow(m_pScreen->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}
