// The screen's line store and its frame, on a real screen window with its OpenGL context under Wine:
// what each kind of output does to the records, and what a frame puts on the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>
#include <vector>

#include "glyph/GlyphCache.h"
#include "tests/ScreenHost.h"

namespace {

class ScreenStoreTest : public ::testing::Test {
protected:
    CScreenWnd& S() { return m_host.Screen(); }
    std::string Text(int record) { return S().LineText(record); }
    int Glyphs(int record) { return S().m_lines[record].m_nGlyphCount; }
    GLuint List(int record) { return S().m_lines[record].GetList(); }

    // Whether `list` names a display list of the screen's context now.
    bool IsList(GLuint list) {
        CGLDC dc(S());
        ::wglMakeCurrent(dc.get(), S().GetRC());
        const bool is = list != 0 && glIsList(list) == GL_TRUE;
        ::wglMakeCurrent(nullptr, nullptr);
        return is;
    }
    // Whether the lists of a line that scrolled away are gone (see NamedByAStoredLine).
    bool Gone(GLuint list) { return !IsList(list) || NamedByAStoredLine(S(), list); }

    ScreenHost m_host;
};

}  // namespace

TEST_F(ScreenStoreTest, ACompleteLineFillsOneRecordAndEndsTheLine) {
    S().AppendOutput("dir\r\n");
    EXPECT_EQ(Text(0), "dir");
    EXPECT_EQ(Glyphs(0), 3);
    EXPECT_TRUE(IsList(List(0)));
    EXPECT_EQ(S().m_nLineCount, 1);
    EXPECT_TRUE(S().m_strLine.empty());
}

TEST_F(ScreenStoreTest, AContinuedLineIsRebuiltWholeAndItsOldListsGo) {
    S().AppendOutput("abc");
    const GLuint first = List(0);
    EXPECT_EQ(Glyphs(0), 3);
    EXPECT_EQ(S().m_strLine, "abc");
    S().AppendOutput("def\r\n");
    EXPECT_EQ(Text(0), "abcdef");
    EXPECT_EQ(Glyphs(0), 6);
    EXPECT_TRUE(IsList(List(0)));
    EXPECT_FALSE(IsList(first) && first != List(0));  // the first rendering was deleted
    EXPECT_EQ(S().m_nLineCount, 1);
}

TEST_F(ScreenStoreTest, TabsCarriageReturnsAndLoneLineFeeds) {
    S().AppendOutput("a\tb\r\n\t\t\nx\r\r\r\na\rb\n");
    EXPECT_EQ(Text(0), "a    b");
    EXPECT_EQ(Text(1), "        ");
    EXPECT_EQ(Text(2), "x");
    EXPECT_EQ(Text(3), "a\rb");
    EXPECT_EQ(Glyphs(3), 3);  // the inner carriage return is a character like any other
    // A piece without a line break keeps its TAB and its CR, also once its line ends.
    S().AppendOutput("p\tq\r");
    S().AppendOutput("\n");
    EXPECT_EQ(Text(4), "p\tq\r");
    // A line feed alone on an empty current line: the count rises, the record stays empty.
    S().AppendOutput("\n");
    EXPECT_EQ(S().m_nLineCount, 6);
    EXPECT_EQ(List(5), 0u);
}

TEST_F(ScreenStoreTest, TheThirtyFirstLineScrollsTheOldestAway) {
    for (int i = 0; i < 30; ++i) S().AppendOutput(("L" + std::to_string(i) + "\r\n").c_str());
    EXPECT_EQ(S().m_nLineCount, 30);
    const GLuint oldest = List(0);
    EXPECT_TRUE(IsList(oldest));
    S().AppendOutput("L30\r\n");
    EXPECT_TRUE(Gone(oldest));
    for (int i = 0; i < 30; ++i) EXPECT_EQ(Text(i), "L" + std::to_string(i + 1));
    EXPECT_EQ(S().m_nLineCount, 30);
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(IsList(List(i))) << i;
}

TEST_F(ScreenStoreTest, EmptyLinesOnAFullStoreOnlyRaiseTheCount) {
    for (int i = 0; i < 30; ++i) S().AppendOutput("fill\n");
    S().AppendOutput("a\n\n\n");
    EXPECT_EQ(S().m_nLineCount, 32);
    S().AppendOutput("b\n");
    // "b" scrolled by exactly one record and sits right below "a".
    EXPECT_EQ(Text(28), "a");
    EXPECT_EQ(Text(29), "b");
    EXPECT_EQ(S().m_nLineCount, 30);
}

TEST_F(ScreenStoreTest, AMessageEndsThePromptLineAndStandsOnItsOwn) {
    ASSERT_EQ(g_pScreen.load(), &S());
    S().AppendOutput("C:\\>");
    OnConsoleMessage("msg");
    EXPECT_EQ(Text(0), "C:\\>");
    EXPECT_EQ(Text(1), "msg");
    EXPECT_TRUE(S().m_strLine.empty());
    EXPECT_EQ(S().m_nLineCount, 2);
    // A message longer than any fixed buffer arrives whole.
    const std::string longMessage(3000, 'e');
    OnConsoleMessage(longMessage.c_str());
    EXPECT_EQ(Text(3), longMessage);
}

TEST_F(ScreenStoreTest, TwoByteCharactersAreOneGlyphEach) {
    S().AppendOutput("\x82\xA0\x82\xA2\r\n");
    EXPECT_EQ(Glyphs(0), 2);
    EXPECT_TRUE(IsList(List(0)));
    // A lead byte at the very end is one character of its own.
    S().AppendOutput("a\x82");
    EXPECT_EQ(Glyphs(1), 2);
}

TEST_F(ScreenStoreTest, AThousandLinesLeaveOnlyThirtyLinesOfLists) {
    std::vector<GLuint> seen;
    for (int i = 0; i < 1000; ++i) {
        S().AppendOutput(("line " + std::to_string(i % 97) + "\r\n").c_str());
        if (i < 900 && i % 50 == 0) seen.push_back(List(S().m_nLineCount - 1 < 29 ? S().m_nLineCount - 1 : 29));
    }
    for (GLuint list : seen) EXPECT_TRUE(Gone(list)) << list;  // long scrolled away
    CGLDC dc(S());
    ::wglMakeCurrent(dc.get(), S().GetRC());
    CGlyphCache* cache = CGlyphCache::Current(false);
    ASSERT_NE(cache, nullptr);
    EXPECT_LE(cache->LineCount(), 30);  // one entry per live line record
    ::wglMakeCurrent(nullptr, nullptr);
}

TEST_F(ScreenStoreTest, OutputAfterTheWindowIsGoneIsDropped) {
    S().AppendOutput("kept\n");
    ::DestroyWindow(S().m_hWnd);
    ScreenHost::Pump();
    EXPECT_EQ(g_pScreen.load(), nullptr);
    OnConsoleOutput("dropped\n");
    OnConsoleMessage("dropped too");
    EXPECT_EQ(S().m_nLineCount, 1);
    EXPECT_EQ(Text(0), "kept");
}

TEST_F(ScreenStoreTest, AnAppendAfterTheWindowIsGoneAsksForNoFrame) {
    // Settled: no frame owed or asked for when the window goes.
    S().AppendOutput("kept\n");
    for (int i = 0; i < 10; ++i) {
        ::Sleep(20);
        ScreenHost::Pump();
    }
    ::DestroyWindow(S().m_hWnd);
    ScreenHost::Pump();
    // A reader that took the screen before it was dropped still appends. It must post nothing: a post
    // to the gone window's handle lands in the posting thread's own queue.
    S().AppendOutput("late\n");
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_APP, 0xBFFF, PM_REMOVE))
        << "message " << msg.message << " posted to the thread";
}

namespace {

// One frame rendered into the screen's context and read back before it is shown.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // top row first
    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Frame ReadFrame(CScreenWnd& screen) {
    Frame f;
    const RECT rc = screen.GetClientRect();
    f.width = rc.right;
    f.height = rc.bottom;
    CGLDC dc(screen);
    ::wglMakeCurrent(dc.get(), screen.GetRC());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(screen.m_eye[0], screen.m_eye[1], screen.m_eye[2], screen.m_target[0], screen.m_target[1],
              screen.m_target[2], screen.m_up[0], screen.m_up[1], screen.m_up[2]);
    screen.DrawScene(dc.get());
    glFinish();
    std::vector<unsigned char> bottomUp(static_cast<size_t>(f.width) * f.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, f.width, f.height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    ::wglMakeCurrent(nullptr, nullptr);
    f.rgb.resize(bottomUp.size());
    const size_t row = static_cast<size_t>(f.width) * 3;
    for (int y = 0; y < f.height; ++y) {
        std::copy_n(&bottomUp[static_cast<size_t>(f.height - 1 - y) * row], row, &f.rgb[static_cast<size_t>(y) * row]);
    }
    return f;
}

// The rows (top, bottom) that hold pixels of the text colour red, in a band of rows.
std::pair<int, int> RedRows(const Frame& f, int fromRow, int toRow) {
    int top = -1;
    int bottom = -1;
    for (int y = fromRow; y < toRow; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const unsigned char* p = f.At(x, y);
            if (p[0] > 120 && p[1] < 40 && p[2] < 40) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
        }
    }
    return {top, bottom};
}

}  // namespace

TEST_F(ScreenStoreTest, TheDefaultGradientRunsFromBackgroundOneAtTheTopTowardsTwoAtTheBottom) {
    const Frame f = ReadFrame(S());
    ASSERT_GT(f.height, 100);
    const int x = f.width / 2;
    // The top shows background 1 (black) unblended.
    EXPECT_LT(f.At(x, 2)[2], 8);
    // Downwards the blue grows towards background 2, still about a fifth short at the bottom.
    const int bottomBlue = f.At(x, f.height - 1)[2];
    EXPECT_GT(bottomBlue, 170);
    EXPECT_LT(bottomBlue, 240);
    EXPECT_LT(f.At(x, f.height - 1)[0], 8);
    int last = -1;
    for (int y = f.height / 2; y < f.height; y += 10) {
        EXPECT_GE(f.At(x, y)[2], last) << y;
        last = f.At(x, y)[2];
    }
}

TEST_F(ScreenStoreTest, WithoutTheGradientTheBackgroundIsBackgroundOneEverywhere) {
    S().m_bGradient = FALSE;
    S().m_crBack1 = RGB(10, 90, 30);
    const Frame f = ReadFrame(S());
    for (int y = 0; y < f.height; y += 7) {
        for (int x = 0; x < f.width; x += 7) {
            const unsigned char* p = f.At(x, y);
            ASSERT_NEAR(p[0], 10, 1) << x << "," << y;
            ASSERT_NEAR(p[1], 90, 1);
            ASSERT_NEAR(p[2], 30, 1);
        }
    }
}

TEST_F(ScreenStoreTest, TextIsDrawnLitInItsColourOnTheBaselineAtTheLowerLeft) {
    S().m_bGradient = FALSE;
    S().m_crText = RGB(255, 0, 0);
    S().AppendOutput("MMMMMMMM\r\n");
    // The only line is record 0 and the count is 1: record 1 (empty) is on the baseline, record 0 one
    // line above it. Put it on the baseline instead.
    S().m_nLineCount = 0;
    const Frame f = ReadFrame(S());
    int lit = 0;
    int upperRight = 0;
    int shades = 0;
    int lastRed = -1;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const unsigned char* p = f.At(x, y);
            if (p[0] > 40 && p[1] < 20 && p[2] < 20) {
                ++lit;
                if (x > f.width / 2 && y < f.height / 2) ++upperRight;
                if (p[0] != lastRed) ++shades;  // lighting gives the faces and walls different shades
                lastRed = p[0];
            }
        }
    }
    EXPECT_GT(lit, 200);
    EXPECT_EQ(upperRight, 0);
    EXPECT_GT(shades, 3);
    // The baseline lies 5 units below the centre of view: the text is in the lower half.
    const auto rows = RedRows(f, 0, f.height);
    EXPECT_GT(rows.first, f.height / 2);
}

TEST_F(ScreenStoreTest, ATiltOfZeroShowsTheLinesUprightOneAboveTheOther) {
    S().m_bGradient = FALSE;
    S().m_crText = RGB(255, 0, 0);
    S().AppendOutput("MMMM\r\nMMMM\r\n");
    S().m_nLineCount = 1;  // record 1 on the baseline, record 0 one unit above it
    S().m_fTilt = 0.0f;
    Frame f = ReadFrame(S());
    // Upright, facing the viewer: both lines are the same height on screen.
    const auto all = RedRows(f, 0, f.height);
    ASSERT_GT(all.first, 0);
    const int middle = (all.first + all.second) / 2;
    const auto upper = RedRows(f, all.first, middle);
    const auto lower = RedRows(f, middle + 1, all.second + 1);
    EXPECT_NEAR(upper.second - upper.first, lower.second - lower.first, 2);

    // Tilted back as by default, the lines are foreshortened, and the older one, further away, is no
    // taller than the newer (in this small face the two may round to the same height).
    S().m_fTilt = -40.0f;
    f = ReadFrame(S());
    const auto tiltedAll = RedRows(f, 0, f.height);
    const int tiltedMiddle = (tiltedAll.first + tiltedAll.second) / 2;
    const auto tiltedUpper = RedRows(f, tiltedAll.first, tiltedMiddle);
    const auto tiltedLower = RedRows(f, tiltedMiddle + 1, tiltedAll.second + 1);
    EXPECT_LT(tiltedAll.second - tiltedAll.first, all.second - all.first);
    EXPECT_LE(tiltedUpper.second - tiltedUpper.first, tiltedLower.second - tiltedLower.first);
}

TEST_F(ScreenStoreTest, PastAFullStoreRecordTwentyNineStaysOnTheBaseline) {
    S().m_bGradient = FALSE;
    S().m_crText = RGB(255, 0, 0);
    for (int i = 0; i < 30; ++i) S().AppendOutput(i == 29 ? "MMMM\n" : "\n");
    for (int i = 0; i < 5; ++i) S().NewLine();
    EXPECT_EQ(S().m_nLineCount, 35);
    S().m_fTilt = 0.0f;
    const Frame f = ReadFrame(S());
    const auto rows = RedRows(f, 0, f.height);
    // Only record 29 holds text; on the baseline it is in the lower half, where the first line of an
    // empty store would be.
    EXPECT_GT(rows.first, f.height / 2);
}

namespace {
// Splits the view's text at its CR LFs.
std::vector<std::string> ViewLines(CScreenWnd& screen) {
    std::vector<std::string> lines;
    const std::string text = screen.ViewText();
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

// Whether every pixel of row `y` is pure red, the text colour of the test below.
bool RowAllRed(const Frame& f, int y) {
    for (int x = 0; x < f.width; ++x) {
        const unsigned char* p = f.At(x, y);
        if (p[0] < 250 || p[1] > 5 || p[2] > 5) return false;
    }
    return true;
}
}  // namespace

TEST_F(ScreenStoreTest, AViewMovedBackShowsOlderLinesOverABarThatTellsHowManyLieBelow) {
    S().m_bGradient = FALSE;
    S().m_crBack1 = RGB(0, 0, 0);
    S().m_crText = RGB(255, 0, 0);
    for (int i = 0; i < 60; ++i) S().AppendOutput(("line " + std::to_string(i) + "\r\n").c_str());
    ::RedrawWindow(S().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Frame f = ReadFrame(S());
    int ruleRow = -1;
    for (int y = f.height - 40; y < f.height; ++y) ruleRow = RowAllRed(f, y) ? y : ruleRow;
    EXPECT_EQ(ruleRow, -1) << "at the end there is no bar";
    EXPECT_EQ(ViewLines(S()).back(), "line 59");

    S().ScrollView(10);
    EXPECT_EQ(S().LinesBelow(), 10);
    ::RedrawWindow(S().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // builds the view
    f = ReadFrame(S());
    for (int y = f.height - 40; y < f.height; ++y) ruleRow = RowAllRed(f, y) ? y : ruleRow;
    ASSERT_GT(ruleRow, f.height - 30) << "a rule in the text colour right across, near the bottom";
    // Below the rule the bar: background with the count written in the text colour.
    int red = 0, dark = 0;
    for (int y = ruleRow + 1; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x) {
            const unsigned char* p = f.At(x, y);
            red += p[0] > 128 ? 1 : 0;
            dark += p[0] < 8 && p[1] < 8 && p[2] < 8 ? 1 : 0;
        }
    }
    EXPECT_GT(red, 100);
    EXPECT_GT(dark, red);
    const std::vector<std::string> view = ViewLines(S());
    ASSERT_EQ(view.size(), 30u);
    EXPECT_EQ(view.front(), "line 20");
    EXPECT_EQ(view.back(), "line 49");

    // Output below the view changes neither the view nor the store's way of taking it.
    S().AppendOutput("line 60\r\n");
    EXPECT_EQ(S().LinesBelow(), 11);
    EXPECT_EQ(ViewLines(S()).back(), "line 49");
    EXPECT_EQ(Text(29), "line 60");

    S().ScrollViewToNewest();
    ::RedrawWindow(S().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    f = ReadFrame(S());
    ruleRow = -1;
    for (int y = f.height - 40; y < f.height; ++y) ruleRow = RowAllRed(f, y) ? y : ruleRow;
    EXPECT_EQ(ruleRow, -1) << "back at the end the bar is gone";
    EXPECT_EQ(ViewLines(S()).back(), "line 60");
}

TEST_F(ScreenStoreTest, ALineKeepsItsFirstFourKilobytesCutAfterAWholeCharacter) {
    S().AppendOutput(std::string(3000, 'a').c_str());
    S().AppendOutput(std::string(3000, 'b').c_str());
    EXPECT_EQ(S().m_strLine, std::string(3000, 'a') + std::string(1096, 'b'));
    EXPECT_EQ(Glyphs(0), 4096);
    S().AppendOutput("c");
    EXPECT_EQ(S().m_strLine.size(), 4096u) << "the rest of the line is dropped";
    S().AppendOutput("\r\n");
    EXPECT_EQ(Text(0).size(), 4096u);
    EXPECT_EQ(ViewLines(S()).front(), Text(0)) << "the history holds what the record holds";

    // A two-byte character that would cross the cap is left out whole, and the line stays closed.
    S().AppendOutput((std::string(4095, 'a') + "\x82\xA0").c_str());
    EXPECT_EQ(S().m_strLine, std::string(4095, 'a'));
    S().AppendOutput("z");
    EXPECT_EQ(S().m_strLine, std::string(4095, 'a'));
    S().AppendOutput("\r\nnext\r\n");
    EXPECT_EQ(Text(2), "next");
    EXPECT_EQ(ViewLines(S())[1], std::string(4095, 'a'));
}

TEST_F(ScreenStoreTest, AReplacedFontStaysWhileTheScrollbackHoldsLinesStoredInItAndGoesAfter) {
    HFONT first = S().m_font;
    for (int i = 0; i < 40; ++i) S().AppendOutput("in the first font\r\n");
    LOGFONTA lf = S().GetScreenFont();
    lf.lfHeight = 24;
    S().SetScreenFont(lf);
    ASSERT_NE(S().m_font, first);
    ::RedrawWindow(S().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    LOGFONTA got{};
    EXPECT_NE(::GetObjectA(first, sizeof got, &got), 0) << "kept: scrolled back, its lines are drawn in it";

    // Ten thousand lines later those lines have left the scrollback, and the font goes with them.
    std::string flood;
    for (int i = 0; i < 10000; ++i) flood += "later\r\n";
    S().AppendOutput(flood.c_str());
    ::RedrawWindow(S().m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(::GetObjectA(first, sizeof got, &got), 0);
    EXPECT_EQ(ViewLines(S()).front(), "later");
    S().ScrollViewToOldest();
    EXPECT_EQ(ViewLines(S()).front(), "later");
}

TEST_F(ScreenStoreTest, TheScrollbacksBytesAreTheTextItHoldsAndStayFlatOnceItIsFull) {
    EXPECT_EQ(S().HistoryBytes(), 0u);
    S().AppendOutput("dir\r\nab");
    EXPECT_EQ(S().HistoryBytes(), 5u) << "the current line counts as it grows";
    for (int i = 0; i < 10000; ++i) S().AppendOutput("0123456789\r\n");
    // 10,001 lines ended, 10,000 kept: "dir" went first.
    EXPECT_EQ(S().HistoryBytes(), 12u + 9999u * 10u);
    for (int i = 0; i < 100; ++i) S().AppendOutput("0123456789\r\n");
    EXPECT_EQ(S().HistoryBytes(), 10000u * 10u);
}
