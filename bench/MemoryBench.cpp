// B5 memory: the display lists alive and the process's private memory once the scrollback is full (after
// 11,000 lines) and after 100,000 lines of output through the screen, fed as the interpreter's reader
// feeds it (chunks of up to 2,048 bytes from a thread of its own, while this thread answers messages and
// draws the frames), with ASCII lines and some lines of kana and kanji; and the bytes of text the
// scrollback holds at both points.
#include <GL/gl.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "bench/BenchSupport.h"

using namespace bench;

namespace {

// The reference is taken once the scrollback is full: it keeps up to 10,000 lines (bounded), so until then
// memory grows with the output by design; from there on it must stay flat. 11,000 lines leave a margin
// beyond the bound.
constexpr int kReferenceLines = 11000;
constexpr int kTotalLines = 100000;

// Line `i` of the output: mostly listing lines, every seventh one of kana and kanji of varying length.
std::string OutputLine(int i) {
    if (i % 7 == 3) {
        const std::string kanji = KanjiLine80();
        return kanji.substr(0, static_cast<size_t>(2 * (10 + i % 60)));
    }
    return ListingLine(i);
}

// Feeds lines [from, to) from a thread of its own in chunks of up to 2,048 bytes, as the reader does,
// while this thread runs the message loop; returns the time until the last chunk was stored (the owed
// frame is drawn after it, outside that time).
double Feed(CScreenWnd& screen, int from, int to) {
    const double start = NowMs();
    FeedLines(screen, from, to, OutputLine);
    const double time = NowMs() - start;
    PumpFor(200);  // the owed frame
    return time;
}

struct Snapshot {
    int lists = 0;
    MemoryFigures memory;
    HeapFigures heaps;
    size_t historyBytes = 0;
};

Snapshot Take(CScreenWnd& screen) {
    Snapshot s;
    CGLDC dc(screen);
    ::wglMakeCurrent(dc.get(), screen.GetRC());
    s.lists = LiveDisplayLists();
    ::wglMakeCurrent(nullptr, nullptr);
    s.memory = ProcessMemory();
    s.heaps = ProgramHeaps();
    s.historyBytes = screen.HistoryBytes();
    return s;
}

}  // namespace

int main() {
    ScreenHost host;
    CScreenWnd& screen = host.Screen();
    FrameWatch::Start();

    FrameWatch::Reset("");
    const double first = Feed(screen, 0, kReferenceLines);
    const size_t firstFrames = FrameWatch::Frames().size();
    const Snapshot a = Take(screen);
    FrameWatch::Reset("");
    // On the way, in steps: whether what grows past the reference keeps growing or levels off.
    constexpr int kSteps[] = {25000, 50000, 75000, kTotalLines};
    double rest = 0;
    size_t restFrames = 0;
    std::string steps;
    int from = kReferenceLines;
    for (int to : kSteps) {
        rest += Feed(screen, from, to);
        restFrames += FrameWatch::Frames().size();
        FrameWatch::Reset("");
        char step[64];
        std::snprintf(step, sizeof step, "%s%d lines %.3f MB", steps.empty() ? "" : ", ", to,
                      ProcessMemory().privateBytes / 1048576.0);
        steps += step;
        from = to;
    }
    const Snapshot b = Take(screen);
    FrameWatch::Stop();

    Figure("B5", "display lists alive after 100,000 lines", b.lists, "after 11,000 lines (history full)", a.lists,
           "", Bound::kAtMost, 1.05);
    Figure("B5", "private bytes after 100,000 lines", b.memory.privateBytes / 1048576.0,
           "after 11,000 lines (history full)", a.memory.privateBytes / 1048576.0, "MB", Bound::kAtMost, 1.05);
    Info("B5", "the scrollback's text: %zu bytes after 11,000 lines, %zu bytes after 100,000 lines (%.3f of it)",
         a.historyBytes, b.historyBytes,
         a.historyBytes > 0 ? static_cast<double>(b.historyBytes) / static_cast<double>(a.historyBytes) : 0.0);
    Info("B5", "private bytes on the way (after 11,000 lines %.3f MB): %s", a.memory.privateBytes / 1048576.0,
         steps.c_str());
    Info("B5", "the program's own heaps: %.3f MB in use, %.3f MB committed after 11,000 lines; %.3f MB in use, "
         "%.3f MB committed after 100,000 lines (%.3f of it committed)", a.heaps.busyBytes / 1048576.0,
         a.heaps.committedBytes / 1048576.0, b.heaps.busyBytes / 1048576.0, b.heaps.committedBytes / 1048576.0,
         a.heaps.committedBytes > 0 ? b.heaps.committedBytes / a.heaps.committedBytes : 0.0);
    if (b.memory.fromPagefileUsage) {
        Info("B5", "private bytes as the system reports them in PagefileUsage (PrivateUsage is 0 here)");
    }
    Info("B5", "feeding: 11,000 lines in %.0f ms (%zu frames), the next 89,000 in %.0f ms (%zu frames): "
         "%.1f us a line", first, firstFrames, rest, restFrames, rest * 1000.0 / (kTotalLines - kReferenceLines));
    return 0;
}
