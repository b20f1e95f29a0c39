// The screen's frames on a real window under Wine, with output arriving from other threads the way the
// interpreter's readers bring it: lines stored at once while a frame is drawn and built by the frame
// that shows them; frames that keep coming while output pours in, never more often than a display
// shows them, and show the last output once it pauses; band frames identical to whole ones; a resize
// while a reader holds the context; a font change with lines still to be built.
#include <gtest/gtest.h>
#include <windows.h>

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/Wnd.h"
#include "glyph/GlyphCache.h"
#include "res/Texts.h"
#include "screen/ScreenWnd.h"
#include "tests/ScreenHost.h"
#include "tests/support/TestSupport.h"

namespace {

double NowMs() {
    LARGE_INTEGER c, f;
    ::QueryPerformanceCounter(&c);
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// The screen, with a look inside its frames: when each one started drawing, whether it was a band
// frame, and something to run while the next one draws (on the user-interface thread, the context
// held, the store's lock free).
class TestScreen : public CScreenWnd {
public:
    void DrawScene(HDC dc) override {
        m_starts.push_back(NowMs());
        m_bands.push_back(glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE);
        if (m_duringFrame) {
            std::function<void()> run = std::move(m_duringFrame);
            m_duringFrame = nullptr;
            run();
        }
        CScreenWnd::DrawScene(dc);
    }
    std::vector<double> m_starts;
    std::vector<bool> m_bands;
    std::function<void()> m_duringFrame;
};

// The waits here wake at least every millisecond, so that one ends within a millisecond of its time:
// these tests time the frames.
constexpr unsigned kPollMs = 1;

void Pump(double ms) {
    vxtest::Pump(ms, kPollMs);
}

// A function run on a thread of its own, as a reader runs; Finish waits for it with a bound, so that an
// append that blocks for good fails the test instead of hanging it.
class Reader {
public:
    explicit Reader(std::function<void()> body) : m_body(std::move(body)) {
        m_hThread = ::CreateThread(nullptr, 0, &Run, this, 0, nullptr);
    }
    ~Reader() {
        if (m_hThread != nullptr && !Finish(30000)) ::TerminateThread(m_hThread, 1);
        if (m_hThread != nullptr) ::CloseHandle(m_hThread);
    }
    bool Finish(DWORD timeoutMs) { return ::WaitForSingleObject(m_hThread, timeoutMs) == WAIT_OBJECT_0; }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<Reader*>(self)->m_body();
        return 0;
    }
    std::function<void()> m_body;
    HANDLE m_hThread = nullptr;
};

std::string Line(int i) { return "line " + std::to_string(i) + " Qgjy|[]{} \x82\xA0\x88\x9F"; }

// The frame-shown hook: remembers when a frame first showed a given text on one of its lines.
std::atomic<CScreenWnd*> g_watched{nullptr};
std::string g_wanted;
std::atomic<bool> g_shown{false};
void OnFrameShown(CScreenWnd& screen) {
    if (&screen != g_watched.load() || g_shown) return;
    const int newest = std::min(screen.m_nLineCount, CScreenWnd::kLineRecords - 1);
    for (int i = 0; i <= newest; ++i) {
        if (screen.m_lines[i].GetList() != 0 && screen.LineText(i) == g_wanted) g_shown = true;
    }
}

class FramePath : public ::testing::Test {
protected:
    void SetUp() override {
        m_host.CreateEx(0, RegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW)), "frame path test",
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 30, 30, 600, 400, nullptr, nullptr);
        const RECT client = m_host.GetClientRect();
        m_screen.Create(m_host.m_hWnd, client, 1000);
        ::UpdateWindow(m_host.m_hWnd);
        Pump(100);
        g_watched = &m_screen;
        g_pfnFrameShown = &OnFrameShown;
    }
    void TearDown() override {
        g_pfnFrameShown = nullptr;
        g_watched = nullptr;
        m_host.DestroyWindow();
        Pump(20);
    }
    TestScreen& S() { return m_screen; }
    GLuint List(int record) { return S().m_lines[record].GetList(); }

    // Runs `body` with the screen's context current on this thread; nobody else may hold it then.
    template <typename F>
    void WithContext(F body) {
        CGLDC dc(S());
        ASSERT_TRUE(::wglMakeCurrent(dc.get(), S().GetRC()));
        body(dc.get());
        ::wglMakeCurrent(nullptr, nullptr);
    }
    bool IsList(GLuint list) {
        bool is = false;
        WithContext([&](HDC) { is = list != 0 && glIsList(list) == GL_TRUE; });
        return is;
    }
    // The screen window's pixels as the window shows them, top row first.
    std::vector<unsigned char> Shot() {
        int width = 0;
        return vxtest::WindowPixels(S().m_hWnd, width);
    }
    void WaitShown(const std::string& text, double timeoutMs) {
        g_wanted = text;
        g_shown = false;
        EXPECT_TRUE(vxtest::PumpUntil([] { return g_shown.load(); }, timeoutMs, kPollMs))
            << "no frame showed \"" << text << "\"";
    }

    CWnd m_host;  // declared first: destroyed after the screen object
    TestScreen m_screen;
};

}  // namespace

TEST_F(FramePath, LinesArrivingWhileAFrameIsDrawnAreStoredAtOnceAndBuiltBeforeItEnds) {
    S().AppendOutput("first\r\n");
    ASSERT_FALSE(S().IsPending(0)) << "the context was free: built at once";
    const GLuint first = List(0);
    ASSERT_TRUE(IsList(first));

    bool finished = false;
    int pending = 0, withLists = 0;
    S().m_duringFrame = [&] {
        // This frame holds the context: the reader must store its lines without waiting for it.
        Reader reader([&] {
            for (int i = 0; i < 40; ++i) S().AppendOutput((Line(i) + "\r\n").c_str());
        });
        finished = reader.Finish(10000);
        for (int i = 0; i < CScreenWnd::kLineRecords; ++i) {
            pending += S().IsPending(i) ? 1 : 0;
            withLists += List(i) != 0 ? 1 : 0;
        }
    };
    S().RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_TRUE(finished) << "an append waited for the frame";
    EXPECT_EQ(pending, 30) << "the reader cannot have built anything while the frame held the context";
    EXPECT_EQ(withLists, 0);
    // Stored: the 30 newest lines, "first" and lines 0 to 9 scrolled away. The frame built them before
    // it let the context go, and deleted the lists of the line that scrolled away.
    EXPECT_EQ(S().m_nLineCount, 30);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(S().LineText(i), Line(i + 10));
        EXPECT_FALSE(S().IsPending(i)) << i;
        EXPECT_TRUE(IsList(List(i))) << i;
        EXPECT_EQ(S().m_lines[i].m_nGlyphCount, CGlyphLine::CountChars(Line(i + 10).c_str()));
    }
    EXPECT_TRUE(!IsList(first) || NamedByAStoredLine(S(), first));
    WithContext([&](HDC) { EXPECT_EQ(CGlyphCache::Current(false)->LineCount(), 30); });
    // And the frame they asked for shows them.
    WaitShown(Line(39), 5000);
}

TEST_F(FramePath, AReadersAnswerAfterAPauseIsBuiltAndShownByTheFrameItAsksFor) {
    S().AppendOutput("Z:\\>");
    Pump(100);  // a pause: the last frame is long past
    Reader reader([&] { S().AppendOutput("answer\r\n"); });
    ASSERT_TRUE(reader.Finish(10000));
    // Left to the frame, which has been asked for but cannot have run: this thread has not pumped.
    EXPECT_TRUE(S().IsPending(0));
    EXPECT_EQ(List(0), 0u);
    const size_t before = S().m_starts.size();
    WaitShown("Z:\\>answer", 1000);
    EXPECT_FALSE(S().IsPending(0));
    EXPECT_TRUE(IsList(List(0)));
    EXPECT_GE(S().m_starts.size(), before + 1);
}

TEST_F(FramePath, FramesKeepComingWhileOutputPoursInButNoMoreOftenThanADisplayShows) {
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    S().m_starts.clear();
    {
        // A reader that never waits for its pipe: chunk after chunk, as fast as the screen takes them.
        Reader reader([&] {
            std::string chunk;
            while (!stop) {
                chunk.clear();
                for (int k = 0; k < 20; ++k) chunk += Line(sent++) + "\r\n";
                S().AppendOutput(chunk.c_str());
            }
        });
        Pump(1500);
        stop = true;
        ASSERT_TRUE(reader.Finish(10000));
    }
    const std::vector<double> starts = S().m_starts;
    ASSERT_GE(starts.size(), 3u) << "the output kept the user-interface thread from drawing";
    double shortest = 1e9, longest = 0;
    for (size_t i = 1; i < starts.size(); ++i) {
        shortest = std::min(shortest, starts[i] - starts[i - 1]);
        longest = std::max(longest, starts[i] - starts[i - 1]);
    }
    // Paced by the tick count, whose coarse steps can cut single intervals short under load: what must
    // hold is the rate, far below one frame per append, never the exact length of one interval.
    const double span = starts.back() - starts.front();
    EXPECT_LE(static_cast<double>(starts.size() - 1), span / (CScreenWnd::kFrameIntervalMs * 0.5) + 1.0)
        << "frames were drawn far more often than a display shows them (shortest interval " << shortest
        << " ms)";
    EXPECT_LT(longest, 1000.0) << "the screen stopped scrolling during the output";
    // Once the output pauses, a frame shows its last line.
    WaitShown(Line(sent - 1), 2000);
}

TEST_F(FramePath, ABandFrameShowsExactlyWhatAWholeFrameShows) {
    // Flat, tilted back as by default, and tilted so far that the lines overlap on the window.
    for (float tilt : {0.0f, -40.0f, -80.0f}) {
        S().m_fTilt = tilt;
        const std::string typed = "type Qgjy|[]{}\x88\x9F\x88\xA0 " + std::to_string(static_cast<int>(tilt));
        for (int i = 0; i < 12; ++i) S().AppendOutput((Line(i) + "\r\n").c_str());
        S().AppendOutput("C:\\work>");
        S().RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
        Pump(50);
        const std::vector<unsigned char> before = Shot();
        S().m_bands.clear();
        // Only the current line changes: the frame asked for draws its band only, where frames are
        // copied; a frame shown by swapping buffers is always whole.
        S().AppendOutput(typed.c_str());
        WaitShown("C:\\work>" + typed, 2000);
        ASSERT_FALSE(S().m_bands.empty());
        EXPECT_EQ(S().m_bands.back(), S().m_bPresentByCopy) << "tilt " << tilt << ": a band frame on the wrong path";
        const std::vector<unsigned char> band = Shot();
        S().RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
        const std::vector<unsigned char> whole = Shot();
        EXPECT_NE(before, band) << "tilt " << tilt << ": the new text is not on the window";
        size_t differing = 0;
        for (size_t i = 0; i < whole.size(); i += 4) differing += std::memcmp(&whole[i], &band[i], 3) != 0;
        EXPECT_EQ(differing, 0u) << "tilt " << tilt << ": pixels the band frame left stale or misplaced";
        // A new line moves every line: a whole frame again.
        S().AppendOutput("\r\nnext");
        WaitShown("next", 2000);
        Pump(50);
        EXPECT_FALSE(S().m_bands.back()) << "tilt " << tilt;
    }
}

TEST_F(FramePath, AResizeWhileAReaderHoldsTheContextStillSetsTheViewport) {
    std::string chunk;
    for (int i = 0; i < 300; ++i) chunk += Line(i) + "\r\n";
    for (int round = 0; round < 8; ++round) {
        const int width = 500 + 20 * round, height = 300 + 10 * round;
        {
            // The reader builds line after line with the context held while the window changes size.
            Reader reader([&] { S().AppendOutput(chunk.c_str()); });
            ::Sleep(2);
            S().MoveWindow(0, 0, width, height);
            ASSERT_TRUE(reader.Finish(20000));
        }
        Pump(20);
        GLint viewport[4] = {};
        WithContext([&](HDC) { glGetIntegerv(GL_VIEWPORT, viewport); });
        EXPECT_EQ(viewport[2], width) << "round " << round;
        EXPECT_EQ(viewport[3], height) << "round " << round;
    }
}

TEST_F(FramePath, ALineStillToBeBuiltAtAFontChangeKeepsTheFontItArrivedIn) {
    // The width of "WWWW" in em as each face builds it.
    auto width = [&](const char* face) {
        float advance = 0.0f;
        HFONT font = ::CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_TT_PRECIS, 0, 0,
                                   4, face);
        WithContext([&](HDC dc) {
            HGDIOBJ old = ::SelectObject(dc, font);
            CGlyphLine line;
            line.Build(dc, "WWWW", CScreenWnd::kExtrusion);
            ::SelectObject(dc, old);
            GLfloat m[16];
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glCallList(line.GetList());
            glGetFloatv(GL_MODELVIEW_MATRIX, m);
            advance = m[12];
            line.Delete();
        });
        ::DeleteObject(font);
        return advance;
    };
    const float mincho = width(kFaceMinchoP), gothic = width(kFaceGothicP);
    ASSERT_GT(std::fabs(mincho - gothic), 0.01f) << "the two faces must differ for this test to tell them apart";

    // A line arrives while a frame draws, and the font changes before that frame is over.
    bool pendingAtChange = false;
    S().m_duringFrame = [&] {
        Reader reader([&] { S().AppendOutput("WWWW\r\n"); });
        ASSERT_TRUE(reader.Finish(10000));
        pendingAtChange = S().IsPending(0);
        LOGFONTA lf = S().GetScreenFont();
        std::strcpy(lf.lfFaceName, kFaceGothicP);
        S().SetScreenFont(lf);
    };
    S().RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_TRUE(pendingAtChange);
    ASSERT_FALSE(S().IsPending(0));
    float advance = 0.0f;
    WithContext([&](HDC) {
        GLfloat m[16];
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glCallList(List(0));
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        advance = m[12];
    });
    EXPECT_NEAR(advance, mincho, 0.002f);
    // A line after the change takes the new font.
    S().AppendOutput("WWWW\r\n");
    WithContext([&](HDC) {
        GLfloat m[16];
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glCallList(List(1));
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        advance = m[12];
    });
    EXPECT_NEAR(advance, gothic, 0.002f);
}
