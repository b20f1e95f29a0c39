// B1 burst and B2 latency: the real program (its main window with the screen and the interpreter behind
// its pipes) against the interpreter alone, whose output pipe a plain reader only drains.
//
// B1: `type` of a generated file of 2,000 lines of 80 columns. Program: from Write to the first frame
// that shows the file's last line, the frames drawn on the way and the longest wait between two of them;
// the scrollback full (10,000 lines fed through the screen first).
// Reference: from Write to the last line's arrival in the drained pipe.
// B2: `echo` of a short text. Program: from Write to the first frame that shows it. Reference: from Write
// to its arrival in the drained pipe, plus the time of one frame of the program's screen drawn after the
// same pause.
//
// Wine's interpreter runs only the first of several lines waiting in its input, so each command waits
// for the prompt that ends the one before. The two sides take turns, session by session.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "bench/BenchSupport.h"
#include "console/ConsoleProcess.h"
#include "framework/App.h"

using namespace bench;

namespace {

CWinApp g_app;  // the application object, as in the program: the main window is recorded in it

constexpr int kSessions = 3;
constexpr int kBurstsPerSession = 3;
constexpr int kEchoesPerSession = 12;
constexpr int kBurstLines = 2000;
constexpr int kHistoryLines = 10000;  // the scrollback's bound in lines
constexpr double kTimeoutMs = 60000;
// The pause before each command, as a person's typing leaves one.
constexpr double kPauseMs = 150;

// ---- The interpreter alone ----------------------------------------------------------------------------

std::mutex g_drainLock;
std::string g_drained;        // everything read since the last Clear, kept short
std::string g_drainMarker;    // what the current command waits for
double g_drainMarkerAt = -1;  // when it arrived
double g_drainFirstAt = -1;   // when the first output of the command arrived

void OnDrainOutput(const char* text) {
    const double now = NowMs();
    std::lock_guard<std::mutex> lock(g_drainLock);
    if (g_drainFirstAt < 0) g_drainFirstAt = now;
    g_drained += text;
    if (g_drainMarkerAt < 0 && !g_drainMarker.empty() && g_drained.find(g_drainMarker) != std::string::npos)
        g_drainMarkerAt = now;
    // The tail is enough to find a marker cut by a chunk boundary and the prompt.
    if (g_drained.size() > 4096) g_drained.erase(0, g_drained.size() - 1024);
}
void OnDrainMessage(const char*) {}
void OnDrainExit() {}

void ExpectDrained(const std::string& marker) {
    std::lock_guard<std::mutex> lock(g_drainLock);
    g_drained.clear();
    g_drainMarker = marker;
    g_drainMarkerAt = -1;
    g_drainFirstAt = -1;
}

bool DrainedEndsWithPrompt() {
    std::lock_guard<std::mutex> lock(g_drainLock);
    return !g_drained.empty() && g_drained.back() == '>';
}

double DrainedMarkerAt() {
    std::lock_guard<std::mutex> lock(g_drainLock);
    return g_drainMarkerAt;
}

// ---- Results --------------------------------------------------------------------------------------------

struct Results {
    std::vector<double> refBurst, refBurstFirst, progBurst, progFrames, progMaxGap, progFirstFrame;
    std::vector<double> refEcho, progEcho, frameTime;
    std::vector<double> historyBytes;  // the scrollback's text before each session's bursts
    int failures = 0;
};

std::vector<Burst> g_bursts;  // the files of all bursts; each side's session s uses the same ones

std::string EchoToken(int session, int i) { return "vxecho" + std::to_string(session * 100 + i) + "z"; }

void ReferenceSession(int session, Results& r) {
    ConsoleProcess console;
    ExpectDrained("");
    if (!console.Start(OnDrainOutput, OnDrainMessage, OnDrainExit) ||
        !PumpUntil(DrainedEndsWithPrompt, kTimeoutMs)) {
        ++r.failures;
        return;
    }
    for (int i = 0; i < kEchoesPerSession; ++i) {
        const std::string token = EchoToken(session, i);
        PumpFor(kPauseMs);
        ExpectDrained(token);
        const double start = NowMs();
        console.Write(("echo " + token + "\r\n").c_str());
        if (!PumpUntil([] { return DrainedMarkerAt() >= 0 && DrainedEndsWithPrompt(); }, kTimeoutMs)) {
            ++r.failures;
            continue;
        }
        r.refEcho.push_back(DrainedMarkerAt() - start);
    }
    for (int i = 0; i < kBurstsPerSession; ++i) {
        const Burst& burst = g_bursts[static_cast<size_t>(session * kBurstsPerSession + i)];
        PumpFor(100);
        ExpectDrained(burst.lastLine);
        const double start = NowMs();
        console.Write(burst.command.c_str());
        if (!PumpUntil([] { return DrainedMarkerAt() >= 0 && DrainedEndsWithPrompt(); }, kTimeoutMs)) {
            ++r.failures;
            continue;
        }
        r.refBurst.push_back(DrainedMarkerAt() - start);
        std::lock_guard<std::mutex> lock(g_drainLock);
        r.refBurstFirst.push_back(g_drainFirstAt - start);
    }
    console.Stop();
}

// ---- The program ----------------------------------------------------------------------------------------

// The current line is a prompt such as "Z:\work>" and the store holds it drawn.
void ProgramSession(int session, Results& r) {
    auto* dlg = new CMainDialog();
    if (dlg->m_hWnd == nullptr) {
        delete dlg;
        ++r.failures;
        return;
    }
    const HWND hWnd = dlg->m_hWnd;
    g_app.SetMainWnd(dlg);
    CScreenWnd& screen = dlg->m_Screen;
    if (!PumpUntil([&] { return PromptShown(screen); }, kTimeoutMs)) ++r.failures;

    for (int i = 0; i < kEchoesPerSession; ++i) {
        const std::string token = EchoToken(session, i);
        // One frame of the screen as it is, drawn after the same pause as the answer's: the "one frame
        // time" the answer may take beyond the interpreter's own time.
        PumpFor(kPauseMs);
        r.frameTime.push_back(TimeOneFrame(screen));
        PumpFor(kPauseMs);
        FrameWatch::Reset(token);
        const double start = NowMs();
        screen.SendCommand(("echo " + token + "\r\n").c_str());
        if (!PumpUntil([] { return FrameWatch::MarkerShownAt() >= 0; }, kTimeoutMs) ||
            !PumpUntil([&] { return PromptShown(screen); }, kTimeoutMs)) {
            ++r.failures;
            continue;
        }
        r.progEcho.push_back(FrameWatch::MarkerShownAt() - start);
    }
    // The bursts run with the scrollback full, as a long session leaves it: every line they bring drops
    // the oldest one kept.
    FeedLines(screen, 0, kHistoryLines, ListingLine);
    PumpUntil([&] { return PromptShown(screen); }, kTimeoutMs);
    r.historyBytes.push_back(static_cast<double>(screen.HistoryBytes()));
    for (int i = 0; i < kBurstsPerSession; ++i) {
        const Burst& burst = g_bursts[static_cast<size_t>(session * kBurstsPerSession + i)];
        PumpFor(100);
        FrameWatch::Reset(burst.lastLine);
        const double start = NowMs();
        screen.SendCommand(burst.command.c_str());
        if (!PumpUntil([] { return FrameWatch::MarkerShownAt() >= 0; }, kTimeoutMs)) {
            ++r.failures;
            continue;
        }
        const double shown = FrameWatch::MarkerShownAt();
        std::vector<double> frames = FrameWatch::Frames();
        frames.erase(std::remove_if(frames.begin(), frames.end(), [&](double t) { return t > shown; }),
                     frames.end());
        r.progBurst.push_back(shown - start);
        r.progFrames.push_back(static_cast<double>(frames.size()));
        // The longest wait between two frames once the output is on its way (from the first frame on).
        double gap = 0;
        for (size_t k = 1; k < frames.size(); ++k) gap = std::max(gap, frames[k] - frames[k - 1]);
        r.progMaxGap.push_back(gap);
        r.progFirstFrame.push_back(frames.empty() ? 0.0 : frames.front() - start);
        PumpUntil([&] { return PromptShown(screen); }, kTimeoutMs);
    }
    ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpUntil([&] { return !::IsWindow(hWnd); }, kTimeoutMs);
}

}  // namespace

int main() {
    for (int i = 0; i < kSessions * kBurstsPerSession; ++i) {
        g_bursts.push_back(MakeBurstFile("vextral_burst", i, kBurstLines));
        if (g_bursts.back().path.empty()) {
            std::printf("[B1] cannot write the burst files\n");
            return 1;
        }
    }
    FrameWatch::Start();
    Results r;
    for (int session = 0; session < kSessions; ++session) {
        ReferenceSession(session, r);
        ProgramSession(session, r);
    }
    FrameWatch::Stop();
    for (const Burst& b : g_bursts) ::DeleteFileA(b.path.c_str());

    Info("B1", "type of %d lines of 80 columns; %d sessions of each side in turn, %d bursts each; medians",
         kBurstLines, kSessions, kBurstsPerSession);
    Info("B1", "the program's bursts run with the scrollback full: %d lines fed before them (%.0f bytes of text "
         "kept at the first burst)", kHistoryLines, r.historyBytes.empty() ? 0.0 : r.historyBytes.front());
    Figure("B1", "burst: Write to last line on screen", Median(r.progBurst), "interpreter alone, pipe drained",
           Median(r.refBurst), "ms", Bound::kAtMost, 3.0);
    Figure("B1", "burst: longest wait between frames", Median(r.progMaxGap), "100 ms", 100.0, "ms", Bound::kAtMost,
           1.0);
    Info("B1", "frames drawn from Write to the last line: median %.0f (%.0f to %.0f); first frame after %.1f ms "
         "(the interpreter's first output after %.1f ms); slowest burst %.1f ms, longest wait %.1f ms",
         Median(r.progFrames), r.progFrames.empty() ? 0.0 : *std::min_element(r.progFrames.begin(), r.progFrames.end()),
         Max(r.progFrames), Median(r.progFirstFrame), Median(r.refBurstFirst), Max(r.progBurst), Max(r.progMaxGap));

    const double frame = Median(r.frameTime);
    const double refEcho = Median(r.refEcho);
    Info("B2", "echo of a short text; %d per session, medians", kEchoesPerSession);
    Figure("B2", "echo: Write to answer on screen", Median(r.progEcho), "interpreter's answer + one frame",
           refEcho + frame, "ms", Bound::kAtMost, 1.0);
    Info("B2", "the interpreter's own answer time %.2f ms; one frame of the screen %.2f ms; slowest answer on "
         "screen %.2f ms", refEcho, frame, Max(r.progEcho));
    if (r.failures > 0) Info("B1", "%d steps timed out or failed and are left out", r.failures);
    return 0;
}
