// B10 find: the real main window with its scrollback full of lines of 4,096 bytes. From Enter in the
// find bar, posted as the keyboard delivers it, to the frame that shows the view moved to the match,
// presented. Reference: two frame intervals (CScreenWnd::kFrameIntervalMs each).
//
// The scrollback keeps at most 8 MiB of text, which is 2,048 such lines; the search over 10,000 of them
// (40 MiB, a scrollback with a larger bound) is timed beside it, as the search alone: every row looked at
// for the count, the nearest match then picked from the rows found. The lines are words of a listing, every one of them
// holding the search text's first letters many times, with one token each that names the line.
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchSupport.h"
#include "framework/App.h"
#include "screen/HistoryFind.h"

using namespace bench;

namespace {

CWinApp g_app;  // the application object, as in the program: the main window is recorded in it

constexpr int kLineBytes = 4096;
constexpr int kScreenLines = 2100;  // past what the scrollback keeps of such lines
constexpr int kPureLines = 10000;
constexpr int kSearches = 12;
constexpr double kTimeoutMs = 10000;
constexpr double kPauseMs = 150;

// A line of `kLineBytes` bytes: words, and the token "tok<index>." a third of the way along.
std::string FindLine(int index) {
    static const char* const kWords[] = {"total ", "text ", "tree ", "table ", "token ", "temp ", "to ", "tab "};
    std::string line;
    const std::string token = "tok" + std::to_string(index) + ". ";
    for (int w = 0; line.size() < kLineBytes; ++w) {
        if (w == 200) line += token;
        line += kWords[(w + index) % 8];
    }
    line.resize(kLineBytes);
    return line;
}

std::mutex g_lock;
std::vector<std::pair<double, int>> g_frames;  // when a frame was shown, and the lines below its view

void OnFrameShown(CScreenWnd& screen) {
    const double now = NowMs();
    const int below = screen.LinesBelow();  // the hook runs with the screen's lock held on this thread
    std::lock_guard<std::mutex> lock(g_lock);
    g_frames.push_back({now, below});
}

double ShownAt(int below, double after) {
    std::lock_guard<std::mutex> lock(g_lock);
    for (const auto& f : g_frames) {
        if (f.first >= after && f.second == below) return f.first;
    }
    return -1.0;
}

}  // namespace

int main() {
    auto* dlg = new CMainDialog();
    if (dlg->m_hWnd == nullptr) {
        std::printf("[B10] the main window cannot be made\n");
        return 1;
    }
    const HWND hWnd = dlg->m_hWnd;
    g_app.SetMainWnd(dlg);
    CScreenWnd& screen = dlg->m_Screen;
    if (!PumpUntil([&] { return PromptShown(screen); }, 60000)) std::printf("[B10] no prompt from the interpreter\n");
    const double fillStart = NowMs();
    FeedLines(screen, 0, kScreenLines, FindLine);
    PumpFor(300);
    const double fillMs = NowMs() - fillStart;

    // The bar, opened as Ctrl+F opens it.
    dlg->m_FindBar.Open();
    const HWND text = dlg->m_FindBar.TextWindow();
    g_pfnFrameShown = &OnFrameShown;
    std::vector<double> times;
    int failures = 0;
    for (int i = 0; i < kSearches; ++i) {
        // Each time another line, spread over what the scrollback holds, so that the view moves.
        const int target = kScreenLines - 40 - i * 150;
        const std::string needle = "tok" + std::to_string(target) + ".";
        ::SetWindowTextA(text, needle.c_str());
        screen.ScrollViewToNewest();
        PumpFor(kPauseMs);
        {
            std::lock_guard<std::mutex> lock(g_lock);
            g_frames.clear();
        }
        const double start = NowMs();
        ::PostMessageA(text, WM_KEYDOWN, VK_RETURN, 1);
        // The search has run once the status changes; then the frame showing its view is waited for.
        const bool ran = PumpUntil([&] { return screen.LinesBelow() > 0; }, kTimeoutMs);
        const int below = screen.LinesBelow();
        if (!ran || !PumpUntil([&] { return ShownAt(below, start) >= 0; }, kTimeoutMs)) {
            ++failures;
            continue;
        }
        times.push_back(ShownAt(below, start) - start);
    }
    g_pfnFrameShown = nullptr;
    const std::string status = dlg->m_FindBar.StatusText();
    // The screen's search alone, in the same scrollback: the scan, the count and the view moved.
    std::vector<double> finds;
    for (int i = 0; i < 6; ++i) {
        screen.ScrollViewToNewest();
        PumpFor(100);
        const double t0 = NowMs();
        screen.Find("tok" + std::to_string(kScreenLines - 40 - i * 150) + ".", true);
        finds.push_back(NowMs() - t0);
    }
    // One frame of the last view found, drawn again as a paint draws it: its lines are built by now.
    std::vector<double> paints;
    for (int i = 0; i < 5; ++i) {
        PumpFor(30);
        paints.push_back(TimeOneFrame(screen));
    }

    // Picking the line under the pointer, at points all over the screen, the view as last drawn.
    const RECT client = screen.GetClientRect();
    std::vector<double> picks;
    int hits = 0;
    for (int i = 0; i < 400; ++i) {
        const POINT pt{static_cast<LONG>((i * 37) % (client.right > 0 ? client.right : 1)),
                       static_cast<LONG>((i * 53) % (client.bottom > 0 ? client.bottom : 1))};
        const double t0 = NowMs();
        hits += screen.PickLine(pt, false) ? 1 : 0;
        picks.push_back(NowMs() - t0);
    }
    screen.ClearSelection();

    // The search alone over 10,000 such lines.
    ScrollHistory big(kPureLines, static_cast<std::size_t>(kPureLines) * kLineBytes * 2, kLineBytes);
    for (int i = 0; i < kPureLines; ++i) {
        big.Append(FindLine(i), 0);
        big.NewLine();
    }
    std::vector<double> pure;
    for (int i = 0; i < kSearches; ++i) {
        const std::string needle = "tok" + std::to_string(kPureLines - 1 - i * 800) + ".";
        const double start = NowMs();
        const std::vector<std::size_t> rows = MatchingRows(big, needle);
        const auto nearest = NearestMatch(rows, big.RowCount(), true, false);
        pure.push_back(NowMs() - start);
        if (!nearest || rows.size() != 1) ++failures;
    }

    const double interval = static_cast<double>(CScreenWnd::kFrameIntervalMs);
    Info("B10", "%d lines of %d bytes fed in %.0f ms; the scrollback keeps %zu bytes of them (its bound)", kScreenLines,
         kLineBytes, fillMs, screen.HistoryBytes());
    Figure("B10", "Enter to the match shown, median", Median(times), "two frame intervals", 2 * interval, "ms",
           Bound::kAtMost, 1.0);
    Figure("B10", "Enter to the match shown, worst", Max(times), "two frame intervals", 2 * interval, "ms",
           Bound::kAtMost, 1.0);
    Info("B10", "%zu searches; the bar said \"%s\" after the last; that view drawn again as a paint: median %.1f ms",
         times.size(), status.c_str(), Median(paints));
    Info("B10", "the screen's search alone (CScreenWnd::Find): median %.1f ms, worst %.1f ms", Median(finds),
         Max(finds));
    Info("B10", "the search alone over %d lines of %d bytes (%zu bytes): median %.1f ms, worst %.1f ms", kPureLines,
         kLineBytes, big.Bytes(), Median(pure), Max(pure));
    Info("B10", "picking the line under the pointer: median %.3f ms, worst %.3f ms (%zu points, %d on a line)",
         Median(picks), Max(picks), picks.size(), hits);
    if (failures > 0) Info("B10", "%d searches timed out or found the wrong rows and are left out", failures);

    ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpUntil([&] { return !::IsWindow(hWnd); }, kTimeoutMs);
    return 0;
}
