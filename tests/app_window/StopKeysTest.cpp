// Ctrl+Break and Ctrl+C in the real main window with the real interpreter: a running program is ended
// and the same interpreter shows its prompt again; a busy interpreter (a batch file) is replaced by a
// fresh one while the window stays; a waiting one is left alone; Ctrl+C with a selection copies.
#include <chrono>
#include <cstdio>
#include <string>

#include "tests/app_window/MainWindowFixture.h"
#include "res/Texts.h"

namespace {

std::string TempBatch(const char* name, const char* content) {
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs(content, f);
        std::fclose(f);
    }
    return path;
}

class StopKeysTest : public MainWindowTest {
protected:
    ConsoleProcess& Console() { return m_dlg->m_Screen.m_console; }
    // Ctrl held (in this thread's key state, which the window reads) while `vk` goes to the entry box.
    void CtrlKey(WPARAM vk) {
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        const BYTE saved[2] = {state[VK_CONTROL], state[VK_LCONTROL]};
        state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
        ::SetKeyboardState(state);
        Key(vk);
        state[VK_CONTROL] = saved[0];
        state[VK_LCONTROL] = saved[1];
        ::SetKeyboardState(state);
    }
    bool Stopped() { return CountLines(kTextStopEcho) > 0; }
    // Prints (a figure, not a check) the milliseconds since `start`.
    static void Report(const char* what, std::chrono::steady_clock::time_point start) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s: %lld ms\n", what, static_cast<long long>(ms));
    }
};

}  // namespace

TEST_F(StopKeysTest, CtrlBreakEndsARunningProgramAndTheSameInterpreterPromptsAgain) {
    const DWORD interpreter = Console().m_dwProcessId;
    Type("ping -n 60 127.0.0.1 >nul");
    ASSERT_TRUE(PumpUntil([&] { return Console().CountPrograms() > 0; })) << "ping did not start";
    const auto start = std::chrono::steady_clock::now();
    Key(VK_CANCEL);
    ASSERT_TRUE(PumpUntil([&] { return Stopped() && PromptShown(); }, 5000)) << Current();
    Report("Ctrl+Break to the prompt, a program ended", start);
    EXPECT_EQ(0, Console().CountPrograms());
    Pump(800);  // past the check that follows a stop
    EXPECT_EQ(interpreter, Console().m_dwProcessId);
    EXPECT_FALSE(StoreHas(kTextRestarted));
    Type("echo answered");
    EXPECT_TRUE(PumpUntil([&] { return StoreHas("answered"); }));
}

TEST_F(StopKeysTest, CtrlCInTheEntryBoxRestartsABusyBatchFileAndTheWindowStays) {
    const std::string loop = TempBatch("vx-stop-loop.bat", ":a\r\ngoto a\r\n");
    const DWORD interpreter = Console().m_dwProcessId;
    Type("\"" + loop + "\"");
    Pump(500);
    const auto start = std::chrono::steady_clock::now();
    CtrlKey('C');
    ASSERT_TRUE(PumpUntil([&] { return StoreHas(kTextRestarted); }, 5000)) << Current();
    ASSERT_TRUE(PumpUntil([&] { return !Console().Restarting() && PromptShown(); })) << Current();
    Report("Ctrl+C to the prompt, a busy batch file restarted", start);
    EXPECT_TRUE(::IsWindow(m_hWnd));
    EXPECT_NE(interpreter, Console().m_dwProcessId);
    EXPECT_EQ(1, Console().IsRunning());
    Type("echo fresh");
    EXPECT_TRUE(PumpUntil([&] { return StoreHas("fresh"); }));
    Pump(1500);  // the exit watcher's poll: the old interpreter's end must not close the window
    EXPECT_TRUE(::IsWindow(m_hWnd));
    ::DeleteFileA(loop.c_str());
}

TEST_F(StopKeysTest, LinesTypedWhileARestartRunsReachTheFreshInterpreterInOrder) {
    const std::string loop = TempBatch("vx-stop-loop2.bat", ":a\r\ngoto a\r\n");
    Type("\"" + loop + "\"");
    Pump(500);
    CtrlKey('C');
    // A quick restart may be over before the pump looks: its notice says that it began.
    ASSERT_TRUE(PumpUntil([&] { return Console().Restarting() || StoreHas(kTextRestarted); }, 5000))
        << "no restart began";
    // The window takes keys while the old interpreter goes and the fresh one starts.
    const char* lines[] = {"echo during-one", "echo during-two", "echo during-three"};
    for (const char* line : lines) {
        Type(line);
        EXPECT_EQ(EditText(), "") << "the box did not take the line";
    }
    ASSERT_TRUE(PumpUntil([&] { return StoreHas("during-three"); }, 10000)) << Current();
    int rows[3] = {-1, -1, -1};
    for (int i = 0; i < 30; ++i) {
        for (int k = 0; k < 3; ++k) {
            if (EndsWith(Line(i), lines[k] + 5)) rows[k] = i;
        }
    }
    EXPECT_TRUE(rows[0] >= 0 && rows[0] < rows[1] && rows[1] < rows[2]) << rows[0] << " " << rows[1] << " " << rows[2];
    ::DeleteFileA(loop.c_str());
}

TEST_F(StopKeysTest, CtrlCAtAWaitingPromptEndsNothingAndPromptsAgain) {
    const DWORD interpreter = Console().m_dwProcessId;
    const int before = m_dlg->m_Screen.m_nLineCount;
    CtrlKey('C');
    ASSERT_TRUE(PumpUntil([&] { return Stopped() && PromptShown() && m_dlg->m_Screen.m_nLineCount > before; },
                          5000))
        << Current();
    Pump(800);
    EXPECT_EQ(interpreter, Console().m_dwProcessId);
    EXPECT_FALSE(StoreHas(kTextRestarted));
}

TEST_F(StopKeysTest, CtrlCWithASelectionCopiesAndStopsNothing) {
    m_dlg->m_CommandEdit.SetWindowText("selected");
    ::SendMessageA(Edit(), EM_SETSEL, 0, -1);
    CtrlKey('C');
    Pump(500);
    EXPECT_FALSE(Stopped());
    EXPECT_EQ(EditText(), "selected");
}
