#include "bench/BenchSupport.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "framework/App.h"

namespace bench {

double NowMs() {
    static const double kPerMs = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / kPerMs;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

double Max(const std::vector<double>& values) {
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

namespace {
bool g_allMet = true;
}  // namespace

void Figure(const char* id, const char* what, double value, const char* refWhat, double ref, const char* unit,
            Bound bound, double limit) {
    const double ratio = ref > 0.0 ? value / ref : 0.0;
    const bool met = ref > 0.0 && (bound == Bound::kAtMost ? ratio <= limit : ratio >= limit);
    g_allMet = g_allMet && met;
    std::printf("[%s] %-44s %10.3f %-3s | ref %-34s %10.3f %-3s | ratio %7.3f | target %s %.3f | %s\n", id,
                what, value, unit, refWhat, ref, unit, ratio, bound == Bound::kAtMost ? "<=" : ">=", limit,
                met ? "met" : "NOT MET");
    std::fflush(stdout);
}

void Info(const char* id, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::printf("[%s]   %s\n", id, text);
    std::fflush(stdout);
}

bool AllMet() { return g_allMet; }

bool PumpUntil(const std::function<bool()>& done, double timeoutMs) {
    const double end = NowMs() + timeoutMs;
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            CWinApp::PumpOne(msg);
        }
        if (done()) return true;
        if (NowMs() > end) return false;
        // Wakes for the next message at once, and looks again at least every millisecond.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

void PumpFor(double ms) {
    PumpUntil([] { return false; }, ms);
}

bool PromptShown(CScreenWnd& screen) {
    screen.Lock();
    const std::string line = screen.m_strLine;
    screen.Unlock();
    return !line.empty() && line.back() == '>' && ScreenShows(screen, line);
}

Burst MakeBurstFile(const char* prefix, int number, int lines) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    Burst b;
    b.path = std::string(dir) + prefix + std::to_string(number) + ".txt";
    b.lastLine = ListingLine(lines - 1);
    b.lastLine.replace(0, 16, "end of burst " + std::to_string(1000 + number));
    b.command = "type \"" + b.path + "\"\r\n";
    FILE* f = std::fopen(b.path.c_str(), "wb");
    if (f == nullptr) return Burst{};
    for (int i = 0; i < lines - 1; ++i) std::fprintf(f, "%s\r\n", ListingLine(i).c_str());
    std::fprintf(f, "%s\r\n", b.lastLine.c_str());
    std::fclose(f);
    return b;
}

std::string ListingLine(int index) {
    // Like a directory listing: a date, a size and a name, padded with a running pattern to 80 columns.
    char head[64];
    std::snprintf(head, sizeof head, "2024/%02d/%02d  %02d:%02d  %12d  file%05d.dat ", 1 + index % 12,
                  1 + index % 28, index % 24, index % 60, (index * 7919) % 1000000, index);
    std::string line = head;
    static const char kPattern[] = "The quick brown fox jumps over the lazy dog; 0123456789 [({<>})] ";
    for (size_t i = 0; line.size() < 80; ++i) line += kPattern[(static_cast<size_t>(index) + i) % (sizeof kPattern - 1)];
    return line;
}

std::string AsciiLine80() {
    std::string line;
    for (int c = 0x21; c < 0x21 + 80; ++c) line += static_cast<char>(c);
    return line;
}

std::string KanjiLine80() {
    std::string line;
    // Hiragana 0x829F.. and katakana 0x8340.., then kanji of the first level from 0x889F on.
    for (int i = 0; i < 20; ++i) line += {'\x82', static_cast<char>(0xA0 + 2 * i)};
    for (int i = 0; i < 20; ++i) line += {'\x83', static_cast<char>(0x41 + 2 * i)};
    for (int i = 0; i < 40; ++i) line += {'\x88', static_cast<char>(0x9F + i)};
    return line;
}

std::vector<unsigned> Codes(const std::string& text) {
    std::vector<unsigned> codes;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && i + 1 < text.size()) {
            codes.push_back(b * 256u + static_cast<unsigned char>(text[i + 1]));
            ++i;
        } else {
            codes.push_back(b);
        }
    }
    return codes;
}

// ---- Frames -------------------------------------------------------------------------------------------

namespace {

std::mutex g_watchLock;
std::vector<double> g_frames;
std::string g_marker;
double g_markerShownAt = -1.0;

void OnFrameShown(CScreenWnd& screen) {
    const double now = NowMs();
    std::string marker;
    {
        std::lock_guard<std::mutex> lock(g_watchLock);
        g_frames.push_back(now);
        if (g_marker.empty() || g_markerShownAt >= 0.0) return;
        marker = g_marker;
    }
    // The hook runs with the screen's lock held on this thread: ScreenShows takes it again.
    if (ScreenShows(screen, marker)) {
        std::lock_guard<std::mutex> lock(g_watchLock);
        if (g_markerShownAt < 0.0 && g_marker == marker) g_markerShownAt = now;
    }
}

}  // namespace

void FrameWatch::Start() { g_pfnFrameShown = &OnFrameShown; }

void FrameWatch::Stop() { g_pfnFrameShown = nullptr; }

void FrameWatch::Reset(const std::string& marker) {
    std::lock_guard<std::mutex> lock(g_watchLock);
    g_frames.clear();
    g_marker = marker;
    g_markerShownAt = -1.0;
}

std::vector<double> FrameWatch::Frames() {
    std::lock_guard<std::mutex> lock(g_watchLock);
    return g_frames;
}

double FrameWatch::MarkerShownAt() {
    std::lock_guard<std::mutex> lock(g_watchLock);
    return g_markerShownAt;
}

bool ScreenShows(CScreenWnd& screen, const std::string& text) {
    screen.Lock();
    // The frame draws records min(count, 29) down to 0.
    const int newest = std::min(screen.m_nLineCount, CScreenWnd::kLineRecords - 1);
    bool shown = false;
    for (int i = newest; i >= 0 && !shown; --i) {
        shown = screen.m_lines[i].GetList() != 0 && screen.LineText(i).find(text) != std::string::npos;
    }
    screen.Unlock();
    return shown;
}

// ---- Screen host --------------------------------------------------------------------------------------

namespace {
// The program's screen at its default window size: 600 x 400 outside, the entry box below the screen.
constexpr int kHostWidth = 600;
constexpr int kHostHeight = 400;
constexpr int kEntryHeight = 20;
}  // namespace

ScreenHost::ScreenHost() {
    m_host.CreateEx(0, RegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW)), "Vextral bench",
                    WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40, kHostWidth, kHostHeight, nullptr,
                    nullptr);
    RECT client = m_host.GetClientRect();
    client.bottom -= kEntryHeight;
    m_screen.Create(m_host.m_hWnd, client, 1000);
    ::UpdateWindow(m_host.m_hWnd);
    PumpFor(50);
}

ScreenHost::~ScreenHost() {
    // The screen's WM_DESTROY (its lists and context) must run while its object is alive.
    m_host.DestroyWindow();
    PumpFor(10);
}

double TimeOneFrame(CScreenWnd& screen) {
    const double start = NowMs();
    screen.RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    return NowMs() - start;
}

// ---- Memory and lists ---------------------------------------------------------------------------------

MemoryFigures ProcessMemory() {
    MemoryFigures m;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
        // The commit charge. Wine leaves PrivateUsage at 0 and reports the charge as PagefileUsage, taken
        // from the host's figure for the process's anonymous memory, which counts what the host's
        // libraries (the GL driver, its display lists) allocate as well.
        m.privateBytes = static_cast<double>(pmc.PrivateUsage != 0 ? pmc.PrivateUsage : pmc.PagefileUsage);
        m.fromPagefileUsage = pmc.PrivateUsage == 0;
    }
    return m;
}

HeapFigures ProgramHeaps() {
    HeapFigures h;
    std::vector<HANDLE> heaps(64);
    DWORD n = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (n > heaps.size()) {
        heaps.resize(n);
        n = ::GetProcessHeaps(n, heaps.data());
    }
    for (DWORD i = 0; i < n && i < heaps.size(); ++i) {
        if (!::HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY e{};
        while (::HeapWalk(heaps[i], &e)) {
            if ((e.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
                h.busyBytes += static_cast<double>(e.cbData);
            } else if ((e.wFlags & PROCESS_HEAP_REGION) != 0) {
                h.committedBytes += static_cast<double>(e.Region.dwCommittedSize);
            }
        }
        ::HeapUnlock(heaps[i]);
    }
    return h;
}

int LiveDisplayLists() {
    // A fresh name lies above every name in use (names are handed out upwards).
    const GLuint probe = glGenLists(1);
    if (probe == 0) return -1;
    glDeleteLists(probe, 1);
    int live = 0;
    for (GLuint n = 1; n < probe + 1024; ++n) live += glIsList(n) == GL_TRUE ? 1 : 0;
    return live;
}

std::map<unsigned, GLuint> BuildPlatformGlyphs(HDC dc, const std::vector<unsigned>& codes, float deviation) {
    std::map<unsigned, GLuint> glyphs;
    const std::set<unsigned> unique(codes.begin(), codes.end());
    std::vector<unsigned> sorted(unique.begin(), unique.end());
    for (size_t i = 0; i < sorted.size();) {
        size_t j = i + 1;
        while (j < sorted.size() && sorted[j] == sorted[j - 1] + 1) ++j;
        const DWORD count = static_cast<DWORD>(j - i);
        const GLuint base = glGenLists(static_cast<GLsizei>(count));
        if (base != 0 && ::wglUseFontOutlinesA(dc, sorted[i], count, base, deviation, 0.0f, WGL_FONT_POLYGONS,
                                               nullptr)) {
            for (DWORD k = 0; k < count; ++k) glyphs[sorted[i + k]] = base + k;
        } else if (base != 0) {
            glDeleteLists(base, static_cast<GLsizei>(count));
        }
        i = j;
    }
    return glyphs;
}

void DeletePlatformGlyphs(std::map<unsigned, GLuint>& glyphs) {
    for (const auto& entry : glyphs) glDeleteLists(entry.second, 1);
    glyphs.clear();
}

namespace {

// An entry point of the current context's GL beyond 1.1.
template <typename F>
F Proc(const char* name) {
    void* p = reinterpret_cast<void*>(::wglGetProcAddress(name));
    return reinterpret_cast<F>(p);
}

}  // namespace

int CountTriangles(GLuint list) {
    // A primitives-generated query counts every triangle a draw sends down, whatever the primitive type
    // (feedback mode is no help here: some implementations fail on the platform builder's lists in it).
    using GenQueries = void(APIENTRY*)(GLsizei, GLuint*);
    using BeginQuery = void(APIENTRY*)(GLenum, GLuint);
    using EndQuery = void(APIENTRY*)(GLenum);
    using GetQueryObjectuiv = void(APIENTRY*)(GLuint, GLenum, GLuint*);
    using DeleteQueries = void(APIENTRY*)(GLsizei, const GLuint*);
    constexpr GLenum kPrimitivesGenerated = 0x8C87;
    constexpr GLenum kQueryResult = 0x8866;
    static const auto gen = Proc<GenQueries>("glGenQueries");
    static const auto begin = Proc<BeginQuery>("glBeginQuery");
    static const auto end = Proc<EndQuery>("glEndQuery");
    static const auto result = Proc<GetQueryObjectuiv>("glGetQueryObjectuiv");
    static const auto del = Proc<DeleteQueries>("glDeleteQueries");
    if (gen == nullptr || begin == nullptr || end == nullptr || result == nullptr || del == nullptr) return -1;
    GLuint query = 0;
    gen(1, &query);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    begin(kPrimitivesGenerated, query);
    glCallList(list);
    end(kPrimitivesGenerated);
    glPopMatrix();
    GLuint count = 0;
    result(query, kQueryResult, &count);
    del(1, &query);
    return static_cast<int>(count);
}

}  // namespace bench

void bench::FeedLines(CScreenWnd& screen, int from, int to, const std::function<std::string(int)>& line) {
    constexpr size_t kChunk = 2048;
    std::atomic<bool> done{false};
    std::thread feeder([&] {
        std::string pending;
        for (int i = from; i < to; ++i) {
            pending += line(i);
            pending += "\r\n";
            while (pending.size() >= kChunk) {
                screen.AppendOutput(pending.substr(0, kChunk).c_str());
                pending.erase(0, kChunk);
            }
        }
        if (!pending.empty()) screen.AppendOutput(pending.c_str());
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 1e9);
    feeder.join();
}
