// The stored placement across scales, on a real main window: the record holds pixels, whatever the DPI of
// the session that wrote it.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/app_window/MainWindowFixture.h"

// A placement stored by a session at 144 DPI (900 x 600, the default size there) is pixels: at 96 DPI the
// window comes back at the same pixels, laid out for the font of 96 DPI, and one that lay on a monitor
// this desktop does not have comes back whole onto the work area.
TEST_F(MainWindowTest, APlacementStoredAt144DpiComesBackInPixelsOnScreenAndLaidOutAt96) {
    if (WindowDpi(m_hWnd) != 96) GTEST_SKIP() << "the prefix runs at " << WindowDpi(m_hWnd) << " DPI";
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ASSERT_GE(work.right - work.left, 1000);
    ASSERT_GE(work.bottom - work.top, 700);
    struct Case {
        RECT stored, expected;  // the normal rectangle (workspace = screen here) and the window's
    };
    const int wx = work.right - work.left - 900, wy = work.bottom - work.top - 600;
    const Case cases[] = {
        {{90, 70, 990, 670}, {90, 70, 990, 670}},
        // Right of and below the whole desktop, as on a larger second monitor.
        {{2400, 1500, 3300, 2100}, {wx, wy, wx + 900, wy + 600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.left);
        unsigned char record[kSettingsSize];
        FillSettingsRecord(record, m_dlg->m_Screen, m_hWnd);
        DisplaySettings s = UnpackSettings(record);
        s.placement.showCmd = SW_SHOWNORMAL;
        s.placement.left = c.stored.left;
        s.placement.top = c.stored.top;
        s.placement.right = c.stored.right;
        s.placement.bottom = c.stored.bottom;
        PackSettings(s, record);
        // The record written after this window's own close, as the other session left it.
        ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }));
        ASSERT_TRUE(SaveSettings(record));
        m_dlg = new CMainDialog();
        m_hWnd = m_dlg->m_hWnd;
        g_app.SetMainWnd(m_dlg);
        Pump(50);

        RECT r{};
        ::GetWindowRect(m_hWnd, &r);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);

        // The label whole and the box right of it, as tall as a line of the font inside its border.
        HWND label = m_dlg->m_CommandLabel.m_hWnd;
        HDC dc = ::GetDC(label);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)));
        TEXTMETRICA tm{};
        ::GetTextMetricsA(dc, &tm);
        SIZE text{};
        ::GetTextExtentPoint32A(dc, "COMMAND", 7, &text);
        ::SelectObject(dc, old);
        ::ReleaseDC(label, dc);
        const RECT client = m_dlg->GetClientRect();
        const RECT l = m_dlg->m_CommandLabel.GetRectInParent(), e = m_dlg->m_CommandEdit.GetRectInParent();
        EXPECT_GE(l.right - l.left, text.cx);
        EXPECT_GE(l.bottom - l.top, tm.tmHeight);
        EXPECT_GE(l.top, e.top) << "the label within the box's row";
        EXPECT_LE(l.right, e.left);
        EXPECT_GE(e.bottom - e.top, tm.tmHeight + 4);
        EXPECT_EQ(e.bottom, client.bottom);
        EXPECT_EQ(m_dlg->m_Screen.GetRectInParent().bottom, e.top);
        ASSERT_TRUE(PumpUntil([&] { return PromptShown(); }));
    }
}
