// Scrollback, the view in the hand and copying, in the real main window with the real interpreter:
// the wheel and keys go through the program's message loop as the keyboard and mouse deliver them
// (modifiers in this thread's key state, which the window reads); the drag goes to the screen.
#include <atomic>
#include <cstring>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "res/Texts.h"
#include "screen/AdjustDlg.h"
#include "screen/AdjustMath.h"
#include "tests/ModalScript.h"
#include "tests/app_window/MainWindowFixture.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return lines;
        start = end + 2;
    }
}

void SetClipboard(const std::string& text) {
    if (!::OpenClipboard(nullptr)) return;
    ::EmptyClipboard();
    if (HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(::GlobalLock(block), text.c_str(), text.size() + 1);
        ::GlobalUnlock(block);
        ::SetClipboardData(CF_TEXT, block);
    }
    ::CloseClipboard();
}

class ScrollbackTest : public MainWindowTest {
protected:
    CScreenWnd& Screen() { return m_dlg->m_Screen; }
    int Below() { return Screen().LinesBelow(); }
    std::vector<std::string> View() { return SplitLines(Screen().ViewText()); }

    void CtrlShift(WPARAM vk, HWND hwnd = nullptr) { ModKey(vk, true, true, hwnd); }
    void ShiftKey(WPARAM vk) { ModKey(vk, false, true); }

    // A wheel message as the system sends it: to the window with the focus (the entry box), the
    // pointer's screen position in lParam, over the middle of the screen unless `at` says otherwise.
    void Wheel(int delta, WORD keys = 0, const POINT* at = nullptr) {
        const RECT rc = Screen().GetWindowRect();
        const POINT pt = at != nullptr ? *at : POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        ::PostMessageA(Edit(), WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))),
                       MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
        Pump(30);
    }

    void Mouse(UINT msg, int x, int y, WPARAM keys) {
        ::PostMessageA(Screen().m_hWnd, msg, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
        Pump(20);
    }
    ViewValues Values() {
        return {Screen().m_fTilt, Screen().m_fOffsetX, Screen().m_fOffsetY, Screen().m_fOffsetZ};
    }

    // `count` numbered lines from the interpreter; returns once its prompt follows them.
    void Fill(int count) {
        const std::string last = "line number " + std::to_string(count);
        Type("for /L %i in (1,1," + std::to_string(count) + ") do @echo line number %i");
        ASSERT_TRUE(PumpUntil([&] { return StoreHas(last) && PromptShown(); })) << Current();
    }
};

// Whether `value` is a whole number of `step`s, as the adjustment dialog's bars make it.
bool OnGrid(float value, float step) {
    const double n = static_cast<double>(value) / step;
    return std::fabs(n - std::round(n)) < 1e-3;
}

}  // namespace

TEST_F(ScrollbackTest, TheWheelOverTheScreenScrollsThreeLinesANotchAndOutputLeavesABackViewAlone) {
    Fill(80);
    const std::vector<std::string> atEnd = View();
    ASSERT_EQ(atEnd.size(), 30u);
    // Following the output, the view is what the records hold.
    for (int i = 0; i < 30; ++i) EXPECT_EQ(atEnd[static_cast<size_t>(i)], Line(i)) << "record " << i;
    EXPECT_EQ(Below(), 0);

    Wheel(120);
    EXPECT_EQ(Below(), 3);
    std::vector<std::string> back = View();
    for (int i = 0; i + 3 < 30; ++i) EXPECT_EQ(back[static_cast<size_t>(i + 3)], atEnd[static_cast<size_t>(i)]);
    Wheel(-120);
    EXPECT_EQ(Below(), 0);
    EXPECT_EQ(View(), atEnd);

    // Over the entry box the wheel scrolls nothing.
    const RECT edit = m_dlg->m_CommandEdit.GetWindowRect();
    const POINT overEdit{(edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2};
    Wheel(120, 0, &overEdit);
    EXPECT_EQ(Below(), 0);

    // Output that arrives while the view is back is stored and counted; the view stays.
    Type("ping -n 3 127.0.0.1 >nul & echo late one & echo late two");
    ASSERT_TRUE(PumpUntil([&] { return m_dlg->m_Screen.m_console.CountPrograms() > 0; })) << "ping did not start";
    Wheel(240);
    ASSERT_EQ(Below(), 6);
    back = View();
    ASSERT_TRUE(PumpUntil([&] { return StoreHas("late two") && PromptShown(); })) << Current();
    Pump(100);  // the frames that follow the output
    EXPECT_EQ(View(), back);
    EXPECT_GE(Below(), 8) << "two lines and the prompt arrived below the view";
    EXPECT_TRUE(StoreHas("late one ")) << "the store goes on as before";
}

TEST_F(ScrollbackTest, PageLineAndEndKeysMoveTheViewAndTheEntryBoxKeepsItsOwnKeys) {
    Fill(120);
    const std::vector<std::string> atEnd = View();
    ShiftKey(VK_PRIOR);
    EXPECT_EQ(Below(), 29);
    EXPECT_EQ(View().back(), atEnd.front()) << "a page keeps one line of the last in sight";
    ShiftKey(VK_PRIOR);
    EXPECT_EQ(Below(), 58);
    ShiftKey(VK_NEXT);
    EXPECT_EQ(Below(), 29);
    CtrlShift(VK_UP);
    EXPECT_EQ(Below(), 30);
    CtrlShift(VK_DOWN);
    CtrlShift(VK_DOWN);
    EXPECT_EQ(Below(), 28);
    CtrlShift(VK_HOME);
    EXPECT_GT(Below(), 58);
    EXPECT_EQ(View().front(), "******************************************") << "the banner is the oldest line";
    CtrlShift(VK_END);
    EXPECT_EQ(Below(), 0);
    EXPECT_EQ(View(), atEnd);

    // Up recalls the last command and scrolls nothing; Shift+Home and Shift+Left select in the box.
    Key(VK_UP);
    EXPECT_EQ(EditText(), "for /L %i in (1,1,120) do @echo line number %i");
    EXPECT_EQ(Below(), 0);
    m_dlg->m_CommandEdit.SetWindowText("abcdef");
    ::SendMessageA(Edit(), EM_SETSEL, 6, 6);
    ShiftKey(VK_LEFT);
    EXPECT_EQ(EditSelection(), static_cast<DWORD>(MAKELONG(5, 6)));
    ShiftKey(VK_HOME);
    EXPECT_EQ(EditSelection(), static_cast<DWORD>(MAKELONG(0, 6)));
    EXPECT_EQ(Below(), 0);
    EXPECT_EQ(EditText(), "abcdef");
}

TEST_F(ScrollbackTest, SendingACommandReturnsTheViewToTheNewestLine) {
    Fill(50);
    Wheel(360);
    ASSERT_EQ(Below(), 9);
    Type("echo back at the end");
    EXPECT_EQ(Below(), 0) << "at once, before the answer";
    ASSERT_TRUE(PumpUntil([&] { return StoreHas("back at the end") && PromptShown(); }));
    EXPECT_EQ(Below(), 0) << "the view follows the answer";
    EXPECT_TRUE(EndsWith(View()[28], "back at the end") || EndsWith(View()[27], "back at the end"));
}

TEST_F(ScrollbackTest, OddAndHugeWheelDeltasAreTakenInWholeNotches) {
    Fill(120);
    Wheel(40);
    Wheel(40);
    EXPECT_EQ(Below(), 0) << "two thirds of a notch";
    Wheel(40);
    EXPECT_EQ(Below(), 3);
    Wheel(100);
    Wheel(-1);  // the other way: the part-notch left over is dropped
    Wheel(20);
    EXPECT_EQ(Below(), 3);
    Wheel(0x7FFF);
    const int oldest = Below();
    EXPECT_GT(oldest, 58);
    CtrlShift(VK_HOME);
    EXPECT_EQ(Below(), oldest) << "a huge delta stops at the oldest line";
    Wheel(-32768);
    EXPECT_EQ(Below(), 0);
    Wheel(0);
    EXPECT_EQ(Below(), 0);
}

TEST_F(ScrollbackTest, CtrlShiftCCopiesTheLinesInViewAndStopsNothing) {
    Fill(60);
    const std::vector<std::string> atEnd = View();
    SetClipboard("before");
    CtrlShift('C');
    const std::string copied = ClipboardText();
    EXPECT_EQ(copied, Screen().ViewText());
    const std::vector<std::string> lines = SplitLines(copied);
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines.back(), Current()) << "the newest line last";
    EXPECT_EQ(lines[28], Line(28));
    EXPECT_FALSE(StoreHas(kTextStopEcho)) << "Ctrl+Shift+C is no stop key";

    // Scrolled back, on the screen itself: the lines in view, oldest first.
    Wheel(360);
    Wheel(120);
    ASSERT_EQ(Below(), 12);
    CtrlShift('C', Screen().m_hWnd);
    const std::vector<std::string> back = SplitLines(ClipboardText());
    ASSERT_EQ(back.size(), 30u);
    EXPECT_EQ(back.back(), atEnd[29 - 12]);
    EXPECT_EQ(back[12], atEnd[0]);
    EXPECT_FALSE(StoreHas(kTextStopEcho));
}

TEST_F(ScrollbackTest, ACopyWhileAnotherProgramHoldsTheClipboardReturnsAtOnceAndChangesNothing) {
    SetClipboard("held elsewhere");
    std::atomic<int> state{0};  // 1: the other thread holds the clipboard; 2: it may let go
    std::thread holder([&] {
        HWND other = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (other == nullptr || !::OpenClipboard(other)) {
            state = -1;
            return;
        }
        state = 1;
        while (state != 2) ::Sleep(1);
        ::CloseClipboard();
        ::DestroyWindow(other);
    });
    while (state == 0) ::Sleep(1);
    // A failure here must still join the thread, which has returned: a thread never joined ends the
    // whole test program.
    EXPECT_EQ(state, 1) << "the other thread could not open the clipboard";
    if (state != 1) {
        holder.join();
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    CtrlShift('C');
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    state = 2;
    holder.join();
    EXPECT_LT(ms, 1000) << "no hang";
    EXPECT_EQ(ClipboardText(), "held elsewhere");
    EXPECT_TRUE(::IsWindow(m_hWnd));
    // Once it is free again, the copy works.
    CtrlShift('C');
    EXPECT_EQ(ClipboardText(), Screen().ViewText());
}

TEST_F(ScrollbackTest, DraggingTiltsAndMovesThePlaneOnTheDialogsGridAndTheDialogShowsIt) {
    const ViewValues start = Values();
    Mouse(WM_LBUTTONDOWN, 200, 100, MK_LBUTTON);
    EXPECT_EQ(::GetCapture(), Screen().m_hWnd);
    Mouse(WM_MOUSEMOVE, 200, 140, MK_LBUTTON);  // down: tilts
    ViewValues v = Values();
    EXPECT_NE(v.fTilt, start.fTilt);
    EXPECT_EQ(v.fOffsetX, start.fOffsetX);
    EXPECT_EQ(v.fOffsetY, start.fOffsetY);
    Mouse(WM_MOUSEMOVE, 260, 140, MK_LBUTTON);  // right: moves sideways, the tilt stays
    const ViewValues tilted = Values();
    EXPECT_EQ(tilted.fTilt, v.fTilt);
    EXPECT_GT(tilted.fOffsetX, start.fOffsetX);
    // With Shift: up and down moves the plane, the tilt stays where the drag left it.
    Mouse(WM_MOUSEMOVE, 260, 140, MK_LBUTTON | MK_SHIFT);
    Mouse(WM_MOUSEMOVE, 260, 110, MK_LBUTTON | MK_SHIFT);
    v = Values();
    EXPECT_EQ(v.fTilt, tilted.fTilt);
    EXPECT_GT(v.fOffsetY, start.fOffsetY) << "dragged up, the plane goes up";
    EXPECT_EQ(v.fOffsetZ, start.fOffsetZ);
    Mouse(WM_LBUTTONUP, 260, 110, 0);
    EXPECT_EQ(::GetCapture(), nullptr);
    Mouse(WM_MOUSEMOVE, 10, 10, 0);
    const ViewValues after = Values();
    EXPECT_EQ(after.fTilt, v.fTilt);
    EXPECT_EQ(after.fOffsetX, v.fOffsetX);
    EXPECT_EQ(after.fOffsetY, v.fOffsetY);
    EXPECT_TRUE(OnGrid(after.fOffsetX, 0.1f) && OnGrid(after.fOffsetY, 0.1f) && OnGrid(after.fTilt, 1.0f));

    // The adjustment dialog opens on the dragged values.
    CAdjustDlg dlg;
    dlg.m_pScreen = &Screen();
    std::vector<int> bars;
    RunModalScript(dlg, {[&](HWND h) {
                       for (int id : {IDC_ADJUST_X, IDC_ADJUST_Y, IDC_ADJUST_Z, IDC_ADJUST_TILT}) {
                           bars.push_back(::GetScrollPos(::GetDlgItem(h, id), SB_CTL));
                       }
                       ClickButton(h, IDCANCEL);
                   }});
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[0], static_cast<int>(std::lround(after.fOffsetX * 10.0)));
    EXPECT_EQ(bars[1], static_cast<int>(std::lround(after.fOffsetY * -10.0)));
    EXPECT_EQ(bars[2], static_cast<int>(std::lround(after.fOffsetZ * -10.0)));
    EXPECT_EQ(bars[3], static_cast<int>(std::lround(-after.fTilt)));
}

TEST_F(ScrollbackTest, ADragFarOutsideTheWindowStaysInRangeAndEndsWhenTheCaptureGoes) {
    Mouse(WM_LBUTTONDOWN, 100, 100, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, -32000, 32000, MK_LBUTTON);
    ViewValues v = Values();
    EXPECT_GE(v.fTilt, -90.0f);
    EXPECT_LE(v.fTilt, 90.0f);
    EXPECT_GE(v.fOffsetX, -20.0f);
    EXPECT_LE(v.fOffsetX, 20.0f);
    EXPECT_NE(v.fOffsetX, -12.0f);
    // Another window takes the mouse: the screen is told, and the drag is over.
    ::SetCapture(m_hWnd);
    Pump(20);
    ::ReleaseCapture();
    Mouse(WM_MOUSEMOVE, 300, 50, MK_LBUTTON);
    const ViewValues after = Values();
    EXPECT_EQ(after.fTilt, v.fTilt);
    EXPECT_EQ(after.fOffsetX, v.fOffsetX);
    EXPECT_EQ(after.fOffsetY, v.fOffsetY);
}

TEST_F(ScrollbackTest, CtrlWheelMovesThePlaneNearerAndFartherAndScrollsNothing) {
    Fill(50);
    const float z = Screen().m_fOffsetZ;
    Wheel(120, MK_CONTROL);
    const float nearer = Screen().m_fOffsetZ;
    EXPECT_NEAR(std::fabs(nearer - z), 1.0f, 1e-4f);
    Wheel(60, MK_CONTROL);
    EXPECT_EQ(Screen().m_fOffsetZ, nearer) << "half a notch";
    Wheel(60, MK_CONTROL);
    EXPECT_NEAR(Screen().m_fOffsetZ - nearer, nearer - z, 1e-4f) << "the other half";
    Wheel(-240, MK_CONTROL);
    EXPECT_NEAR(Screen().m_fOffsetZ, z, 1e-4f);
    Wheel(-32768, MK_CONTROL);
    EXPECT_GE(Screen().m_fOffsetZ, -20.0f);
    EXPECT_LE(Screen().m_fOffsetZ, 20.0f);
    EXPECT_EQ(Below(), 0);
}

TEST_F(ScrollbackTest, ALineOfMegabytesIsKeptCutAndTheWindowGoesOn) {
    Fill(40);
    // A line of two megabytes continues the prompt line; thirty short lines follow it, so that the
    // store's records hold it no more.
    std::string output(2u << 20, 'x');
    output += "\r\n";
    for (int i = 0; i < 30; ++i) output += "after " + std::to_string(i) + "\r\n";
    Screen().AppendOutput(output.c_str());
    Pump(100);
    EXPECT_TRUE(StoreHas("after 29"));
    CtrlShift(VK_UP);
    const std::vector<std::string> view = View();
    ASSERT_EQ(view.size(), 30u);
    const std::string& huge = view[0];
    EXPECT_LE(huge.size(), 4096u) << "a history line keeps its first four kilobytes";
    EXPECT_GT(huge.size(), 4000u);
    EXPECT_EQ(huge.back(), 'x');
    EXPECT_EQ(view[1], "after 0");
    Pump(300);  // a frame draws the view with the long line
    CtrlShift(VK_END);
    Type("echo still here");
    EXPECT_TRUE(PumpUntil([&] { return StoreHas("still here"); }));
}

TEST_F(ScrollbackTest, TheValuesTheMouseMadeAreSavedWithTheSettings) {
    Mouse(WM_LBUTTONDOWN, 150, 100, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 120, 150, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 120, 150, MK_LBUTTON | MK_SHIFT);
    Mouse(WM_MOUSEMOVE, 90, 120, MK_LBUTTON | MK_SHIFT);
    Mouse(WM_LBUTTONUP, 90, 120, MK_SHIFT);
    Wheel(-360, MK_CONTROL);
    const ViewValues made = Values();
    EXPECT_NE(made.fTilt, -40.0f);
    EXPECT_NE(made.fOffsetX, -12.0f);
    EXPECT_NE(made.fOffsetY, -5.0f);
    EXPECT_NE(made.fOffsetZ, 0.0f);

    ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }));
    unsigned char record[kSettingsSize] = {};
    ASSERT_TRUE(LoadSettings(record));
    float stored[4];
    std::memcpy(&stored[0], record + SettingsOffset::kTilt, sizeof(float));
    std::memcpy(&stored[1], record + SettingsOffset::kOffsetX, sizeof(float));
    std::memcpy(&stored[2], record + SettingsOffset::kOffsetY, sizeof(float));
    std::memcpy(&stored[3], record + SettingsOffset::kOffsetZ, sizeof(float));
    EXPECT_EQ(stored[0], made.fTilt);
    EXPECT_EQ(stored[1], made.fOffsetX);
    EXPECT_EQ(stored[2], made.fOffsetY);
    EXPECT_EQ(stored[3], made.fOffsetZ);
}

namespace {
std::atomic<int> g_framesShown{0};
void CountFrame(CScreenWnd&) { ++g_framesShown; }
}  // namespace

TEST_F(ScrollbackTest, ADragIsDrawnByPacedFramesNotAFramePerMouseMove) {
    Pump(300);  // the greeting's frames are over
    Mouse(WM_LBUTTONDOWN, 200, 100, MK_LBUTTON);
    g_framesShown = 0;
    g_pfnFrameShown = &CountFrame;
    for (int i = 1; i <= 40; ++i) {
        ::PostMessageA(Screen().m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200 + i, 100 + 2 * i));
    }
    Pump(300);
    g_pfnFrameShown = nullptr;
    Mouse(WM_LBUTTONUP, 240, 180, 0);
    EXPECT_GE(g_framesShown.load(), 1) << "the drag is shown";
    EXPECT_LE(g_framesShown.load(), 3) << "forty moves in the queue make one frame, not forty";
    const ViewValues v = Values();
    EXPECT_NE(v.fTilt, -40.0f);
    EXPECT_NE(v.fOffsetX, -12.0f);
}
