// The screen adjustment dialog on its real template, over a real screen window: where the bars open,
// what scroll messages do to the screen's view values, and that the screen is redrawn for every message.
#include <gtest/gtest.h>
#include <windows.h>

#include <limits>
#include <vector>

#include "res/resource.h"
#include "screen/AdjustDlg.h"
#include "tests/ModalScript.h"
#include "tests/ScreenHost.h"

namespace {

const int kBars[] = {IDC_ADJUST_X, IDC_ADJUST_Y, IDC_ADJUST_Z, IDC_ADJUST_TILT};

// Positions of bars 1007, 1012, 1013, 1014, or their ranges as min, max pairs.
std::vector<int> Positions(HWND dialog) {
    std::vector<int> v;
    for (int id : kBars) v.push_back(::GetScrollPos(::GetDlgItem(dialog, id), SB_CTL));
    return v;
}
std::vector<int> Ranges(HWND dialog) {
    std::vector<int> v;
    for (int id : kBars) {
        int min = 0, max = 0;
        ::GetScrollRange(::GetDlgItem(dialog, id), SB_CTL, &min, &max);
        v.insert(v.end(), {min, max});
    }
    return v;
}

// A scroll notification from bar `id`, as the bar itself sends it to the dialog.
void Scroll(HWND dialog, int id, UINT code, int thumb = 0) {
    ::SendMessageA(dialog, id == IDC_ADJUST_X ? WM_HSCROLL : WM_VSCROLL,
                   MAKEWPARAM(code, static_cast<WORD>(static_cast<short>(thumb))),
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
    void SetUp() override { Screen().SetDefaults(); }

    static CScreenWnd& Screen() { return s_pHost->Screen(); }
    std::vector<float> View() const {
        return {Screen().m_fOffsetX, Screen().m_fOffsetY, Screen().m_fOffsetZ, Screen().m_fTilt};
    }
    // Runs a dialog on the host's screen: `act` runs once it is up, then the dialog is closed.
    void Run(CAdjustDlg& dlg, const ModalStep& act) {
        dlg.m_pScreen = &Screen();
        const ModalScriptResult run = RunModalScript(dlg, {[&](HWND h) {
                                                         act(h);
                                                         ClickButton(h, IDCANCEL);
                                                     }});
        EXPECT_EQ(run.stepsRun, 1u);
    }

    static ScreenHost* s_pHost;
};
ScreenHost* AdjustDialog::s_pHost = nullptr;

}  // namespace

TEST_F(AdjustDialog, OpensAtTheScreensDefaultsAndClosingChangesNothing) {
    std::vector<int> positions, ranges;
    CAdjustDlg dlg;
    Run(dlg, [&](HWND h) {
        positions = Positions(h);
        ranges = Ranges(h);
    });
    EXPECT_EQ(positions, std::vector<int>({-120, 50, 0, 40}));
    EXPECT_EQ(ranges, std::vector<int>({-200, 200, -200, 200, -200, 200, -90, 90}));
    EXPECT_EQ(std::vector<int>({dlg.m_nPosX, dlg.m_nPosY, dlg.m_nPosZ, dlg.m_nPosTilt}), positions);
    EXPECT_EQ(View(), std::vector<float>({-12.0f, -5.0f, 0.0f, -40.0f}));
}

TEST_F(AdjustDialog, OneLineDownOnTheTiltBarRewritesAllFourValues) {
    Screen().m_fOffsetX = -12.34f;  // off the grid: the scroll replaces it by the value of bar position -123
    CAdjustDlg dlg;
    Run(dlg, [&](HWND h) { Scroll(h, IDC_ADJUST_TILT, SB_LINEDOWN); });
    EXPECT_EQ(View(), std::vector<float>({-12.3f, -5.0f, 0.0f, -41.0f}));
}

TEST_F(AdjustDialog, DraggingTheYThumbToTheTopAndLettingGo) {
    float whileDragging = 0.0f;
    CAdjustDlg dlg;
    Run(dlg, [&](HWND h) {
        Scroll(h, IDC_ADJUST_Y, SB_THUMBTRACK, -200);
        whileDragging = Screen().m_fOffsetY;
        Scroll(h, IDC_ADJUST_Y, SB_THUMBPOSITION, -200);
        Scroll(h, IDC_ADJUST_Y, SB_ENDSCROLL);
    });
    EXPECT_EQ(whileDragging, 20.0f);
    EXPECT_EQ(Screen().m_fOffsetY, 20.0f) << "releasing and ending leave it there";
}

// Every message repaints the screen before it returns, also those that move nothing (SB_THUMBPOSITION,
// SB_ENDSCROLL, a bar already at its end).
TEST_F(AdjustDialog, EveryCodeOnEveryBarRedrawsTheScreen) {
    CAdjustDlg dlg;
    Run(dlg, [&](HWND h) {
        for (int id : kBars) {
            for (UINT code = SB_LINEUP; code <= SB_ENDSCROLL; ++code) {
                const int before = s_pHost->Paints();
                Scroll(h, id, code, 3);
                EXPECT_GT(s_pHost->Paints(), before) << "bar " << id << ", code " << code;
            }
        }
    });
}

TEST_F(AdjustDialog, PageRightStopsAtTheEndAndXOfMinus123ReopensThere) {
    std::vector<int> paged, reopened;
    float pagedX = 0.0f;
    CAdjustDlg first;
    Run(first, [&](HWND h) {
        Scroll(h, IDC_ADJUST_X, SB_THUMBTRACK, 198);
        Scroll(h, IDC_ADJUST_X, SB_PAGERIGHT);
        paged = Positions(h);
        pagedX = Screen().m_fOffsetX;
        Scroll(h, IDC_ADJUST_X, SB_THUMBTRACK, -123);
    });
    EXPECT_EQ(paged[0], 200);
    EXPECT_EQ(pagedX, 20.0f);
    EXPECT_EQ(Screen().m_fOffsetX, -12.3f);

    CAdjustDlg second;
    Run(second, [&](HWND h) { reopened = Positions(h); });
    EXPECT_EQ(reopened[0], -123);
    EXPECT_EQ(Screen().m_fOffsetX, -12.3f) << "reopening and closing changes nothing";
}

TEST_F(AdjustDialog, UncheckedStoredValuesOpenWithinTheBars) {
    // Values as a damaged or foreign settings record may give them.
    Screen().m_fOffsetX = std::numeric_limits<float>::quiet_NaN();
    Screen().m_fOffsetY = -std::numeric_limits<float>::infinity();
    Screen().m_fOffsetZ = 1.0e30f;
    Screen().m_fTilt = 1.0e30f;
    std::vector<int> positions;
    CAdjustDlg dlg;
    Run(dlg, [&](HWND h) {
        positions = Positions(h);
        Scroll(h, IDC_ADJUST_X, SB_ENDSCROLL);
    });
    EXPECT_EQ(positions, std::vector<int>({0, 200, -200, -90}));
    // The first scroll message sets all four values from the bars: finite from then on.
    EXPECT_EQ(View(), std::vector<float>({0.0f, -20.0f, 20.0f, 90.0f}));
}
