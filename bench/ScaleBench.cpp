// B8 scale: how the program's costs grow with its window. The real main window at its default size and
// maximised on the display, in turn:
//  - the burst of B1 (`type` of a file of 2,000 lines of 80 columns): from Write to the first frame that
//    shows the file's last line, and the longest wait between two frames on the way;
//  - the frame of B4: a full screen (30 lines of 80 columns) extruded, drawn as a paint draws it.
// Figures only, no target: both sizes, their ratio, and the ratio of the screen's areas beside it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchSupport.h"
#include "framework/App.h"

using namespace bench;

namespace {

CWinApp g_app;  // the application object, as in the program: the main window is recorded in it

constexpr int kRounds = 5;       // bursts at each size, the sizes in turn
constexpr int kFrameRounds = 5;  // rounds of frames at each size, the sizes in turn
constexpr int kFramesPerRound = 9;
constexpr int kBurstLines = 2000;
constexpr double kTimeoutMs = 60000;

enum Size { kDefault, kMaximised, kSizes };
const char* const kSizeNames[kSizes] = {"default", "maximised"};

// The window at `size`; returns the screen's client area then.
RECT Resize(HWND hWnd, CScreenWnd& screen, Size size) {
    ::ShowWindow(hWnd, size == kMaximised ? SW_MAXIMIZE : SW_RESTORE);
    PumpFor(300);
    return screen.GetClientRect();
}

double Area(const RECT& rc) { return static_cast<double>(rc.right - rc.left) * (rc.bottom - rc.top); }

}  // namespace

int main() {
    std::vector<Burst> bursts;
    for (int i = 0; i < kRounds * kSizes; ++i) {
        bursts.push_back(MakeBurstFile("vextral_scale", i, kBurstLines));
        if (bursts.back().path.empty()) {
            std::printf("[B8] cannot write the burst files\n");
            return 1;
        }
    }
    auto* dlg = new CMainDialog();
    if (dlg->m_hWnd == nullptr) {
        std::printf("[B8] the main window cannot be made\n");
        return 1;
    }
    const HWND hWnd = dlg->m_hWnd;
    g_app.SetMainWnd(dlg);
    CScreenWnd& screen = dlg->m_Screen;
    int failures = 0;
    if (!PumpUntil([&] { return PromptShown(screen); }, kTimeoutMs)) ++failures;
    FrameWatch::Start();

    RECT area[kSizes] = {};
    std::vector<double> burst[kSizes], gap[kSizes], count[kSizes];
    for (int round = 0; round < kRounds; ++round) {
        for (int s = 0; s < kSizes; ++s) {
            const Size size = static_cast<Size>((s + round) % kSizes);
            area[size] = Resize(hWnd, screen, size);
            const Burst& b = bursts[static_cast<size_t>(round * kSizes + s)];
            PumpFor(100);
            FrameWatch::Reset(b.lastLine);
            const double start = NowMs();
            screen.SendCommand(b.command.c_str());
            if (!PumpUntil([] { return FrameWatch::MarkerShownAt() >= 0; }, kTimeoutMs)) {
                ++failures;
                continue;
            }
            const double shown = FrameWatch::MarkerShownAt();
            std::vector<double> frames = FrameWatch::Frames();
            frames.erase(std::remove_if(frames.begin(), frames.end(), [&](double t) { return t > shown; }),
                         frames.end());
            double longest = 0;
            for (size_t k = 1; k < frames.size(); ++k) longest = std::max(longest, frames[k] - frames[k - 1]);
            burst[size].push_back(shown - start);
            gap[size].push_back(longest);
            count[size].push_back(static_cast<double>(frames.size()));
            PumpUntil([&] { return PromptShown(screen); }, kTimeoutMs);
        }
    }
    FrameWatch::Stop();
    for (const Burst& b : bursts) ::DeleteFileA(b.path.c_str());

    // A full screen: 30 lines of 80 columns.
    for (int i = 0; i < CScreenWnd::kLineRecords; ++i) screen.AppendOutput((ListingLine(i) + "\r\n").c_str());
    PumpFor(200);
    std::vector<double> frame[kSizes];
    for (int round = 0; round < kFrameRounds; ++round) {
        for (int s = 0; s < kSizes; ++s) {
            const Size size = static_cast<Size>((s + round) % kSizes);
            area[size] = Resize(hWnd, screen, size);
            TimeOneFrame(screen);  // warms up at this size
            for (int i = 0; i < kFramesPerRound; ++i) frame[size].push_back(TimeOneFrame(screen));
        }
    }
    Resize(hWnd, screen, kDefault);

    const double areaRatio = Area(area[kDefault]) > 0 ? Area(area[kMaximised]) / Area(area[kDefault]) : 0.0;
    Info("B8", "screen %ld x %ld pixels (default window) and %ld x %ld (maximised): %.2fx the area",
         area[kDefault].right, area[kDefault].bottom, area[kMaximised].right, area[kMaximised].bottom, areaRatio);
    Info("B8", "type of %d lines of 80 columns, %d bursts at each size, the sizes in turn; medians", kBurstLines,
         kRounds);
    for (int s = 0; s < kSizes; ++s) {
        Info("B8", "burst, %-9s: Write to last line on screen %.0f ms (slowest %.0f), %.0f frames, longest wait "
             "between frames %.0f ms (worst %.0f)",
             kSizeNames[s], Median(burst[s]), Max(burst[s]), Median(count[s]), Median(gap[s]), Max(gap[s]));
    }
    const double burstRatio = Median(burst[kDefault]) > 0 ? Median(burst[kMaximised]) / Median(burst[kDefault]) : 0;
    const double gapRatio = Median(gap[kDefault]) > 0 ? Median(gap[kMaximised]) / Median(gap[kDefault]) : 0;
    Info("B8", "burst maximised / default: %.2f; longest wait maximised / default: %.2f; area ratio %.2f",
         burstRatio, gapRatio, areaRatio);
    for (int s = 0; s < kSizes; ++s) {
        Info("B8", "full screen (30 x 80) extruded, %-9s: frame %.1f ms (worst %.1f), %zu frames", kSizeNames[s],
             Median(frame[s]), Max(frame[s]), frame[s].size());
    }
    const double frameRatio = Median(frame[kDefault]) > 0 ? Median(frame[kMaximised]) / Median(frame[kDefault]) : 0;
    Info("B8", "frame maximised / default: %.2f against an area ratio of %.2f (%.2f of the area's growth; 1: the "
         "frame grows as the area)",
         frameRatio, areaRatio, areaRatio > 1 ? (frameRatio - 1) / (areaRatio - 1) : 0.0);
    if (failures > 0) Info("B8", "%d steps timed out or failed and are left out", failures);

    ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpUntil([&] { return !::IsWindow(hWnd); }, kTimeoutMs);
    return 0;
}
