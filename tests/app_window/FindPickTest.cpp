// Finding text in the scrollback and picking lines with the mouse, in the real main window with the real
// interpreter: keys go through the program's message loop as the keyboard delivers them, clicks to the
// screen as the mouse does, and what the screen shows is read back from its pixels.
#include <string>
#include <vector>

#include "res/Texts.h"
#include "tests/app_window/MainWindowFixture.h"

namespace {

class FindPickTest : public MainWindowTest {
protected:
    CScreenWnd& Screen() { return m_dlg->m_Screen; }
    CFindBar& Bar() { return m_dlg->m_FindBar; }
    // `count` numbered lines from the interpreter; returns once its prompt follows them.
    void Fill(int count) {
        const std::string last = "line number " + std::to_string(count);
        Type("for /L %i in (1,1," + std::to_string(count) + ") do @echo line number %i");
        ASSERT_TRUE(PumpUntil([&] { return StoreHas(last) && PromptShown(); })) << Current();
        Pump(100);
    }
    // The view's lines, oldest first.
    std::vector<std::string> View() {
        std::vector<std::string> lines;
        const std::string text = Screen().ViewText();
        for (size_t start = 0;;) {
            const size_t end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
            if (end == std::string::npos) return lines;
            start = end + 2;
        }
    }
    // Types `text` into the bar and presses Enter there (Shift+Enter for newer lines).
    std::string Search(const std::string& text, bool older = true) {
        ::SetWindowTextA(Bar().TextWindow(), text.c_str());
        ModKey(VK_RETURN, false, !older, Bar().TextWindow());
        return Bar().StatusText();
    }
    static std::string Count(int index, int total) {
        return std::to_string(index) + " / " + std::to_string(total) + kTextFindCount;
    }

    // The screen's pixels once the frames asked for have been drawn.
    std::vector<unsigned char> Shot(int& width) {
        Pump(150);
        return vxtest::WindowPixels(Screen().m_hWnd, width);
    }
    // Pixels in the find colour on the default palette (white text on blue): strong yellow, lit or not.
    int FoundPixels() {
        int width = 0, n = 0;
        const std::vector<unsigned char> p = Shot(width);
        for (size_t i = 0; i + 3 < p.size(); i += 4) n += p[i + 2] > 140 && p[i + 1] > 110 && p[i] < 90 ? 1 : 0;
        return n;
    }
    // The rows of the screen holding the text's pixels (white, lit), as bands from the bottom up: the
    // nearest line first. Each band is its top and bottom row and the leftmost text pixel in it.
    struct Band {
        int top, bottom, left;
    };
    std::vector<Band> TextBands() {
        int width = 0;
        const std::vector<unsigned char> p = Shot(width);
        const int height = width > 0 ? static_cast<int>(p.size() / 4 / static_cast<size_t>(width)) : 0;
        std::vector<Band> bands;
        bool inBand = false;
        for (int y = height - 1; y >= 0; --y) {
            int left = -1;
            for (int x = 0; x < width && left < 0; ++x) {
                const unsigned char* q = &p[(static_cast<size_t>(y) * width + x) * 4];
                if (q[2] > 150 && q[1] > 150) left = x;
            }
            if (left >= 0 && !inBand) bands.push_back({y, y, left});
            if (left >= 0) {
                bands.back().top = y;
                bands.back().left = left < bands.back().left ? left : bands.back().left;
            }
            inBand = left >= 0;
        }
        return bands;
    }
    // A press and release of the left button at the middle rows of `band`, a few pixels into its text.
    void Click(const Band& band, bool shift = false, int wobble = 0) {
        const int x = band.left + 4, y = (band.top + band.bottom) / 2;
        const WPARAM keys = shift ? MK_SHIFT : 0;
        const HWND s = Screen().m_hWnd;
        ::PostMessageA(s, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
        if (wobble != 0) ::PostMessageA(s, WM_MOUSEMOVE, MK_LBUTTON | keys, MAKELPARAM(x + wobble, y));
        ::PostMessageA(s, WM_LBUTTONUP, keys, MAKELPARAM(x + wobble, y));
        Pump(50);
    }
};

TEST_F(FindPickTest, FindMovesTheViewToEachMatchCountsThemMarksThemAndSaysWhenThereIsNone) {
    Fill(200);
    ASSERT_EQ(FoundPixels(), 0);
    const RECT before = Screen().GetClientRect();
    ModKey('F', true, false);
    ASSERT_TRUE(Bar().IsOpen());
    EXPECT_EQ(::GetFocus(), Bar().TextWindow());
    EXPECT_EQ(Screen().GetClientRect().bottom, before.bottom - Bar().Height()) << "the bar takes a row";

    // ASCII in either case; the match three rows above the nearest row of the view.
    EXPECT_EQ(Search("NUMBER 57"), Count(1, 1));
    std::vector<std::string> view = View();
    ASSERT_EQ(view.size(), 30u);
    EXPECT_EQ(view[26], "line number 57");
    EXPECT_GT(FoundPixels(), 50) << "the match is drawn in the find colour";

    // Shift+Enter from the view downwards (newer), its own rows included; then on from each match, Enter
    // going up again. 1, 10-19 and 100-199 hold the text; the view's farthest row is 31.
    EXPECT_EQ(Search("number 1", false), Count(12, 111));
    EXPECT_EQ(View()[26], "line number 100");
    EXPECT_EQ(Search("number 1", false), Count(13, 111));
    EXPECT_EQ(View()[26], "line number 101");
    EXPECT_EQ(Search("number 1"), Count(12, 111));
    EXPECT_EQ(View()[26], "line number 100");
    // Past the oldest match it goes round to the newest (none lies above the view); the view then ends at
    // the newest lines.
    EXPECT_EQ(Search("number 200"), Count(1, 1));
    EXPECT_EQ(Screen().LinesBelow(), 0);
    EXPECT_EQ(View()[28], "line number 200");

    // Nothing to find, an empty text and a text of 4,096 bytes: said so, the view stays.
    ModKey(VK_HOME, true, true);
    const int below = Screen().LinesBelow();
    ASSERT_GT(below, 0);
    EXPECT_EQ(Search("no such text"), kTextNotFound);
    EXPECT_EQ(Search(""), kTextNotFound);
    EXPECT_EQ(Search(std::string(4096, 'q')), kTextNotFound);
    EXPECT_EQ(Screen().LinesBelow(), below);

    // Escape closes the bar: the focus back in the entry box, the view where it was, no marks.
    EXPECT_EQ(Search("number 57"), Count(1, 1));
    EXPECT_EQ(Search("number 5"), Count(11, 11));  // from the view's nearest row: 59 (5, 50-59)
    EXPECT_EQ(View()[26], "line number 59");
    const int found = Screen().LinesBelow();
    ModKey(VK_ESCAPE, false, false, Bar().TextWindow());
    EXPECT_FALSE(Bar().IsOpen());
    EXPECT_EQ(::GetFocus(), Edit());
    EXPECT_EQ(Screen().LinesBelow(), found);
    EXPECT_EQ(Screen().GetClientRect().bottom, before.bottom);
    EXPECT_EQ(FoundPixels(), 0);
    // F3 with the bar closed searches again for its text, on from the last match; Shift+F3 back.
    ModKey(VK_F3, false, false);
    EXPECT_EQ(View()[26], "line number 58");
    ModKey(VK_F3, false, true);
    EXPECT_EQ(View()[26], "line number 59");
}

TEST_F(FindPickTest, ATextOfTheLongestLineIsFoundWhole) {
    const std::string text(4096, 'q');
    Screen().AppendOutput(("\r\n" + text + "\r\nafter\r\n").c_str());
    ModKey('F', true, false);
    EXPECT_EQ(Search(text), Count(1, 1));
    EXPECT_EQ(Search(text + "q"), kTextNotFound);
}

TEST_F(FindPickTest, AClickPicksTheLineUnderThePointerShiftClickExtendsAndCtrlShiftCCopiesIt) {
    Fill(40);
    const std::vector<Band> bands = TextBands();
    ASSERT_GE(bands.size(), 3u) << "the nearest lines are told apart on the screen";
    const std::string prompt = Current();
    // The nearest band is the prompt's line, the one above it the last line of output.
    Click(bands[1]);
    ASSERT_TRUE(Screen().HasSelection());
    EXPECT_EQ(Screen().SelectionText(), "line number 40");
    Click(bands[0], true);
    EXPECT_EQ(Screen().SelectionText(), "line number 40\r\n" + prompt);
    ModKey('C', true, true);
    EXPECT_EQ(ClipboardText(), "line number 40\r\n" + prompt);
    // A press that moves less than the drag distance is still a click: the plane stays.
    const float tilt = Screen().m_fTilt;
    Click(bands[2], false, 1);
    EXPECT_EQ(Screen().m_fTilt, tilt);
    EXPECT_EQ(Screen().SelectionText(), "line number 39");

    // A click on the background clears it, and Ctrl+Shift+C copies the view again; so does Escape.
    const RECT rc = Screen().GetClientRect();
    Click({4, 4, rc.right - 12});
    EXPECT_FALSE(Screen().HasSelection());
    ModKey('C', true, true);
    EXPECT_EQ(ClipboardText(), Screen().ViewText());
    Click(bands[1]);
    ASSERT_TRUE(Screen().HasSelection());
    Key(VK_ESCAPE);
    EXPECT_FALSE(Screen().HasSelection());

    // In the view scrolled back the same place of the window holds an older line.
    ModKey(VK_UP, true, true);
    ModKey(VK_UP, true, true);
    ASSERT_EQ(Screen().LinesBelow(), 2);
    Pump(150);
    Click(bands[2]);
    EXPECT_EQ(Screen().SelectionText(), "line number 37");

    // Lines that leave the scrollback take the selection with them (it holds 10,000 lines).
    std::string flood;
    for (int i = 0; i < 10100; ++i) flood += "w\r\n";
    Screen().AppendOutput(flood.c_str());
    EXPECT_FALSE(Screen().HasSelection());
}

}  // namespace
