// CScreenWnd and the mouse: the wheel scrolls the view (with Ctrl it moves the plane nearer or
// farther); a drag with the left button tilts and moves the plane (with Shift it moves it up, down and
// sideways); a click picks the line under the pointer (with Shift it extends the selection to it). A
// click is a press and release with the pointer moved less than the system's drag distance. Everything
// here runs on the user-interface thread, which owns the display values; the frame is asked for as an
// append asks for it, never drawn here.
#include "framework/Wnd.h"
#include "screen/ScreenWnd.h"

void CScreenWnd::OnWheel(WPARAM wp) {
    // The delta is a signed 16-bit value; WheelNotches keeps the part of a notch a fine wheel sends.
    const short delta = GET_WHEEL_DELTA_WPARAM(wp);
    if ((GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) != 0) {
        const int notches = m_zoomWheel.Add(delta);
        if (notches != 0) SetViewValues(WheelViewZ(m_display.view, notches));
        return;
    }
    const int notches = m_wheel.Add(delta);
    if (notches != 0) ScrollView(static_cast<long long>(notches) * WheelNotches::kLinesPerNotch);
}

void CScreenWnd::SetViewValues(const ViewValues& values) {
    if (values == m_display.view) return;
    m_display.view = values;
    AskFrame();
}

LRESULT CScreenWnd::OnMouseWheel(WPARAM wp, LPARAM) {
    OnWheel(wp);
    return 0;
}

LRESULT CScreenWnd::OnLButtonDown(WPARAM wp, LPARAM lp) {
    // Captured, so that the drag goes on outside the window and its end is seen wherever it happens.
    ::SetCapture(m_hWnd);
    m_bDragging = true;
    m_dragStart = PointFromLParam(lp);
    m_dragValues = m_display.view;
    m_bDragShift = (wp & MK_SHIFT) != 0;
    m_bDragMoved = false;
    return 0;
}

LRESULT CScreenWnd::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (!m_bDragging) return 0;
    const POINT pt = PointFromLParam(lp);
    const bool shift = (wp & MK_SHIFT) != 0;
    if (!m_bDragMoved) {
        // Until the pointer leaves the drag distance it is a click in the making: the plane stays.
        const long long dx = static_cast<long long>(pt.x) - m_dragStart.x;
        const long long dy = static_cast<long long>(pt.y) - m_dragStart.y;
        const bool still = (dx < 0 ? -dx : dx) < ::GetSystemMetrics(SM_CXDRAG) &&
                          (dy < 0 ? -dy : dy) < ::GetSystemMetrics(SM_CYDRAG);
        if (still) return 0;
        m_bDragMoved = true;
    }
    if (shift != m_bDragShift) {
        // Shift pressed or let go during the drag: the other two values move from here on, and the
        // ones moved so far stay where they are.
        m_dragStart = pt;
        m_dragValues = m_display.view;
        m_bDragShift = shift;
        return 0;
    }
    SetViewValues(DragView(m_dragValues, static_cast<long long>(pt.x) - m_dragStart.x,
                           static_cast<long long>(pt.y) - m_dragStart.y, shift));
    return 0;
}

LRESULT CScreenWnd::OnLButtonUp(WPARAM wp, LPARAM lp) {
    const bool click = m_bDragging && !m_bDragMoved;
    if (m_bDragging) ::ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
    m_bDragging = false;
    if (click) PickLine(PointFromLParam(lp), (wp & MK_SHIFT) != 0);
    return 0;
}

LRESULT CScreenWnd::OnCaptureChanged(WPARAM, LPARAM) {
    // Also when another window took the mouse (a menu, a dialog, the system): the drag is over.
    m_bDragging = false;
    return 0;
}
