// B7 scroll: the real main window with 10,000 lines in its scrollback. One wheel notch over the screen
// (three lines back), from posting the wheel message as the system delivers it (to the entry box, which
// has the focus) to the frame that shows the new view, presented; and the same for Ctrl+Shift+Home, the
// jump to the oldest line. Reference: two frame intervals (CScreenWnd::kFrameIntervalMs each); beside it,
// one frame of the same screen (the view moved back) drawn as a paint draws it.
//
// A frame shows the new view when, at the frame-shown hook (right after the frame was presented), the
// view lies as many lines back as the scroll asked for: the frame then drew the lines of that view.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchSupport.h"
#include "framework/App.h"

using namespace bench;

namespace {

CWinApp g_app;  // the application object, as in the program: the main window is recorded in it

constexpr int kHistoryLines = 10000;
constexpr int kNotches = 20;
constexpr int kJumps = 10;
constexpr int kFrames = 11;
constexpr double kTimeoutMs = 10000;
// The pause before each notch or key, as a person's hand leaves one.
constexpr double kPauseMs = 150;

// The frames shown since Reset: when, and how many lines lay below the view then.
std::mutex g_lock;
std::vector<std::pair<double, int>> g_frames;

void OnFrameShown(CScreenWnd& screen) {
    const double now = NowMs();
    // The hook runs with the screen's lock held on this thread: LinesBelow takes it again.
    const int below = screen.LinesBelow();
    std::lock_guard<std::mutex> lock(g_lock);
    g_frames.push_back({now, below});
}

void Reset() {
    std::lock_guard<std::mutex> lock(g_lock);
    g_frames.clear();
}

// Time of the first frame since Reset that showed the view `below` lines back, or a negative value.
double ShownAt(int below) {
    std::lock_guard<std::mutex> lock(g_lock);
    for (const auto& f : g_frames)
        if (f.second == below) return f.first;
    return -1.0;
}

// The current line is a prompt such as "Z:\work>" and the store holds it drawn.
// Lines into the screen as the interpreter's reader brings them (chunks of up to 2,048 bytes from a thread
// of its own) while this thread answers messages and draws the frames.
void Feed(CScreenWnd& screen, int count) {
    FeedLines(screen, 0, count, ListingLine);
    PumpFor(300);  // the owed frame
}

// Ctrl+Shift+`vk` as the keyboard delivers it: the modifiers in this thread's key state, the key to the
// entry box; the state stays until `shown` holds, so the window reads it whenever the message is handled.
bool CtrlShiftKey(HWND edit, WPARAM vk, const std::function<bool()>& shown) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    BYTE saved[256];
    std::memcpy(saved, state, sizeof saved);
    state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    ::SetKeyboardState(state);
    ::PostMessageA(edit, WM_KEYDOWN, vk, 1);
    const bool ok = PumpUntil(shown, kTimeoutMs);
    ::SetKeyboardState(saved);
    return ok;
}

void Report(const char* what, const std::vector<double>& times, double interval, double frame) {
    const std::string median = std::string(what) + ", median";
    const std::string worst = std::string(what) + ", worst";
    Figure("B7", median.c_str(), Median(times), "two frame intervals", 2 * interval, "ms", Bound::kAtMost, 1.0);
    Figure("B7", worst.c_str(), Max(times), "two frame intervals", 2 * interval, "ms", Bound::kAtMost, 1.0);
    Info("B7", "%s: %zu measured; median %.1f ms = %.2f frames of the same screen drawn as a paint (%.1f ms)", what,
         times.size(), Median(times), frame > 0 ? Median(times) / frame : 0.0, frame);
}

}  // namespace

int main() {
    auto* dlg = new CMainDialog();
    if (dlg->m_hWnd == nullptr) {
        std::printf("[B7] the main window cannot be made\n");
        return 1;
    }
    const HWND hWnd = dlg->m_hWnd;
    g_app.SetMainWnd(dlg);
    CScreenWnd& screen = dlg->m_Screen;
    const HWND edit = ::GetFocus();
    if (!PumpUntil([&] { return PromptShown(screen); }, 60000)) std::printf("[B7] no prompt from the interpreter\n");
    const double fillStart = NowMs();
    Feed(screen, kHistoryLines);
    const double fillMs = NowMs() - fillStart;

    g_pfnFrameShown = &OnFrameShown;
    const RECT rc = screen.GetWindowRect();
    const POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    const HWND focus = ::GetFocus() != nullptr ? ::GetFocus() : edit;
    int failures = 0;

    // Notches back from the end, each after a pause.
    std::vector<double> notch;
    for (int i = 1; i <= kNotches; ++i) {
        PumpFor(kPauseMs);
        Reset();
        const int expected = i * WheelNotches::kLinesPerNotch;
        const double start = NowMs();
        ::PostMessageA(focus, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WheelNotches::kDelta)),
                       MAKELPARAM(static_cast<WORD>(centre.x), static_cast<WORD>(centre.y)));
        if (!PumpUntil([&] { return ShownAt(expected) >= 0; }, kTimeoutMs)) {
            ++failures;
            continue;
        }
        notch.push_back(ShownAt(expected) - start);
    }

    // One frame of the screen with the view back, drawn as a paint draws it.
    std::vector<double> frames;
    for (int i = 0; i < kFrames; ++i) {
        PumpFor(30);
        frames.push_back(TimeOneFrame(screen));
    }
    const double frame = Median(frames);

    // Jumps to the oldest line, each from the end (Ctrl+Shift+End) after a pause.
    std::vector<double> jump;
    int oldest = -1;
    for (int i = 0; i < kJumps; ++i) {
        Reset();
        if (!CtrlShiftKey(focus, VK_END, [] { return ShownAt(0) >= 0; })) ++failures;
        PumpFor(kPauseMs);
        Reset();
        const double start = NowMs();
        double shown = -1.0;
        const bool ok = CtrlShiftKey(focus, VK_HOME, [&] {
            std::lock_guard<std::mutex> lock(g_lock);
            for (const auto& f : g_frames) {
                if (f.second > 0) {
                    shown = f.first;
                    oldest = f.second;
                    return true;
                }
            }
            return false;
        });
        if (!ok) {
            ++failures;
            continue;
        }
        jump.push_back(shown - start);
    }
    g_pfnFrameShown = nullptr;

    // Whether the jump went all the way: one line further back moves nothing.
    screen.ScrollView(1);
    const bool atOldest = screen.LinesBelow() == oldest;

    const double interval = static_cast<double>(CScreenWnd::kFrameIntervalMs);
    const RECT client = screen.GetClientRect();
    Info("B7", "%d lines fed in %.0f ms; the scrollback holds %zu bytes of text; screen %ld x %ld pixels", kHistoryLines,
         fillMs, screen.HistoryBytes(), client.right, client.bottom);
    Info("B7", "the frame interval %.0f ms; one frame of the screen with the view back, drawn as a paint: median "
         "%.1f ms (worst %.1f ms)", interval, frame, Max(frames));
    Report("wheel notch to the new view shown", notch, interval, frame);
    Report("Ctrl+Shift+Home to the oldest shown", jump, interval, frame);
    Info("B7", "the jump showed the view %d lines back%s", oldest, atOldest ? ", the oldest" : ", NOT the oldest");
    if (failures > 0) Info("B7", "%d steps timed out and are left out", failures);

    ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpUntil([&] { return !::IsWindow(hWnd); }, kTimeoutMs);
    return 0;
}
