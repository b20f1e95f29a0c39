// Pasting into the entry box, through the program's message loop, the real clipboard and the real
// interpreter: the lines run in order as if entered, the unfinished piece stays, a long paste is asked
// about, a huge one refused.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "res/Texts.h"
#include "screen/ClipboardText.h"
#include "tests/app_window/MainWindowFixture.h"

namespace {

// Answers the next message box of this thread titled "Vextral" with `button`, once it shows, and keeps
// its text.
struct BoxAnswer {
    static inline int button = 0;
    static inline std::string text;
    static inline bool answered = false;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND box = ::FindWindowA("#32770", "Vextral");
        if (answered || box == nullptr || !::IsWindowVisible(box)) return;
        char buffer[256] = {};
        ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);  // the message box's text
        text = buffer;
        answered = true;
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
    explicit BoxAnswer(int answer) {
        button = answer;
        text.clear();
        answered = false;
        m_timer = ::SetTimer(nullptr, 0, 30, &Tick);
    }
    ~BoxAnswer() { ::KillTimer(nullptr, m_timer); }
    UINT_PTR m_timer;
};

class PasteTest : public MainWindowTest {
protected:
    void Paste(const std::string& text) {
        ASSERT_TRUE(PutClipboardText(m_hWnd, text));
        ::PostMessageA(Edit(), WM_CHAR, 0x16, 1);  // Ctrl+V as the keyboard delivers it
        Pump(100);
    }
    // The record holding `text`, -1 when none.
    int RecordOf(const std::string& text) {
        for (int i = 0; i < 30; ++i) {
            if (EndsWith(Line(i), text)) return i;
        }
        return -1;
    }
};

TEST_F(PasteTest, PastedLinesRunInOrderAsIfEnteredAndTheUnfinishedPieceStays) {
    m_dlg->m_CommandEdit.SetWindowText("echo ");
    m_dlg->m_CommandEdit.SetSel(5, 5);
    Paste("vx-p1\r\necho vx-p2\necho vx-p3\recho vx-rest");
    ASSERT_TRUE(PumpUntil([&] { return StoreHas("vx-p3"); }, 10000)) << Current();
    EXPECT_LT(RecordOf("vx-p1"), RecordOf("vx-p2"));
    EXPECT_LT(RecordOf("vx-p2"), RecordOf("vx-p3"));
    EXPECT_EQ("echo vx-rest", EditText());
    ASSERT_GE(m_dlg->m_History.size(), 3u);
    const size_t n = m_dlg->m_History.size();
    EXPECT_EQ("echo vx-p1", m_dlg->m_History[n - 3]);
    EXPECT_EQ("echo vx-p3", m_dlg->m_History[n - 1]);
}

TEST_F(PasteTest, MoreThanFiveLinesAreAskedAboutAndNoLeavesTheBoxAsItWas) {
    std::string block;
    for (int i = 1; i <= 7; ++i) block += "echo vx-q" + std::to_string(i) + "\r\n";
    m_dlg->m_CommandEdit.SetWindowText("keep");
    {
        BoxAnswer no(IDNO);
        Paste(block);
        ASSERT_TRUE(PumpUntil([&] { return BoxAnswer::answered; }, 5000));
    }
    EXPECT_EQ("7" + std::string(kTextPasteAsk), BoxAnswer::text);
    Pump(1500);
    EXPECT_EQ("keep", EditText());
    EXPECT_TRUE(m_dlg->m_History.empty());
    EXPECT_FALSE(StoreHas("vx-q1"));

    // Yes: all seven, through WM_PASTE as the box's own menu sends it.
    m_dlg->m_CommandEdit.SetWindowText("");
    BoxAnswer yes(IDYES);
    ::PostMessageA(Edit(), WM_PASTE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return StoreHas("vx-q7"); }, 15000)) << Current();
    for (int i = 1; i < 7; ++i) {
        EXPECT_LT(RecordOf("vx-q" + std::to_string(i)), RecordOf("vx-q" + std::to_string(i + 1))) << i;
    }
    EXPECT_EQ(7u, m_dlg->m_History.size());
}

TEST_F(PasteTest, APasteOverOneMebibyteIsRefusedWholeWithAMessage) {
    m_dlg->m_CommandEdit.SetWindowText("keep");
    Paste("echo vx-huge\r\n" + std::string(std::size_t{1} << 20, 'x'));
    ASSERT_TRUE(PumpUntil([&] { return StoreHas(kTextPasteTooLarge); }, 5000)) << Current();
    EXPECT_EQ("keep", EditText());
    EXPECT_TRUE(m_dlg->m_History.empty());
    Pump(1000);
    EXPECT_FALSE(StoreHas("vx-huge"));
}

}  // namespace

TEST_F(PasteTest, APasteAfterAShiftJisCharacterGoesAtTheCaretWhateverUnitTheBoxCountsIn) {
    // 表 (0x95 0x5C) before the caret: the box may count it as one character (Wine keeps its text in
    // UTF-16) where the text holds two bytes.
    m_dlg->m_CommandEdit.SetWindowText("echo \x95\x5C" "z");
    ::SendMessageA(Edit(), EM_SETSEL, 6, 6);  // after 表, before z: characters, as the box counts them
    if (static_cast<size_t>(::SendMessageA(Edit(), EM_LINELENGTH, 0, 0)) == 8) {
        ::SendMessageA(Edit(), EM_SETSEL, 7, 7);  // a box that counts bytes
    }
    Paste("vx-sj\r\necho vx-after");
    ASSERT_TRUE(PumpUntil([&] { return !m_dlg->m_History.empty(); }, 5000));
    EXPECT_EQ("echo \x95\x5Cvx-sj", m_dlg->m_History[0]);
    EXPECT_EQ("echo vx-afterz", EditText());
}
