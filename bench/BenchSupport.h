#pragma once
// What the benchmark programs share: a clock, medians, the figure lines they print, message pumping,
// a watch on the frames the screen shows, the texts they feed it, memory figures, and the platform's
// own flat glyph builder as a reference.
//
// Benchmarks print; they assert nothing. Every figure is printed with the reference it is compared
// with, measured in the same run, and the ratio between the two.
#include <windows.h>

#include <GL/gl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "framework/Wnd.h"
#include "screen/ScreenWnd.h"

namespace bench {

// Milliseconds from an arbitrary origin, from the performance counter.
double NowMs();
double Median(std::vector<double> values);
double Max(const std::vector<double>& values);

// How a figure compares with its reference: the ratio value / reference must stay at or below `limit`
// (kAtMost) or reach at least `limit` (kAtLeast).
enum class Bound { kAtMost, kAtLeast };

// Prints one figure line, for example
//   [B4] full extruded screen, frame            41.2 ms | ref flat glyphs   30.1 ms | ratio 1.37 | target <= 1.50 | met
// and remembers whether it met its target (AllMet).
void Figure(const char* id, const char* what, double value, const char* refWhat, double ref, const char* unit,
            Bound bound, double limit);
// A figure without a target: printed for information.
void Info(const char* id, const char* format, ...);
bool AllMet();

// The message loop's work until `done` holds or `timeoutMs` passed; true when `done` held.
bool PumpUntil(const std::function<bool()>& done, double timeoutMs);
void PumpFor(double ms);

// Lines line(from) .. line(to - 1), each ended by "\r\n", into the screen as the interpreter's reader
// brings them (chunks of up to 2,048 bytes, from a thread of its own) while this thread runs the message
// loop; returns when the last chunk is stored (the owed frame is not waited for).
void FeedLines(CScreenWnd& screen, int from, int to, const std::function<std::string(int)>& line);

// The current line is a prompt such as "Z:\work>" and the store holds it drawn.
bool PromptShown(CScreenWnd& screen);

// A file for a burst of output: `lines` listing lines, the last one naming the burst, so that a frame
// still showing the end of another burst can never pass for the end of this one; and the command that
// types it. An empty path when the file cannot be written.
struct Burst {
    std::string path;
    std::string lastLine;
    std::string command;
};
Burst MakeBurstFile(const char* prefix, int number, int lines);

// An 80-column line of printable ASCII text, different for each `index`, as a listing would print.
std::string ListingLine(int index);
// 80 distinct printable ASCII characters (0x21 to 0x70).
std::string AsciiLine80();
// 80 distinct two-byte Shift-JIS characters: 40 hiragana and katakana, then 40 kanji.
std::string KanjiLine80();
// The character codes of a Shift-JIS text (a byte, or lead * 256 + trail).
std::vector<unsigned> Codes(const std::string& text);

// Records the frames the screen shows, through the screen's frame-shown hook, and the first frame that
// shows a given text on one of the lines the frame draws. Start installs the hook; Stop removes it.
class FrameWatch {
public:
    static void Start();
    static void Stop();
    // Forgets the frames so far and starts looking for `marker` (empty: look for nothing).
    static void Reset(const std::string& marker);
    // Times (NowMs) of the frames shown since Reset.
    static std::vector<double> Frames();
    // Time of the first frame since Reset that showed the marker, or a negative value.
    static double MarkerShownAt();
};

// Whether one of the lines a frame draws now holds `text`. Takes the screen's lock.
bool ScreenShows(CScreenWnd& screen, const std::string& text);

// A top-level window holding a CScreenWnd the size of the program's screen (the program's default window
// of 600 x 400 less the entry box), as the main window holds it.
class ScreenHost {
public:
    ScreenHost();
    ~ScreenHost();
    ScreenHost(const ScreenHost&) = delete;
    ScreenHost& operator=(const ScreenHost&) = delete;
    CScreenWnd& Screen() { return m_screen; }
    HWND Window() const { return m_host.m_hWnd; }

private:
    CWnd m_host;  // declared first: destroyed after the screen object
    CScreenWnd m_screen;
};

// Draws one frame of the screen now, as a paint does, and returns how long it took (ms).
double TimeOneFrame(CScreenWnd& screen);

// Memory of this process: its private bytes (commit charge). Under Wine the figure comes from
// PagefileUsage (PrivateUsage stays 0) and counts the GL driver's allocations too.
struct MemoryFigures {
    double privateBytes = 0;
    bool fromPagefileUsage = false;
};
MemoryFigures ProcessMemory();

// The program's own heaps (the process's heaps, the C runtime's among them): bytes in blocks in use and
// bytes committed for them, as HeapWalk finds them. Under Wine the process figure above also holds what
// the system's own Unix side (the software renderer, the X client) allocates; these do not.
struct HeapFigures {
    double busyBytes = 0;
    double committedBytes = 0;
};
HeapFigures ProgramHeaps();

// Display list names alive in the current context (names from 1 up to above the highest in use).
int LiveDisplayLists();

// The platform's own outline builder (wglUseFontOutlinesA), flat (no extrusion): lists for `codes` in
// the font selected into `dc`, built with one call per run of consecutive codes, each flattened within
// `deviation` em. Returns code -> list; the lists stay until DeletePlatformGlyphs.
std::map<unsigned, GLuint> BuildPlatformGlyphs(HDC dc, const std::vector<unsigned>& codes, float deviation);
void DeletePlatformGlyphs(std::map<unsigned, GLuint>& glyphs);

// Number of triangles that calling `list` draws (face culling off), counted in feedback mode.
int CountTriangles(GLuint list);

}  // namespace bench
