// ConsoleProcess against the real command interpreter: pipes, chunks, the drive check, the exit watcher,
// Stop in its hard cases, and a failed Start that must leave nothing behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "console/ConsoleProcess.h"
#include "console/DriveCheck.h"
#include "res/Texts.h"
#include "tests/support/TestSupport.h"

namespace {

// What the callbacks received; they are plain functions, so this is process-wide.
struct Received {
    std::mutex lock;
    std::string output;
    std::string messages;
    std::vector<size_t> outputChunks;
    std::vector<ULONGLONG> exitTimes;
    std::atomic<int> slowEntered{0};
    std::atomic<int> slowCompleted{0};
    std::atomic<DWORD> slowSleepMs{300};
};
Received g_received;

void OnOutput(const char* text) {
    std::lock_guard<std::mutex> guard(g_received.lock);
    g_received.output += text;
    g_received.outputChunks.push_back(std::strlen(text));
}

void OnMessage(const char* text) {
    std::lock_guard<std::mutex> guard(g_received.lock);
    g_received.messages += text;
}

void OnExit() {
    std::lock_guard<std::mutex> guard(g_received.lock);
    g_received.exitTimes.push_back(::GetTickCount64());
}

// Stands for a callback that draws for a while: it must never be cut off half-way.
void OnSlowOutput(const char* text) {
    g_received.slowEntered++;
    ::Sleep(g_received.slowSleepMs.load());
    OnOutput(text);
    g_received.slowCompleted++;
}

std::string Output() {
    std::lock_guard<std::mutex> guard(g_received.lock);
    return g_received.output;
}

std::string Messages() {
    std::lock_guard<std::mutex> guard(g_received.lock);
    return g_received.messages;
}

std::vector<ULONGLONG> ExitTimes() {
    std::lock_guard<std::mutex> guard(g_received.lock);
    return g_received.exitTimes;
}

void ClearReceived() {
    std::lock_guard<std::mutex> guard(g_received.lock);
    g_received.output.clear();
    g_received.messages.clear();
    g_received.outputChunks.clear();
    g_received.exitTimes.clear();
    g_received.slowEntered = 0;
    g_received.slowCompleted = 0;
}

template <typename Pred>
bool WaitFor(Pred pred, DWORD timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!pred()) {
        if (::GetTickCount64() > end) return false;
        ::Sleep(10);
    }
    return true;
}

bool OutputHas(const std::string& text, DWORD timeoutMs = 15000) {
    return WaitFor([&] { return Output().find(text) != std::string::npos; }, timeoutMs);
}

size_t CountOf(const std::string& haystack, const std::string& needle) {
    size_t count = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) {
        ++count;
    }
    return count;
}

// GetProcessHandleCount is a stub under Wine (always 0), so the handles are counted by probing the
// handle values this test's process uses.
constexpr ULONG_PTR kHandleProbeEnd = 0x4000;

int CountHandles() {
    int count = 0;
    for (ULONG_PTR value = 4; value < kHandleProbeEnd; value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

using vxtest::CountThreads;

HANDLE Duplicate(HANDLE source) {
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), source, ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return copy;
}

// The exit codes of the three workers: 0 when a worker returned, 1 when it was ended by force.
struct WorkerCopies {
    HANDLE threads[3] = {};
    explicit WorkerCopies(const ConsoleProcess& console) {
        threads[0] = Duplicate(console.m_hOutputThread);
        threads[1] = Duplicate(console.m_hErrorThread);
        threads[2] = Duplicate(console.m_hWatchThread);
    }
    ~WorkerCopies() {
        for (HANDLE h : threads) {
            if (h != nullptr) ::CloseHandle(h);
        }
    }
    void ExpectAllReturned() const {
        for (int i = 0; i < 3; ++i) {
            ASSERT_NE(nullptr, threads[i]) << "worker " << i;
            EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(threads[i], 0)) << "worker " << i << " still runs";
            DWORD code = 99;
            EXPECT_TRUE(::GetExitCodeThread(threads[i], &code));
            EXPECT_EQ(0u, code) << "worker " << i << " was ended by force";
        }
    }
};

void ExpectEmpty(const ConsoleProcess& c) {
    const HANDLE all[] = {c.m_hChildStdIn,   c.m_hChildStdOut,  c.m_hChildStdErr,   c.m_hStdInWrite,
                          c.m_hStdOutRead,   c.m_hStdErrRead,   c.m_hOutputThread,  c.m_hErrorThread,
                          c.m_hWatchThread,  c.m_hProcess};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(nullptr, all[i]) << "field " << i + 1;
    EXPECT_EQ(nullptr, g_pfnOutput.load());
    EXPECT_EQ(nullptr, g_pfnMessage.load());
    EXPECT_EQ(nullptr, g_pfnExit.load());
}

std::string Directory(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

std::string ModuleDirectory() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return Directory(path);
}

std::string CurrentDirectory() {
    char path[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

std::string TempFile(const char* name, const std::string& content) {
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + name;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    return path;
}

// The interpreter starts in this directory, so its prompt is this text and '>'.
constexpr char kStartDir[] = "C:\\windows";
constexpr char kPrompt[] = "C:\\windows>";

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearReceived();
        ASSERT_TRUE(::SetCurrentDirectoryA(kStartDir));
    }
    void TearDown() override {
        m_console.Stop();
        ConsoleProcess::SetInterpreterNameForTesting(nullptr);
    }
    // Starts with the recording callbacks and waits for the first prompt.
    void StartAndWaitForPrompt(OutputCallback output = OnOutput, const char* prompt = kPrompt) {
        ASSERT_EQ(1, m_console.Start(output, OnMessage, OnExit));
        ASSERT_TRUE(OutputHas(prompt)) << Output();
    }
    // Writes one line and waits for the interpreter's next prompt (new output that ends in '>'). One
    // line at a time: this interpreter runs only the first of several lines that wait in its pipe.
    int Send(const char* line) {
        const size_t before = Output().size();
        const int result = m_console.Write(line);
        const bool prompted = WaitFor(
            [&] {
                const std::string out = Output();
                return out.size() > before && out.back() == '>';
            },
            15000);
        EXPECT_TRUE(prompted) << "no prompt after " << line << "\n" << Output();
        return result;
    }
    ConsoleProcess m_console;
};

TEST_F(ConsoleTest, WriteSendsNothingOutsideARunningInterpreter) {
    EXPECT_EQ(0, m_console.Write("echo x\r\n"));  // before Start
    m_console.Stop();                             // never started: returns at once, nothing to undo
    ExpectEmpty(m_console);
    EXPECT_EQ(0, m_console.IsRunning());

    StartAndWaitForPrompt();
    EXPECT_EQ(0, m_console.Write(""));
    EXPECT_EQ(0, m_console.Write(nullptr));
    m_console.Stop();
    ExpectEmpty(m_console);
    EXPECT_EQ(0, m_console.Write("echo x\r\n"));  // after Stop
    m_console.Stop();                             // twice is fine
    ExpectEmpty(m_console);
}

TEST_F(ConsoleTest, StartAndStopLeaveNoHandleThreadOrProcessBehind) {
    // One round first: the platform sets up what it keeps for good on the first child process.
    StartAndWaitForPrompt();
    m_console.Stop();
    ClearReceived();

    const int handlesBefore = CountHandles();
    const int threadsBefore = CountThreads();
    StartAndWaitForPrompt();
    const HANDLE fields[] = {m_console.m_hChildStdIn,  m_console.m_hChildStdOut, m_console.m_hChildStdErr,
                             m_console.m_hStdInWrite,  m_console.m_hStdOutRead,  m_console.m_hStdErrRead,
                             m_console.m_hOutputThread, m_console.m_hErrorThread, m_console.m_hWatchThread,
                             m_console.m_hProcess};
    for (int i = 0; i < 10; ++i) {
        EXPECT_NE(nullptr, fields[i]) << "field " << i + 1;
        // The probe must see every handle the object holds, or the counts below would prove nothing.
        EXPECT_LT(reinterpret_cast<ULONG_PTR>(fields[i]), kHandleProbeEnd) << "field " << i + 1;
    }
    EXPECT_EQ(1, m_console.IsRunning());
    EXPECT_EQ(threadsBefore + 4, CountThreads());  // the input writer and the three workers

    HANDLE process = Duplicate(m_console.m_hProcess);
    ASSERT_NE(nullptr, process);
    {
        WorkerCopies workers(m_console);
        m_console.Stop();
        ExpectEmpty(m_console);
        EXPECT_EQ(0, m_console.IsRunning());
        workers.ExpectAllReturned();
    }
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process, 5000)) << "the interpreter still runs";
    DWORD code = 99;
    EXPECT_TRUE(::GetExitCodeProcess(process, &code));
    EXPECT_EQ(0u, code) << "the interpreter should have obeyed \"exit\"";
    ::CloseHandle(process);
    // Wine lets an ended thread and the handles of ended processes go a moment after Stop has seen
    // them end; a leak stays.
    WaitFor([&] { return CountThreads() == threadsBefore && CountHandles() == handlesBefore; }, 2000);
    EXPECT_EQ(threadsBefore, CountThreads());
    EXPECT_EQ(handlesBefore, CountHandles());
}

TEST_F(ConsoleTest, StartsAgainAfterStopAndRefusesASecondStart) {
    StartAndWaitForPrompt();
    m_console.Stop();
    ClearReceived();
    StartAndWaitForPrompt();

    const HANDLE process = m_console.m_hProcess;
    const HANDLE input = m_console.m_hStdInWrite;
    EXPECT_EQ(0, m_console.Start(OnOutput, OnMessage, OnExit));
    EXPECT_EQ(process, m_console.m_hProcess);
    EXPECT_EQ(input, m_console.m_hStdInWrite);
    EXPECT_EQ(1, m_console.IsRunning());
    EXPECT_EQ(1, m_console.Write("echo still-here\r\n"));
    EXPECT_TRUE(OutputHas("still-here")) << Output();
}

TEST_F(ConsoleTest, StandardErrorGoesToTheMessageCallback) {
    StartAndWaitForPrompt();
    EXPECT_EQ(1, m_console.Write("vx-no-such-command-4711\r\n"));
    EXPECT_TRUE(WaitFor([] { return Messages().find("vx-no-such-command-4711") != std::string::npos; }, 15000))
        << "messages: " << Messages() << "\noutput: " << Output();
    EXPECT_EQ(std::string::npos, Output().find("vx-no-such-command-4711"));
}

TEST_F(ConsoleTest, EmptyLineIsWrittenAndAnswersWithAPrompt) {
    StartAndWaitForPrompt();
    ASSERT_EQ(1, m_console.Write("echo BEFORE\r\n"));
    ASSERT_TRUE(OutputHas("BEFORE"));
    ASSERT_TRUE(OutputHas(std::string("BEFORE\r\n\r\n") + kPrompt)) << Output();
    const size_t prompts = CountOf(Output(), kPrompt);
    EXPECT_EQ(1, m_console.Write("\r\n"));
    EXPECT_TRUE(WaitFor([&] { return CountOf(Output(), kPrompt) == prompts + 1; }, 15000)) << Output();
}

TEST_F(ConsoleTest, UnusableDriveIsRefusedWithAMessageAndOnlyALineEndIsSent) {
    StartAndWaitForPrompt();
    const std::string cwd = CurrentDirectory();
    ASSERT_EQ(1, Send("echo BEFORE\r\n"));

    // Had the line been sent, the interpreter would print the sentinel.
    EXPECT_EQ(0, Send("echo a:SENTINEL\r\n"));
    EXPECT_EQ(DriveInvalidMessage('A'), Messages());
    EXPECT_EQ(0, Send("a:\r\n"));
    EXPECT_EQ(DriveInvalidMessage('A') + DriveInvalidMessage('A'), Messages());
    EXPECT_EQ(1, Send("echo AFTER\r\n"));

    const std::string out = Output();
    EXPECT_EQ(std::string::npos, out.find("SENTINEL")) << out;
    // Between the markers: the blank line and prompt after "echo BEFORE", then exactly one bare prompt
    // for each refused line, which is what an empty line brings, and nothing else.
    const size_t from = out.find("BEFORE\r\n");
    const size_t to = out.find("AFTER");
    ASSERT_NE(std::string::npos, from);
    ASSERT_NE(std::string::npos, to);
    const std::string between = out.substr(from + 8, to - from - 8);
    EXPECT_EQ(std::string("\r\n") + kPrompt + kPrompt + kPrompt, between);
    EXPECT_EQ(cwd, CurrentDirectory());
    // The interpreter wrote nothing to standard error either: the only messages are ours.
    EXPECT_EQ(DriveInvalidMessage('A') + DriveInvalidMessage('A'), Messages());
}

TEST_F(ConsoleTest, VariableAssignmentNamingAnUnusableDriveIsRefused) {
    StartAndWaitForPrompt();
    EXPECT_EQ(0, Send("set v=p:x\r\n"));
    EXPECT_EQ(DriveInvalidMessage('P'), Messages());
    EXPECT_EQ(1, Send("echo [%v%]\r\n"));
    const std::string out = Output();
    EXPECT_EQ(std::string::npos, out.find("[p:x]")) << "the assignment reached the interpreter: " << out;
}

TEST_F(ConsoleTest, UsableDriveIsSentUnchangedAndBecomesTheProgramsDrive) {
    StartAndWaitForPrompt();
    ASSERT_TRUE(::SetCurrentDirectoryA("Z:\\tmp") || ::SetCurrentDirectoryA("Z:\\"));
    EXPECT_EQ(1, Send("c:\r\n"));
    EXPECT_EQ('C', CurrentDirectory()[0]) << CurrentDirectory();
    EXPECT_EQ(1, Send("z:\r\n"));
    EXPECT_EQ('Z', CurrentDirectory()[0]) << CurrentDirectory();
    // The interpreter followed onto Z: too, so the line reached it.
    const std::string out = Output();
    EXPECT_EQ('>', out.back());
    EXPECT_EQ('Z', std::toupper(static_cast<unsigned char>(out[out.find_last_of("\r\n") + 1]))) << out;
    EXPECT_EQ("", Messages());
}

TEST_F(ConsoleTest, LinesWithoutADriveLetterAreNotTested) {
    // The program sits on Z:, so a test of C (wrongly taken from elsewhere in a line) would show.
    ASSERT_TRUE(::SetCurrentDirectoryA("Z:\\tmp") || ::SetCurrentDirectoryA("Z:\\"));
    const std::string cwd = CurrentDirectory();
    StartAndWaitForPrompt(OnOutput, (cwd + ">").c_str());
    EXPECT_EQ(1, Send(":x\r\n"));
    EXPECT_EQ(1, Send("1:\r\n"));
    EXPECT_EQ(1, Send("dir\r\n"));
    EXPECT_EQ(cwd, CurrentDirectory());
    EXPECT_EQ(1, Send("echo C:DONE\r\n"));  // and one that is tested, against a usable drive
    EXPECT_TRUE(OutputHas("C:DONE")) << Output();
    EXPECT_EQ('C', CurrentDirectory()[0]);
    ASSERT_TRUE(::SetCurrentDirectoryA(cwd.c_str()));
    // No drive message came: "1:" brings only the interpreter's own complaint.
    EXPECT_EQ(std::string::npos, Messages().find("\x83h\x83\x89\x83" "C\x83u")) << Messages();
}

// Waits until `content` has arrived whole and checks how it came: several chunks of 1 to 2048 bytes.
void ExpectArrivedInChunks(const std::string& content) {
    ASSERT_TRUE(OutputHas(content, 30000)) << "received " << Output().size() << " of " << content.size();
    std::vector<size_t> chunks;
    {
        std::lock_guard<std::mutex> guard(g_received.lock);
        chunks = g_received.outputChunks;
    }
    EXPECT_GE(chunks.size(), content.size() / 2048);
    for (size_t size : chunks) {
        EXPECT_GE(size, 1u);
        EXPECT_LE(size, 2048u);
    }
}

TEST_F(ConsoleTest, LongOutputArrivesInChunksThatJoinToTheExactBytes) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + " abcdefghijklmnopqrstuvwxyz 0123456789\r\n";
    ASSERT_GT(text.size(), 3u * 2048u);
    const std::string textPath = TempFile("vx-console-long.txt", text);

    // Shift-JIS lines ("表示" holds the trail byte 0x5C, "ア" the trail byte 'A'), copied unchanged.
    std::string sjis;
    for (int i = 0; i < 700; ++i) sjis += "\x95\x5C\x8E\xA6 " + std::to_string(i) + " \x83\x41\x83\x41\x83\x41\r\n";
    ASSERT_GT(sjis.size(), 3u * 2048u);
    const std::string sjisPath = TempFile("vx-console-long-sjis.txt", sjis);

    StartAndWaitForPrompt();
    EXPECT_EQ(1, Send(("type \"" + textPath + "\"\r\n").c_str()));
    ExpectArrivedInChunks(text);

    ClearReceived();
    const std::string child = ModuleDirectory() + "\\console_test_child.exe";
    EXPECT_EQ(1, Send(("\"" + child + "\" cat \"" + sjisPath + "\"\r\n").c_str()));
    ExpectArrivedInChunks(sjis);
    m_console.Stop();

    // A receiver that takes its time lets the pipe fill up, so that reads come back full: 2048 bytes,
    // never more.
    ClearReceived();
    ASSERT_TRUE(::SetCurrentDirectoryA(kStartDir));  // the drive check moved the program onto Z:
    g_received.slowSleepMs = 30;
    StartAndWaitForPrompt(OnSlowOutput);
    EXPECT_EQ(1, m_console.Write(("\"" + child + "\" cat \"" + sjisPath + "\"\r\n").c_str()));
    ExpectArrivedInChunks(sjis);
    g_received.slowSleepMs = 300;
    {
        std::lock_guard<std::mutex> guard(g_received.lock);
        size_t largest = 0;
        for (size_t size : g_received.outputChunks) largest = std::max(largest, size);
        EXPECT_EQ(2048u, largest);
    }
    ::DeleteFileA(textPath.c_str());
    ::DeleteFileA(sjisPath.c_str());
}

TEST_F(ConsoleTest, ExitCallbackComesAfterTheInterpreterEndsAndRepeatsUntilStop) {
    StartAndWaitForPrompt();
    ::Sleep(1500);  // several polls of a running interpreter
    EXPECT_TRUE(ExitTimes().empty());

    const ULONGLONG sent = ::GetTickCount64();
    ASSERT_EQ(1, m_console.Write("exit\r\n"));
    ASSERT_TRUE(WaitFor([] { return !ExitTimes().empty(); }, 5000));
    // Within a poll period of the interpreter's end; the margin covers its own exit.
    EXPECT_LE(ExitTimes()[0] - sent, 2000u);
    EXPECT_EQ(0, m_console.IsRunning());
    // The input pipe is still held: a line is still written, though nobody reads it.
    EXPECT_EQ(1, m_console.Write("echo nobody\r\n"));

    ASSERT_TRUE(WaitFor([] { return ExitTimes().size() >= 4; }, 6000));
    const std::vector<ULONGLONG> times = ExitTimes();
    // The poll period itself is checked exactly beside the watcher's loop; here only that it repeats.
    for (size_t i = 1; i < times.size(); ++i) EXPECT_LE(times[i] - times[i - 1], 2500u) << "poll " << i;
    m_console.Stop();
    const size_t count = ExitTimes().size();
    ::Sleep(2500);
    EXPECT_EQ(count, ExitTimes().size()) << "the exit callback came after Stop";
}

TEST_F(ConsoleTest, StopWithAnIdleInterpreterIsQuickAndEndsEveryWorkerByItself) {
    StartAndWaitForPrompt();
    WorkerCopies workers(m_console);
    const ULONGLONG before = ::GetTickCount64();
    m_console.Stop();
    const ULONGLONG took = ::GetTickCount64() - before;
    // The readers are blocked in their reads; waiting a second for each would take over two.
    EXPECT_LE(took, 1500u);
    workers.ExpectAllReturned();
    ExpectEmpty(m_console);
}

TEST_F(ConsoleTest, StopEndsAnInterpreterThatIgnoresExitByForce) {
    const std::string event = "VextralConsoleSleeper" + std::to_string(::GetCurrentProcessId());
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, event.c_str());
    ASSERT_NE(nullptr, release);
    StartAndWaitForPrompt();
    const std::string child = ModuleDirectory() + "\\console_test_child.exe";
    ASSERT_EQ(1, m_console.Write(("\"" + child + "\" sleep " + event + "\r\n").c_str()));
    ASSERT_TRUE(OutputHas("SLEEPER READY")) << Output();

    HANDLE process = Duplicate(m_console.m_hProcess);
    ASSERT_NE(nullptr, process);
    {
        WorkerCopies workers(m_console);
        const ULONGLONG before = ::GetTickCount64();
        m_console.Stop();
        const ULONGLONG took = ::GetTickCount64() - before;
        // The sleeper reads nothing, so "exit" stays unread: half a second for it (the exact rule is
        // StopPolicyTest's), not the full two seconds, then by force, the sleeper with it.
        EXPECT_LT(took, 1800u) << "waited the full time for an \"exit\" that stayed unread";
        workers.ExpectAllReturned();
        ExpectEmpty(m_console);
    }
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process, 0));
    DWORD code = 99;
    EXPECT_TRUE(::GetExitCodeProcess(process, &code));
    EXPECT_EQ(1u, code);
    ::CloseHandle(process);
    ::SetEvent(release);
    ::CloseHandle(release);
}

TEST_F(ConsoleTest, StopNeverCutsACallbackOff) {
    std::string content;
    for (int i = 0; i < 300; ++i) content += "slow line " + std::to_string(i) + " ....................\r\n";
    const std::string path = TempFile("vx-console-slow.txt", content);
    // 300 ms like a frame that takes long; 3500 ms outlasts Stop's two seconds for the busy interpreter
    // plus the second it waits for a worker before it may end one by force.
    const struct {
        DWORD sleepMs;
        DWORD stopAfterMs;
    } cases[] = {{300, 0}, {300, 150}, {3500, 0}};
    for (const auto& c : cases) {
        ClearReceived();
        g_received.slowSleepMs = 0;  // the banner and prompt quickly
        StartAndWaitForPrompt(OnSlowOutput);
        g_received.slowSleepMs = c.sleepMs;
        const int entered = g_received.slowEntered.load();
        ASSERT_EQ(1, m_console.Write(("type \"" + path + "\"\r\n").c_str()));
        ASSERT_TRUE(WaitFor([&] { return g_received.slowEntered.load() > entered; }, 15000));
        ::Sleep(c.stopAfterMs);
        WorkerCopies workers(m_console);
        m_console.Stop();
        EXPECT_EQ(g_received.slowEntered.load(), g_received.slowCompleted.load())
            << "callback of " << c.sleepMs << " ms cut off, Stop " << c.stopAfterMs << " ms in";
        workers.ExpectAllReturned();
        ExpectEmpty(m_console);
    }
    g_received.slowSleepMs = 300;
    ::DeleteFileA(path.c_str());
}

TEST_F(ConsoleTest, FailedStartLeavesNoHandleOrThreadBehind) {
    // One round first, as above.
    StartAndWaitForPrompt();
    m_console.Stop();

    const std::string notAProgram = TempFile("vx-console-not-a-program.txt", "just text\r\n");
    // An interpreter that is not found, and one that is found but cannot be started.
    for (const std::string& name : {std::string("vx-no-such-interpreter-4711.exe"), notAProgram}) {
        const int handlesBefore = CountHandles();
        const int threadsBefore = CountThreads();
        ConsoleProcess::SetInterpreterNameForTesting(name.c_str());
        EXPECT_EQ(0, m_console.Start(OnOutput, OnMessage, OnExit)) << name;
        ConsoleProcess::SetInterpreterNameForTesting(nullptr);
        ExpectEmpty(m_console);
        EXPECT_NE(0, g_bStop.load());
        EXPECT_EQ(handlesBefore, CountHandles()) << name;
        EXPECT_EQ(threadsBefore, CountThreads()) << name;
        EXPECT_EQ(0, m_console.Write("echo x\r\n"));
        m_console.Stop();
        ExpectEmpty(m_console);
    }
    ::DeleteFileA(notAProgram.c_str());

    // The platform's interpreter is still found afterwards.
    ClearReceived();
    StartAndWaitForPrompt();
}

}  // namespace

namespace {

std::string ChildPath() { return ModuleDirectory() + "\\console_test_child.exe"; }

bool ProcessAlive(DWORD pid) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return false;
    const bool alive = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return alive;
}

// Processes of the test child's image that still run.
int RunningChildren() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL ok = ::Process32First(snapshot, &entry); ok; ok = ::Process32Next(snapshot, &entry)) {
        if (::lstrcmpiA(entry.szExeFile, "console_test_child.exe") == 0 && ProcessAlive(entry.th32ProcessID)) {
            ++count;
        }
    }
    ::CloseHandle(snapshot);
    return count;
}

// Runs `body` on a thread of its own; false when it has not returned within `timeoutMs` (the thread is
// then left behind: what it waits for is the fault).
bool ReturnsWithin(const std::function<void()>& body, DWORD timeoutMs) {
    struct Call {
        std::function<void()> body;
        static DWORD WINAPI Run(void* arg) {
            static_cast<Call*>(arg)->body();
            return 0;
        }
    };
    auto* call = new Call{body};
    HANDLE thread = ::CreateThread(nullptr, 0, &Call::Run, call, 0, nullptr);
    if (thread == nullptr) return false;
    const bool returned = ::WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    ::CloseHandle(thread);
    if (returned) delete call;
    return returned;
}

// `count` texts of `size` bytes each (the last two "\r\n"), each numbered, so that order and wholeness
// show in what comes back.
std::vector<std::string> NumberedTexts(int count, size_t size) {
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        std::string text = "text " + std::to_string(i) + " ";
        text.resize(size - 2, static_cast<char>('a' + i % 26));
        texts.push_back(text + "\r\n");
    }
    return texts;
}

class ConsoleJobTest : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        m_event = "VextralConsoleHold" + std::to_string(::GetCurrentProcessId()) + "_" +
                  std::to_string(::GetTickCount());
        m_release = ::CreateEventA(nullptr, TRUE, FALSE, m_event.c_str());
        ASSERT_NE(nullptr, m_release);
    }
    void TearDown() override {
        ConsoleTest::TearDown();
        ConsoleProcess::SetUseJobForTesting(true);
        ::SetEvent(m_release);
        ::CloseHandle(m_release);
    }
    // Starts the interpreter and has it run the test child in `mode`, which says `ready` when it runs.
    void RunChild(const char* mode, const char* ready) {
        StartAndWaitForPrompt();
        ASSERT_EQ(1, m_console.Write(("\"" + ChildPath() + "\" " + mode + " " + m_event + "\r\n").c_str()));
        ASSERT_TRUE(OutputHas(ready)) << Output();
    }
    std::string m_event;
    HANDLE m_release = nullptr;
};

}  // namespace

TEST_F(ConsoleJobTest, WritesToAnInterpreterThatReadsNothingReturnAtOnceAndArriveWholeInOrder) {
    RunChild("hold", "HOLD READY");
    // 64 KB while nothing reads: far more than the pipe holds, so a write into the pipe would wait.
    const std::vector<std::string> texts = NumberedTexts(64, 1000);
    std::atomic<int> accepted{0};
    ASSERT_TRUE(ReturnsWithin(
        [&] {
            for (const std::string& text : texts) accepted += m_console.Write(text.c_str());
        },
        10000))
        << "Write waited for the interpreter to read";
    EXPECT_EQ(64, accepted.load());
    EXPECT_GT(m_console.PendingInput(), 0u);
    ::SetEvent(m_release);
    ASSERT_EQ(1, m_console.Write("END\r\n"));
    ASSERT_TRUE(OutputHas("END\r\n", 30000)) << Output().size();
    std::string all;
    for (const std::string& text : texts) all += text;
    EXPECT_NE(std::string::npos, Output().find(all + "END\r\n")) << "texts split, reordered or lost";
    EXPECT_TRUE(WaitFor([&] { return m_console.PendingInput() == 0; }, 5000));
}

TEST_F(ConsoleJobTest, InputPastTheBacklogBoundIsRefusedWithAMessageAndWhatWasAcceptedStaysWhole) {
    RunChild("hold", "HOLD READY");
    const std::vector<std::string> texts = NumberedTexts(1400, 1000);  // 1.4 MB: past the bound
    size_t accepted = 0;
    bool refused = false;
    ASSERT_TRUE(ReturnsWithin(
        [&] {
            for (const std::string& text : texts) {
                if (!m_console.Write(text.c_str())) {
                    refused = true;
                    break;
                }
                ++accepted;
            }
        },
        10000));
    ASSERT_TRUE(refused);
    // The bound counts what the pipe has not taken yet; the pipe itself holds a little more.
    EXPECT_GE(accepted * 1000, ConsoleProcess::kInputBacklogLimit - 1000);
    EXPECT_LE(accepted * 1000, ConsoleProcess::kInputBacklogLimit + 65536);
    EXPECT_EQ(1u, CountOf(Messages(), kTextInputFull)) << Messages();
    // The writer may still hand the one line the empty pipe takes; after that nothing moves.
    ::Sleep(300);
    int more = 0;
    while (more < 2 && m_console.Write(texts[accepted].c_str()) == 1) {
        ++accepted;
        ++more;
    }
    EXPECT_LE(more, 1) << "room appeared while nothing read";
    EXPECT_EQ(2u, CountOf(Messages(), kTextInputFull)) << "every refusal says so";

    ::SetEvent(m_release);
    // Room again once the child reads.
    ASSERT_TRUE(WaitFor([&] { return m_console.Write("END\r\n") == 1; }, 30000));
    ASSERT_TRUE(OutputHas("END\r\n", 60000)) << Output().size();
    std::string all;
    for (size_t i = 0; i < accepted; ++i) all += texts[i];
    EXPECT_NE(std::string::npos, Output().find(all)) << "accepted texts split, reordered or lost";
}

TEST_F(ConsoleJobTest, StopWithInputPiledUpEndsTheInterpreterAndItsProgram) {
    RunChild("hold", "HOLD READY");  // never released: nothing reads
    for (const std::string& text : NumberedTexts(1000, 1000)) m_console.Write(text.c_str());
    EXPECT_GE(m_console.CountPrograms(), 1);
    HANDLE process = Duplicate(m_console.m_hProcess);
    ASSERT_TRUE(ReturnsWithin([&] { m_console.Stop(); }, 10000)) << "Stop waited for the input to be read";
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process, 0));
    ::CloseHandle(process);
    EXPECT_TRUE(WaitFor([] { return RunningChildren() == 0; }, 3000)) << "the child outlived Stop";
    ExpectEmpty(m_console);
}

TEST_F(ConsoleJobTest, NoProgramTheInterpreterStartedOutlivesStopWithOrWithoutAJob) {
    for (const bool job : {true, false}) {
        ClearReceived();
        ConsoleProcess::SetUseJobForTesting(job);
        ::SetCurrentDirectoryA(kStartDir);  // the child's path moved the program to its drive
        RunChild("spawn", "SLEEPER READY");
        EXPECT_EQ(job, m_console.m_hJob != nullptr);
        const std::string out = Output();
        const size_t at = out.find("SPAWNED ");
        ASSERT_NE(std::string::npos, at) << out;
        const DWORD grandchild = static_cast<DWORD>(std::strtoul(out.c_str() + at + 8, nullptr, 10));
        ASSERT_TRUE(ProcessAlive(grandchild));
        EXPECT_EQ(2, m_console.CountPrograms()) << "job " << job;
        m_console.Stop();
        EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(grandchild); }, 3000)) << "job " << job;
        EXPECT_TRUE(WaitFor([] { return RunningChildren() == 0; }, 3000)) << "job " << job;
    }
}

TEST_F(ConsoleJobTest, EndProgramsEndsWhatTheInterpreterRunsAndKeepsTheInterpreter) {
    RunChild("spawn", "SLEEPER READY");
    const DWORD interpreter = m_console.m_dwProcessId;
    const size_t before = Output().size();
    EXPECT_EQ(2, m_console.EndPrograms());
    EXPECT_EQ(0, m_console.CountPrograms()) << "those ended and going are not counted";
    EXPECT_TRUE(WaitFor([] { return RunningChildren() == 0; }, 3000));
    // The interpreter goes on: its prompt comes back, and it answers.
    ASSERT_TRUE(WaitFor([&] { return Output().size() > before && Output().back() == '>'; }, 5000)) << Output();
    EXPECT_EQ(1, m_console.IsRunning());
    EXPECT_EQ(interpreter, m_console.m_dwProcessId);
    Send("echo still here\r\n");
    EXPECT_TRUE(OutputHas("still here"));
    // With nothing running there is nothing to end.
    EXPECT_EQ(0, m_console.EndPrograms());
}

TEST_F(ConsoleJobTest, AWaitingInterpreterReadsALineEndAndABusyOneLeavesItUnread) {
    StartAndWaitForPrompt();
    ASSERT_EQ(1, m_console.Write("\r\n"));
    EXPECT_TRUE(WaitFor([&] { return m_console.PendingInput() == 0; }, 3000)) << "a waiting interpreter";

    const std::string loop = TempFile("vx-console-loop.bat", ":a\r\ngoto a\r\n");
    ASSERT_EQ(1, m_console.Write(("\"" + loop + "\"\r\n").c_str()));
    ::Sleep(500);
    ASSERT_EQ(1, m_console.Write("\r\n"));
    ::Sleep(1000);
    EXPECT_GT(m_console.PendingInput(), 0u) << "a batch file runs: the line end stays unread";
    EXPECT_EQ(0, m_console.CountPrograms());

    // A restart ends the busy interpreter and starts a fresh one in the first one's directory, on the
    // same pipes, without the exit callback; the unread input goes with the old one.
    const DWORD old = m_console.m_dwProcessId;
    HANDLE oldProcess = Duplicate(m_console.m_hProcess);
    ::SetCurrentDirectoryA("C:\\");  // the program's own directory moved meanwhile (the drive check)
    const size_t before = Output().size();
    ASSERT_EQ(1, m_console.Restart());
    // The restart runs on a thread of its own; the caller does not wait for the old interpreter to go.
    EXPECT_TRUE(m_console.Restarting());
    EXPECT_EQ(1, m_console.IsRunning());
    ASSERT_TRUE(WaitFor([&] { return !m_console.Restarting(); }, 5000));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(oldProcess, 0));
    ::CloseHandle(oldProcess);
    EXPECT_NE(old, m_console.m_dwProcessId);
    // A fresh greeting, then the prompt in the first interpreter's directory. (The old one's loop
    // echoed prompts of its own until it was ended.)
    const auto fresh = [&] {
        const std::string out = Output().substr(before);
        const size_t greeting = out.find("Microsoft Windows");
        return greeting != std::string::npos && out.find(kPrompt, greeting) != std::string::npos;
    };
    ASSERT_TRUE(WaitFor(fresh, 15000)) << Output().substr(before);
    EXPECT_EQ(0u, m_console.PendingInput());
    Send("echo after restart\r\n");
    EXPECT_TRUE(OutputHas("after restart"));
    ::Sleep(1500);  // more than the exit watcher's poll
    EXPECT_TRUE(ExitTimes().empty()) << "the old interpreter's end was reported";
    ::DeleteFileA(loop.c_str());
}

namespace {

// Each of `tokens` once, in this order, in `out`.
::testing::AssertionResult EachOnceInOrder(const std::string& out, const std::vector<std::string>& tokens) {
    size_t from = 0;
    for (const std::string& token : tokens) {
        const size_t at = out.find(token, from);
        if (at == std::string::npos) return ::testing::AssertionFailure() << token << " missing or out of order";
        if (out.find(token, at + token.size()) != std::string::npos) {
            return ::testing::AssertionFailure() << token << " more than once";
        }
        from = at + token.size();
    }
    return ::testing::AssertionSuccess();
}

// Tokens that no other line of output contains ("burst-07" is not inside "burst-17").
std::vector<std::string> Tokens(const char* stem, int count) {
    std::vector<std::string> tokens;
    for (int i = 0; i < count; ++i) tokens.push_back(std::string("[") + stem + "-" + std::to_string(i) + "]");
    return tokens;
}

}  // namespace

TEST_F(ConsoleTest, LinesWrittenAheadOfABusyInterpreterAllRunInOrder) {
    StartAndWaitForPrompt();
    // Twenty lines in a burst behind a program that runs for a second: the interpreter keeps only the
    // first line of each read, so each must be alone in the pipe when it is read.
    ASSERT_EQ(1, m_console.Write("ping -n 2 127.0.0.1 >nul\r\n"));
    const std::vector<std::string> burst = Tokens("burst", 20);
    for (const std::string& token : burst) ASSERT_EQ(1, m_console.Write(("echo " + token + "\r\n").c_str()));
    EXPECT_GT(m_console.PendingInput(), 0u) << "lines that wait are counted";
    ASSERT_TRUE(OutputHas(burst.back(), 30000)) << Output();
    EXPECT_TRUE(EachOnceInOrder(Output(), burst)) << Output();

    // Two hundred as fast as the caller can, several of them in one text.
    ClearReceived();
    const std::vector<std::string> fast = Tokens("fast", 200);
    for (size_t i = 0; i < fast.size(); i += 2) {
        const std::string pair = "echo " + fast[i] + "\r\necho " + fast[i + 1] + "\r\n";
        ASSERT_EQ(1, m_console.Write(pair.c_str()));
    }
    ASSERT_TRUE(OutputHas(fast.back(), 60000)) << Output();
    EXPECT_TRUE(EachOnceInOrder(Output(), fast)) << Output();
    EXPECT_TRUE(WaitFor([&] { return m_console.PendingInput() == 0; }, 5000));
}

TEST_F(ConsoleTest, ACmdExeBesideTheProgramOrInTheCurrentFolderIsNeverStarted) {
    // A program named cmd.exe that says who it is, beside the test executable and in the current folder.
    const std::string child = ModuleDirectory() + "\\console_test_child.exe";
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "vx-planted";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string planted[] = {ModuleDirectory() + "\\cmd.exe", folder + "\\cmd.exe"};
    for (const std::string& path : planted) ASSERT_TRUE(::CopyFileA(child.c_str(), path.c_str(), FALSE)) << path;
    ASSERT_TRUE(::SetCurrentDirectoryA(folder.c_str()));
    // The planted copy, started with no arguments, exits at once with code 2; the system's greets.
    StartAndWaitForPrompt(OnOutput, (folder + ">").c_str());
    EXPECT_NE(std::string::npos, Output().find("Microsoft Windows")) << Output();
    // The system folder's own (a 32-bit program's system folder is the 64-bit system's WOW64 folder).
    char system[MAX_PATH] = {}, wow64[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    ::GetSystemWow64DirectoryA(wow64, MAX_PATH);
    char image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    ASSERT_TRUE(::QueryFullProcessImageNameA(m_console.m_hProcess, 0, image, &size));
    EXPECT_TRUE(::lstrcmpiA(image, (std::string(system) + "\\cmd.exe").c_str()) == 0 ||
                (wow64[0] != '\0' && ::lstrcmpiA(image, (std::string(wow64) + "\\cmd.exe").c_str()) == 0))
        << image;
    m_console.Stop();
    ::SetCurrentDirectoryA(kStartDir);
    for (const std::string& path : planted) ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(folder.c_str());
}

TEST_F(ConsoleTest, AConsoleThatNeverStartedLeavesTheRunningOneAlone) {
    StartAndWaitForPrompt();
    {
        ConsoleProcess idle;
        EXPECT_EQ(0, idle.Start(OnOutput, OnMessage, OnExit)) << "a second one must not take the slots";
        idle.Stop();
    }  // and its destructor
    EXPECT_EQ(0, g_bStop.load());
    EXPECT_EQ(&OnOutput, g_pfnOutput.load());
    EXPECT_EQ(&OnExit, g_pfnExit.load());
    EXPECT_EQ(1, Send("echo still-heard\r\n"));
    EXPECT_TRUE(OutputHas("still-heard"));
}

namespace {

std::atomic<HANDLE> g_blockRelease{nullptr};
std::atomic<int> g_blockState{0};  // 1 inside the blocking callback, 2 once it returned

void OnBlockingOutput(const char* text) {
    OnOutput(text);
    if (HANDLE release = g_blockRelease.exchange(nullptr)) {
        g_blockState = 1;
        ::WaitForSingleObject(release, INFINITE);
        g_blockState = 2;
    }
}

}  // namespace

TEST_F(ConsoleTest, StopWaitsForACallbackThatBlocksUntilItReturns) {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, release);
    g_blockRelease = release;
    g_blockState = 0;
    StartAndWaitForPrompt(OnBlockingOutput, "");
    ASSERT_TRUE(WaitFor([] { return g_blockState.load() == 1; }, 15000));
    WorkerCopies workers(m_console);
    std::atomic<bool> stopped{false};
    struct Stopper {
        ConsoleProcess* console;
        std::atomic<bool>* stopped;
        static DWORD WINAPI Run(void* arg) {
            auto* s = static_cast<Stopper*>(arg);
            s->console->Stop();
            *s->stopped = true;
            return 0;
        }
    } stopper{&m_console, &stopped};
    HANDLE thread = ::CreateThread(nullptr, 0, &Stopper::Run, &stopper, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    // Longer than any grace a stopper might allow itself: the callback still runs, so Stop still waits.
    ::Sleep(12000);
    EXPECT_FALSE(stopped.load()) << "Stop returned while a callback still ran";
    ::SetEvent(release);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread, 10000));
    ::CloseHandle(thread);
    EXPECT_EQ(2, g_blockState.load());
    workers.ExpectAllReturned();
    ExpectEmpty(m_console);
    ::CloseHandle(release);
}

TEST_F(ConsoleTest, ARestartThatCannotStartAFreshInterpreterReportsTheEndOnce) {
    StartAndWaitForPrompt();
    ConsoleProcess::SetInterpreterNameForTesting("vx-no-such-interpreter-4711.exe");
    ASSERT_EQ(1, m_console.Restart());
    ASSERT_TRUE(WaitFor([&] { return !m_console.Restarting(); }, 5000));
    ConsoleProcess::SetInterpreterNameForTesting(nullptr);
    EXPECT_EQ(0, m_console.IsRunning());
    ASSERT_TRUE(WaitFor([] { return !ExitTimes().empty(); }, 1000)) << "no word of the end";
    ::Sleep(2500);  // more than two of the watcher's polls: no watcher runs to repeat it
    EXPECT_EQ(1u, ExitTimes().size());
}
