// Tab completion of file names in the real main window, through the program's message loop, with the
// real interpreter's prompt in a folder of this test's own: the matches in order, both ways round,
// quoted when they hold a blank, in a subfolder (one named in Shift-JIS) or an absolute folder; nothing
// changed without a match or without a prompt; Tab elsewhere still moves the focus.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/app_window/MainWindowFixture.h"

namespace {

class CompletionTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (HasFatalFailure()) return;
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "vx-complete-" + std::to_string(::GetCurrentProcessId());
        // apple and Apricot differ from their order in byte values; 表 (0x95 0x5C) ends in a backslash.
        for (const char* dir : {"", "\\sub", "\\\x95\x5C"}) ::CreateDirectoryA((m_folder + dir).c_str(), nullptr);
        for (const char* name : {"apple.txt", "Apricot.txt", "my file.txt", "sub\\inner.txt", "\x95\x5C\\x.txt"}) {
            const std::string path = m_folder + "\\" + name;
            m_files.push_back(path);
            HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
            ::CloseHandle(file);
        }
        Type("cd /d " + m_folder);
        ASSERT_TRUE(PumpUntil([&] { return Current() == m_folder + ">"; })) << Current();
        ::SetForegroundWindow(m_hWnd);
        ::SetFocus(Edit());
    }
    void TearDown() override {
        MainWindowTest::TearDown();  // the interpreter, whose current folder it is, ends first
        for (const std::string& file : m_files) ::DeleteFileA(file.c_str());
        for (const char* dir : {"\\sub", "\\\x95\x5C", ""}) ::RemoveDirectoryA((m_folder + dir).c_str());
    }

    // `text` in the box with the caret at `caret` (its end when npos), as if typed.
    void Put(const std::string& text, size_t caret = std::string::npos) {
        m_dlg->m_CommandEdit.SetWindowText(text);
        const int at = static_cast<int>(caret == std::string::npos ? text.size() : caret);
        m_dlg->m_CommandEdit.SetSel(at, at);
    }
    // Tab (Shift+Tab when `shift`) as the keyboard delivers it to the box, then the box's text with
    // its caret shown as '|' (a selection as '[...]').
    std::string Tab(bool shift = false) {
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        const BYTE saved = state[VK_SHIFT];
        state[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(state);
        Key(VK_TAB);
        state[VK_SHIFT] = saved;
        ::SetKeyboardState(state);
        return Box();
    }
    std::string Box() {
        const std::string text = EditText();
        const DWORD sel = EditSelection();
        const size_t start = Bytes(text, LOWORD(sel)), end = Bytes(text, HIWORD(sel));
        if (start == end) return text.substr(0, start) + "|" + text.substr(start);
        return text.substr(0, start) + "[" + text.substr(start, end - start) + "]" + text.substr(end);
    }

    // A position of the box as a byte offset into `text`: the control may count characters (Wine's
    // keeps its text in UTF-16), and then its length differs from the text's bytes.
    size_t Bytes(const std::string& text, size_t position) {
        if (static_cast<size_t>(::SendMessageA(Edit(), EM_LINELENGTH, 0, 0)) == text.size()) return position;
        size_t i = 0;
        for (; i < text.size() && position > 0; --position) i += ::IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
        return i < text.size() ? i : text.size();
    }

    std::string m_folder;
    std::vector<std::string> m_files;
};

}  // namespace

TEST_F(CompletionTest, TabGivesTheMatchesInOrderBothWaysRoundAndAnEditStartsAfresh) {
    Put("type ap");
    EXPECT_EQ("type apple.txt|", Tab());
    EXPECT_EQ("type Apricot.txt|", Tab());
    EXPECT_EQ("type apple.txt|", Tab());          // past the last: the first again
    EXPECT_EQ("type Apricot.txt|", Tab(true));    // Shift+Tab before the first: the last
    EXPECT_EQ("type apple.txt|", Tab(true));
    // A character typed and taken back leaves the same text, yet it was an edit: Tab completes afresh
    // from "apple.txt", whose only match it is.
    ::PostMessageA(Edit(), WM_CHAR, 'x', 1);
    ::PostMessageA(Edit(), WM_CHAR, VK_BACK, 1);
    Pump(30);
    ASSERT_EQ("type apple.txt|", Box());
    EXPECT_EQ("type apple.txt|", Tab());
    // Shift+Tab on a fresh word starts from the last match; the rest of the line stays.
    Put("copy a dest", 6);
    EXPECT_EQ("copy Apricot.txt| dest", Tab(true));
    EXPECT_TRUE(m_dlg->m_History.size() == 1) << "Tab sent nothing";  // only the cd
}

TEST_F(CompletionTest, ANameWithABlankIsQuotedAndSubfoldersRelativeAbsoluteAndShiftJisComplete) {
    Put("type my");
    EXPECT_EQ("type \"my file.txt\"|", Tab());
    Put("type \"my f");
    EXPECT_EQ("type \"my file.txt\"|", Tab());
    Put("type sub\\i");
    EXPECT_EQ("type sub\\inner.txt|", Tab());
    Put("type " + m_folder + "\\SUB\\");
    EXPECT_EQ("type " + m_folder + "\\SUB\\inner.txt|", Tab());
    // 表's trail byte is a backslash: the folder is 表, not a folder named by its lead byte.
    Put("type \x95\x5C\\");
    EXPECT_EQ("type \x95\x5C\\x.txt|", Tab());
}

TEST_F(CompletionTest, NoMatchOrNoPromptChangesNothingAndTabElsewhereStillMovesTheFocus) {
    Put("type zz");
    EXPECT_EQ("type zz|", Tab());
    Pump(200);
    EXPECT_EQ("type zz|", Box());
    // After `prompt $g` the line holds no folder.
    Type("prompt $g");
    ASSERT_TRUE(PumpUntil([&] { return Current() == ">"; })) << Current();
    Put("type ap");
    EXPECT_EQ("type ap|", Tab());
    Pump(200);
    EXPECT_EQ("type ap|", Box());
    // With the focus on the screen, Tab is the dialog's: it goes to the entry box.
    ::SetFocus(m_dlg->m_Screen.m_hWnd);
    ASSERT_EQ(m_dlg->m_Screen.m_hWnd, ::GetFocus());
    ::PostMessageA(m_dlg->m_Screen.m_hWnd, WM_KEYDOWN, VK_TAB, 1);
    Pump(30);
    EXPECT_EQ(Edit(), ::GetFocus());
    EXPECT_EQ("type ap", EditText());
}

TEST_F(CompletionTest, ALateListingCompletesWhenItEndsUnlessTheBoxWasEditedAndTheWindowMayCloseMeanwhile) {
    m_dlg->m_CommandEdit.m_dwListWaitMs = 0;  // every listing ends after Tab has returned
    Put("type ap");
    ::PostMessageA(Edit(), WM_KEYDOWN, VK_TAB, 1);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, Edit(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    CWinApp::PumpOne(msg);
    ASSERT_EQ("type ap|", Box()) << "the listing ended within Tab";
    ASSERT_TRUE(PumpUntil([&] { return EditText() != "type ap"; }, 5000));
    EXPECT_EQ("type apple.txt|", Box());
    EXPECT_EQ("type Apricot.txt|", Tab());  // the cycle goes on from the matches it has
    // A key typed before the listing ends: its completion is dropped.
    Put("type ap");
    ::PostMessageA(Edit(), WM_KEYDOWN, VK_TAB, 1);
    ::PostMessageA(Edit(), WM_CHAR, 'x', 1);
    Pump(500);
    EXPECT_EQ("type apx|", Box());
    // The window closed while a listing runs: it goes, and the listing's end finds nothing freed.
    Put("type ap");
    ::PostMessageA(Edit(), WM_KEYDOWN, VK_TAB, 1);
    ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }));
    Pump(200);
}
