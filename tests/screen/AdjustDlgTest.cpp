// The screen adjustment dialog on its real template, over a real screen window: where the bars open,
// what each scroll message does to the screen's view values, and that the screen is redrawn for every
// message.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <limits>

#include "res/resource.h"
#include "screen/AdjustDlg.h"
#include "tests/ModalScript.h"
#include "tests/ScreenHost.h"

namespace {

struct BarState {
    int pos;
    int min;
    int max;
};

BarState Bar(HWND dialog, int id) {
    BarState s{};
    HWND bar = ::GetDlgItem(dialog, id);
    s.pos = ::GetScrollPos(bar, SB_CTL);
    ::GetScrollRange(bar, SB_CTL, &s.min, &s.max);
    return s;
}

// A scroll notification from bar `id`, as the bar itself sends it to the dialog.
void Scroll(HWND dialog, int id, UINT code, int thumb = 0) {
    const UINT msg = id == IDC_ADJUST_X ? WM_HSCROLL : WM_VSCROLL;
    ::SendMessageA(dialog, msg, MAKEWPARAM(code, static_cast<WORD>(static_cast<short>(thumb))),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

class AdjustDialog : public ::testing::Test {
protected:
    // One host window for the whole suite: opening a window under Wine costs seconds.
    static void SetUpTestSuite() { s_pHost = new ScreenHost; }
    static void TearDownTestSuite() {
        delete s_pHost;
        s_pHost = nullptr;
    }
    void SetUp() override { m_host.Screen().SetDefaults(); }

    // Runs a dialog on the host's screen with the given steps; the last step should close it.
    ModalScriptResult Run(CAdjustDlg& dlg, std::vector<ModalStep> steps) {
        dlg.m_pScreen = &m_host.Screen();
        return RunModalScript(dlg, std::move(steps));
    }
    void Close(HWND dialog) { ClickButton(dialog, IDCANCEL); }

    static ScreenHost* s_pHost;
    ScreenHost& m_host = *s_pHost;
};
ScreenHost* AdjustDialog::s_pHost = nullptr;

}  // namespace

TEST_F(AdjustDialog, OpensWithTheBarsAtTheScreensDefaultsAndClosingChangesNothing) {
    CScreenWnd& screen = m_host.Screen();
    BarState x{}, y{}, z{}, tilt{};
    CAdjustDlg dlg;
    const ModalScriptResult run = Run(dlg, {[&](HWND h) {
                                          x = Bar(h, IDC_ADJUST_X);
                                          y = Bar(h, IDC_ADJUST_Y);
                                          z = Bar(h, IDC_ADJUST_Z);
                                          tilt = Bar(h, IDC_ADJUST_TILT);
                                          Close(h);
                                      }});
    EXPECT_EQ(run.stepsRun, 1u);
    EXPECT_EQ(x.pos, -120);
    EXPECT_EQ(y.pos, 50);
    EXPECT_EQ(z.pos, 0);
    EXPECT_EQ(tilt.pos, 40);
    EXPECT_EQ(x.min, -200);
    EXPECT_EQ(x.max, 200);
    EXPECT_EQ(y.min, -200);
    EXPECT_EQ(y.max, 200);
    EXPECT_EQ(z.min, -200);
    EXPECT_EQ(z.max, 200);
    EXPECT_EQ(tilt.min, -90);
    EXPECT_EQ(tilt.max, 90);
    EXPECT_EQ(dlg.m_nPosX, -120);
    EXPECT_EQ(dlg.m_nPosTilt, 40);

    EXPECT_EQ(screen.m_fOffsetX, -12.0f);
    EXPECT_EQ(screen.m_fOffsetY, -5.0f);
    EXPECT_EQ(screen.m_fOffsetZ, 0.0f);
    EXPECT_EQ(screen.m_fTilt, -40.0f);
}

TEST_F(AdjustDialog, OneLineDownOnTheTiltBarRewritesAllFourValuesAndRedraws) {
    CScreenWnd& screen = m_host.Screen();
    // Off the bars' grid: the first scroll replaces X by the value of the position it opened at.
    screen.m_fOffsetX = -12.34f;
    int paintsBefore = 0, paintsAfter = 0;
    CAdjustDlg dlg;
    Run(dlg, {[&](HWND h) {
            paintsBefore = m_host.Paints();
            Scroll(h, IDC_ADJUST_TILT, SB_LINEDOWN);
            paintsAfter = m_host.Paints();
            Close(h);
        }});
    EXPECT_EQ(screen.m_fTilt, -41.0f);
    EXPECT_EQ(dlg.m_nPosTilt, 41);
    EXPECT_EQ(screen.m_fOffsetX, -12.3f);
    EXPECT_EQ(screen.m_fOffsetY, -5.0f);
    EXPECT_EQ(screen.m_fOffsetZ, 0.0f);
    EXPECT_GE(paintsAfter - paintsBefore, 1) << "the screen paints before the scroll message returns";
}

TEST_F(AdjustDialog, PageRightStopsAtTheEndOfTheBar) {
    CScreenWnd& screen = m_host.Screen();
    BarState x{};
    float at198 = 0.0f;
    CAdjustDlg dlg;
    Run(dlg, {[&](HWND h) {
            Scroll(h, IDC_ADJUST_X, SB_THUMBTRACK, 198);
            at198 = screen.m_fOffsetX;
            Scroll(h, IDC_ADJUST_X, SB_PAGERIGHT);
            x = Bar(h, IDC_ADJUST_X);
            Close(h);
        }});
    EXPECT_EQ(at198, 198 * 0.1f);
    EXPECT_EQ(x.pos, 200);
    EXPECT_EQ(screen.m_fOffsetX, 20.0f);
}

TEST_F(AdjustDialog, DraggingTheYThumbToTheTopAndLettingGo) {
    CScreenWnd& screen = m_host.Screen();
    float whileDragging = 0.0f, afterRelease = 0.0f;
    int paintsDrag = 0, paintsRelease = 0, paintsEnd = 0;
    CAdjustDlg dlg;
    Run(dlg, {[&](HWND h) {
            int before = m_host.Paints();
            Scroll(h, IDC_ADJUST_Y, SB_THUMBTRACK, -200);
            paintsDrag = m_host.Paints() - before;
            whileDragging = screen.m_fOffsetY;

            before = m_host.Paints();
            Scroll(h, IDC_ADJUST_Y, SB_THUMBPOSITION, -200);
            paintsRelease = m_host.Paints() - before;

            before = m_host.Paints();
            Scroll(h, IDC_ADJUST_Y, SB_ENDSCROLL);
            paintsEnd = m_host.Paints() - before;
            afterRelease = screen.m_fOffsetY;
            Close(h);
        }});
    EXPECT_EQ(whileDragging, 20.0f);
    EXPECT_EQ(afterRelease, 20.0f);
    EXPECT_EQ(dlg.m_nPosY, -200);
    EXPECT_GE(paintsDrag, 1);
    EXPECT_GE(paintsRelease, 1) << "a message that moves nothing still redraws";
    EXPECT_GE(paintsEnd, 1) << "a message that moves nothing still redraws";
}

TEST_F(AdjustDialog, EveryCodeOnEveryBarRedrawsTheScreen) {
    const int bars[] = {IDC_ADJUST_X, IDC_ADJUST_Y, IDC_ADJUST_Z, IDC_ADJUST_TILT};
    int missed = 0;
    CAdjustDlg dlg;
    Run(dlg, {[&](HWND h) {
            for (int id : bars) {
                for (UINT code = SB_LINEUP; code <= SB_ENDSCROLL; ++code) {
                    const int before = m_host.Paints();
                    Scroll(h, id, code, 3);
                    if (m_host.Paints() == before) {
                        ++missed;
                        ADD_FAILURE() << "no paint for bar " << id << ", code " << code;
                    }
                }
            }
            Close(h);
        }});
    EXPECT_EQ(missed, 0);
}

TEST_F(AdjustDialog, ScrollCodesMoveTheBarsAsTheTableSays) {
    CScreenWnd& screen = m_host.Screen();
    std::vector<int> tiltPositions;
    CAdjustDlg dlg;
    Run(dlg, {[&](HWND h) {
            const UINT codes[] = {SB_LINEUP, SB_PAGEUP, SB_PAGEDOWN, SB_TOP,
                                  SB_LINEUP, SB_BOTTOM, SB_LINEDOWN};
            for (UINT code : codes) {
                Scroll(h, IDC_ADJUST_TILT, code);
                tiltPositions.push_back(Bar(h, IDC_ADJUST_TILT).pos);
            }
            Close(h);
        }});
    EXPECT_EQ(tiltPositions, (std::vector<int>{39, 34, 39, -90, -90, 90, 90}));
    EXPECT_EQ(screen.m_fTilt, -90.0f);
}

TEST_F(AdjustDialog, XOfMinus123IsKeptAndReopensThere) {
    CScreenWnd& screen = m_host.Screen();
    CAdjustDlg first;
    Run(first, {[&](HWND h) {
            Scroll(h, IDC_ADJUST_X, SB_THUMBTRACK, -123);
            Close(h);
        }});
    EXPECT_EQ(screen.m_fOffsetX, -12.3f);

    BarState x{};
    CAdjustDlg second;
    Run(second, {[&](HWND h) {
            x = Bar(h, IDC_ADJUST_X);
            Close(h);
        }});
    EXPECT_EQ(x.pos, -123);
    EXPECT_EQ(screen.m_fOffsetX, -12.3f) << "reopening and closing changes nothing";
}

TEST_F(AdjustDialog, UncheckedStoredValuesOpenWithinTheBars) {
    // Values as a damaged or foreign settings record may give them.
    CScreenWnd& screen = m_host.Screen();
    screen.m_fOffsetX = std::numeric_limits<float>::quiet_NaN();
    screen.m_fOffsetY = -std::numeric_limits<float>::infinity();
    screen.m_fOffsetZ = 1.0e30f;
    screen.m_fTilt = 1.0e30f;
    BarState x{}, y{}, z{}, tilt{};
    CAdjustDlg dlg;
    Run(dlg, {[&](HWND h) {
            x = Bar(h, IDC_ADJUST_X);
            y = Bar(h, IDC_ADJUST_Y);
            z = Bar(h, IDC_ADJUST_Z);
            tilt = Bar(h, IDC_ADJUST_TILT);
            Scroll(h, IDC_ADJUST_X, SB_ENDSCROLL);
            Close(h);
        }});
    EXPECT_EQ(x.pos, 0);
    EXPECT_EQ(y.pos, 200);
    EXPECT_EQ(z.pos, -200);
    EXPECT_EQ(tilt.pos, -90);
    // The first scroll message sets all four values from the bars: finite from then on.
    EXPECT_EQ(screen.m_fOffsetX, 0.0f);
    EXPECT_EQ(screen.m_fOffsetY, -20.0f);
    EXPECT_EQ(screen.m_fOffsetZ, 20.0f);
    EXPECT_EQ(screen.m_fTilt, 90.0f);
}
