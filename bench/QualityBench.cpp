// B9 picture quality: how near what the screen shows comes to the ideal picture of its scene. The
// scene: a screen full of text (30 lines of 80 columns) in the default colours and view, in the
// program's default screen (586 x 339). The reference: the same scene drawn at 4 x 4 times the size
// (the same aspect, so the same projection) and box-filtered down, 16 samples per pixel on a regular
// grid. Compared, as the screen window shows them (its pixels read back through GDI): the fast
// single-sampled frame drawn while anything changes, the picture multisampled once, and the refined
// picture shown once the picture rests. The figure is the mean absolute difference from the reference
// over every colour channel of every pixel (0 to 255). Then the time from a change to the refined
// picture on the screen, and the longest slice of the refinement against a frame interval. A second,
// finer reference (64 samples a pixel) tells how near each picture, and the 16-sample reference, come to
// the scene itself.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "tests/support/ScreenPicture.h"
#include "tests/support/TestSupport.h"

using namespace bench;

namespace {

constexpr int kRounds = 5;
constexpr int kScreenWidth = 586;
constexpr int kScreenHeight = 339;
constexpr double kTimeoutMs = 10000;

// Draws the whole frame again (a paint: the fast frame) and waits for the refined picture that follows
// the rest; the time from the paint to that picture, or a negative value when none came.
double RefineAfterPaint(CScreenWnd& screen) {
    const double start = NowMs();
    screen.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    if (!PumpUntil([&] { return screen.m_bShowsRefined; }, kTimeoutMs)) return -1.0;
    return NowMs() - start;
}

double Min(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

std::vector<unsigned char> Shown(CScreenWnd& screen) {
    int width = 0;
    return vxtest::WindowPixels(screen.m_hWnd, width);
}

}  // namespace

int main() {
    ScreenHost host;
    CScreenWnd& screen = host.Screen();
    // The program's default screen: its default window of 600 x 400 less the entry box (as B8 measures).
    ::SetWindowPos(screen.m_hWnd, nullptr, 0, 0, kScreenWidth, kScreenHeight, SWP_NOMOVE | SWP_NOZORDER);
    PumpFor(100);
    const RECT rc = screen.GetClientRect();
    for (int i = 0; i < 30; ++i) screen.AppendOutput((ListingLine(i) + "\r\n").c_str());
    PumpUntil([&] { return screen.m_bShowsRefined; }, kTimeoutMs);

    const std::vector<unsigned char> reference = vxtest::SupersampledPicture(screen, 4);
    if (reference.empty()) {
        Info("B9", "the reference could not be drawn (no framebuffer objects)");
        return 1;
    }
    // A finer picture (64 samples a pixel), to tell how near each comes to the scene itself, the 16-sample
    // reference included: the reference's own grid is the one the refined passes sample on.
    const std::vector<unsigned char> fine = vxtest::SupersampledPicture(screen, 8);
    std::vector<double> fineFast, fineMulti, fineRefined;
    std::vector<double> fast, multi, refined, toRefined, slices, longest;
    // Where the window's own format is multisampled (frames shown by SwapBuffers) every frame is: the fast
    // frame is the multisampled picture, and none is drawn apart from it.
    const bool ownSamples = !screen.m_bPresentByCopy && screen.m_nSamples >= 2;
    for (int round = 0; round < kRounds; ++round) {
        // The fast frame, read before anything else is handled.
        screen.m_nRefineSamples = kRefineSamples;
        screen.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
        fast.push_back(vxtest::MeanDifference(Shown(screen), reference));
        fineFast.push_back(vxtest::MeanDifference(Shown(screen), fine));
        // One multisampled pass.
        screen.m_nRefineSamples = 0;
        if (!ownSamples && RefineAfterPaint(screen) >= 0) {
            multi.push_back(vxtest::MeanDifference(Shown(screen), reference));
            fineMulti.push_back(vxtest::MeanDifference(Shown(screen), fine));
        }
        // The refined picture.
        screen.m_nRefineSamples = kRefineSamples;
        const double took = RefineAfterPaint(screen);
        if (took < 0) continue;
        refined.push_back(vxtest::MeanDifference(Shown(screen), reference));
        fineRefined.push_back(vxtest::MeanDifference(Shown(screen), fine));
        toRefined.push_back(took);
        slices.push_back(screen.m_refineStats.nSlices);
        longest.push_back(screen.m_refineStats.longestSliceMs);
    }
    // A real change: a line of output, to the refined picture of the new screen.
    std::vector<double> outputToRefined;
    for (int i = 0; i < kRounds; ++i) {
        const double start = NowMs();
        screen.AppendOutput((ListingLine(100 + i) + "\r\n").c_str());
        if (PumpUntil([&] { return screen.m_bShowsRefined; }, kTimeoutMs)) outputToRefined.push_back(NowMs() - start);
    }

    if (ownSamples) {
        multi = fast;
        fineMulti = fineFast;
    }
    const CScreenWnd::RefineStats& s = screen.m_refineStats;
    Info("B9", "screen %ld x %ld; multisampled: %d samples; refined: %d single-sampled passes; %d rounds, the worst "
         "of each", rc.right, rc.bottom, screen.m_nSamples, s.passes, kRounds);
    const char* fastIs = ownSamples ? "the fast frame (multisampled: the window's own format)" : "single-sampled";
    Info("B9", "mean |difference| from the 16-sample reference, 0 to 255: %s %.2f to %.2f, "
         "multisampled %.2f to %.2f, refined %.2f to %.2f",
         fastIs, Min(fast), Max(fast), Min(multi), Max(multi), Min(refined), Max(refined));
    Info("B9", "against 64 samples a pixel instead (worst): the fast frame %.2f, multisampled %.2f, refined %.2f; "
         "the 16-sample reference itself %.2f",
         Max(fineFast), Max(fineMulti), Max(fineRefined), vxtest::MeanDifference(reference, fine));
    // A picture that never came is no figure (an empty set's maximum would read 0, met).
    if (multi.empty()) Info("B9", "no multisampled picture came (%d samples)", screen.m_nSamples);
    else Figure("B9", "multisampled once, difference", Max(multi), "target", 3.5, "", Bound::kAtMost, 1.0);
    if (refined.empty()) Info("B9", "no refined picture came");
    else Figure("B9", "refined picture, difference", Max(refined), "target", 1.0, "", Bound::kAtMost, 1.0);
    Info("B9", "a paint to the refined picture on screen: median %.0f ms, slowest %.0f ms (the picture rests %u ms "
         "first); output to the refined picture: median %.0f ms, slowest %.0f ms",
         Median(toRefined), Max(toRefined), CScreenWnd::kRefineRestMs, Median(outputToRefined),
         Max(outputToRefined));
    Info("B9", "slices of a refinement: median %.0f, of %.1f ms (median, the last round); the longest slice %.1f ms "
         "(median of the rounds' longest %.1f ms)",
         Median(slices), Median(screen.m_refineStats.sliceMs), Max(longest), Median(longest));
    if (!longest.empty())
        Figure("B9", "refinement, the longest slice", Max(longest), "a frame interval", 1000.0 / 60.0, "ms",
               Bound::kAtMost, 1.0);
    return 0;
}
