// CScreenWnd and the mouse: the wheel scrolls the view (with Ctrl it moves the plane nearer or
// farther); a drag with the left button tilts and moves the plane (with Shift it moves it up, down and
// sideways). Everything here runs on the user-interface thread; the view values change under m_lock
// and the frame is asked for as an append asks for it, never drawn here.
#include "screen/ScreenContext.h"
#include "screen/ScreenWnd.h"

namespace {
// A mouse message's client coordinates, signed: a captured drag reports points left of and above the
// window as negative.
POINT ClientPoint(LPARAM lp) { return POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}; }
}  // namespace

void CScreenWnd::OnWheel(WPARAM wp) {
    // The delta is a signed 16-bit value; WheelNotches keeps the part of a notch a fine wheel sends.
    const short delta = GET_WHEEL_DELTA_WPARAM(wp);
    if ((GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) != 0) {
        const int notches = m_zoomWheel.Add(delta);
        if (notches != 0) SetViewValues(WheelViewZ({m_fTilt, m_fOffsetX, m_fOffsetY, m_fOffsetZ}, notches));
        return;
    }
    const int notches = m_wheel.Add(delta);
    if (notches != 0) ScrollView(static_cast<long long>(notches) * WheelNotches::kLinesPerNotch);
}

void CScreenWnd::SetViewValues(const ViewValues& values) {
    ScreenLock lock(*this);
    if (values.fTilt == m_fTilt && values.fOffsetX == m_fOffsetX && values.fOffsetY == m_fOffsetY &&
        values.fOffsetZ == m_fOffsetZ) {
        return;
    }
    m_fTilt = values.fTilt;
    m_fOffsetX = values.fOffsetX;
    m_fOffsetY = values.fOffsetY;
    m_fOffsetZ = values.fOffsetZ;
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
    m_dragStart = ClientPoint(lp);
    m_dragValues = {m_fTilt, m_fOffsetX, m_fOffsetY, m_fOffsetZ};
    m_bDragShift = (wp & MK_SHIFT) != 0;
    return 0;
}

LRESULT CScreenWnd::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (!m_bDragging) return 0;
    const POINT pt = ClientPoint(lp);
    const bool shift = (wp & MK_SHIFT) != 0;
    if (shift != m_bDragShift) {
        // Shift pressed or let go during the drag: the other two values move from here on, and the
        // ones moved so far stay where they are.
        m_dragStart = pt;
        m_dragValues = {m_fTilt, m_fOffsetX, m_fOffsetY, m_fOffsetZ};
        m_bDragShift = shift;
        return 0;
    }
    SetViewValues(DragView(m_dragValues, static_cast<long long>(pt.x) - m_dragStart.x,
                           static_cast<long long>(pt.y) - m_dragStart.y, shift));
    return 0;
}

LRESULT CScreenWnd::OnLButtonUp(WPARAM, LPARAM) {
    if (m_bDragging) ::ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
    m_bDragging = false;
    return 0;
}

LRESULT CScreenWnd::OnCaptureChanged(WPARAM, LPARAM) {
    // Also when another window took the mouse (a menu, a dialog, the system): the drag is over.
    m_bDragging = false;
    return 0;
}
