// The program as scripts/chaos.sh drives it: the real main window (CMainDialog, with its screen and
// interpreter) under the framework's own WinMain and message loop, as vextral.exe runs it, and an
// observer that records, in the file named by VX_CHAOS_LOG, what only the inside can see:
//   T <n> <line>   line n was sent with Enter (before the window handled it)
//   R <n>          ... and the console refused it: its one-line message was shown instead
//   S <token>      a standard-output line holding <token> ("tok-<a>-<b>.") was handed to the screen
//   P              a chunk of standard output left the prompt (a line ending in '>') on the screen
//   K              a restart of the interpreter began (the stop check found it busy)
//   D <k> last=..  the screen's text was written out to <log>.screen<k>: see DumpScreen. Once before
//                  each line that runs the flood child (a flood can push older lines out of the
//                  scrollback), and once more, the last, at WM_DESTROY
// Lines are written whole and flushed at once, so the script can watch the file while the program runs.
// The host also holds the event "vx-chaos-go" set, so that the flood child's bounded floods
// ("flood <n> vx-chaos-go") end without waiting.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "framework/App.h"
#include "res/Texts.h"
#include "res/resource.h"
#include "screen/ScreenWnd.h"

namespace {

std::mutex g_logLock;
FILE* g_log = nullptr;
std::string g_strLogPath;
DWORD g_uiThread = 0;
// Calls of the message callback on the user-interface thread: a refusal by Write (the readers call it
// on their own threads for standard error).
std::atomic<int> g_nUiMessages{0};
// The window is gone (WM_DESTROY seen): its object may be deleted before WindowProc returns.
bool g_bDestroyed = false;
std::string g_strOutLine;  // the standard-output line being assembled (output reader only)

void Log(const std::string& line) {
    std::lock_guard<std::mutex> hold(g_logLock);
    if (g_log == nullptr) return;
    std::fputs(line.c_str(), g_log);
    std::fputc('\n', g_log);
    std::fflush(g_log);
}

// Every token in `line`: "tok-" and what follows up to and with the first '.', or to the end of the
// line when no '.' comes (a cut token is logged as it is, and the checker sees it is not well formed).
void LogTokens(const std::string& line) {
    for (size_t at = line.find("tok-"); at != std::string::npos; at = line.find("tok-", at + 4)) {
        const size_t dot = line.find('.', at);
        Log("S " + line.substr(at, dot == std::string::npos ? std::string::npos : dot + 1 - at));
    }
}

void ObserveOutput(const char* text) {
    OnConsoleOutput(text);  // the screen first: what is logged has reached it
    g_strOutLine += text;
    size_t start = 0;
    for (size_t end = g_strOutLine.find('\n'); end != std::string::npos; end = g_strOutLine.find('\n', start)) {
        LogTokens(g_strOutLine.substr(start, end - start));
        start = end + 1;
    }
    g_strOutLine.erase(0, start);
    if (!g_strOutLine.empty() && g_strOutLine.back() == '>') Log("P");
    if (g_strOutLine.size() > 8192) g_strOutLine.erase(0, g_strOutLine.size() - 8192);
}

void ObserveMessage(const char* text) {
    if (::GetCurrentThreadId() == g_uiThread) ++g_nUiMessages;
    OnConsoleMessage(text);
}

class CChaosDialog : public CMainDialog {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_DESTROY && !g_bDestroyed) {
            g_bDestroyed = true;
            DumpScreen(true);
        }
        if (g_bDestroyed) return CMainDialog::WindowProc(msg, wp, lp);
        const LRESULT result = CMainDialog::WindowProc(msg, wp, lp);
        if (g_bDestroyed) return result;  // closed inside: the object may be gone
        NoteRestart();
        return result;
    }
    // Every line the entry box sends, entered or pasted.
    void SubmitLine(const std::string& text) override {
        if (g_bDestroyed) return CMainDialog::SubmitLine(text);
        if (text.find(" flood ") != std::string::npos) DumpScreen(false);
        const int line = ++m_nLines;
        Log("T " + std::to_string(line) + " " + text);
        const int messagesBefore = g_nUiMessages;
        CMainDialog::SubmitLine(text);
        if (g_nUiMessages != messagesBefore) Log("R " + std::to_string(line));
    }

private:
    // A restart begins only inside a message of this window (the stop check's timer), so looking after
    // each one finds it at the moment it began. The interpreter's process id changes with a restart:
    // that catches one whose thread was done before the message returned. (The id is read while the
    // restart's thread may write it: a single aligned word, only compared.)
    void NoteRestart() {
        const ConsoleProcess& console = m_Screen.m_console;
        const bool restarting = console.Restarting();
        const DWORD pid = console.m_dwProcessId;
        if (!m_bRestartLogged && (restarting || (pid != m_dwLastPid && pid != 0 && m_dwLastPid != 0))) {
            Log("K");
            m_bRestartLogged = true;
        }
        if (!restarting) {
            m_bRestartLogged = false;
            if (pid != 0) m_dwLastPid = pid;
        }
    }

    // The whole text of the screen, as it would show it: every row the scrollback holds, oldest first,
    // read through the view (moved from the oldest end forward a view at a time, with the store locked so
    // that nothing arrives meanwhile), into <log>.screen<k>; and at the end (`last`) the records the
    // screen draws into <log>.live, which the script compares with the last rows.
    void DumpScreen(bool last) {
        CScreenWnd& screen = m_Screen;
        std::vector<std::string> rows;
        screen.Lock();
        screen.ScrollViewToOldest();
        auto viewRows = [&screen] {
            std::vector<std::string> out;
            const std::string text = screen.ViewText();
            size_t start = 0;
            for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
                out.push_back(text.substr(start, end - start));
                start = end + 2;
            }
            out.push_back(text.substr(start));
            return out;
        };
        rows = viewRows();
        for (int below = screen.LinesBelow(); below > 0; below = screen.LinesBelow()) {
            screen.ScrollView(-ScrollHistory::kViewLines);
            const int moved = below - screen.LinesBelow();
            const std::vector<std::string> view = viewRows();
            if (moved <= 0 || moved > static_cast<int>(view.size())) break;  // logged below as incomplete
            rows.insert(rows.end(), view.end() - moved, view.end());
        }
        const bool complete = screen.LinesBelow() == 0;
        screen.ScrollViewToNewest();
        const int newest = screen.m_nLineCount < CScreenWnd::kLineRecords - 1 ? screen.m_nLineCount
                                                                               : CScreenWnd::kLineRecords - 1;
        std::vector<std::string> live;
        for (int i = 0; last && i <= newest; ++i) live.push_back(screen.LineText(i));

        int restarts = 0, stops = 0, refusals = 0;
        for (const std::string& row : rows) {
            restarts += row == kTextRestarted ? 1 : 0;
            // The stop's echo continues the line it interrupted (a prompt, as a rule).
            const size_t echo = sizeof kTextStopEcho - 1;
            stops += row.size() >= echo && row.compare(row.size() - echo, echo, kTextStopEcho) == 0 ? 1 : 0;
            refusals += row == kTextInputFull ? 1 : 0;
        }
        const int dump = ++m_nDumps;
        // The scrollback begins with the banner's first line unless its bounds dropped rows.
        const bool whole = !rows.empty() && rows.front() == std::string(42, '*');
        // Logged with the store still locked: a reader that appends after this moment logs its tokens
        // after this line (it logs them once its append has returned, and appends wait for the lock).
        Log("D " + std::to_string(dump) + " last=" + std::to_string(last ? 1 : 0) + " rows=" + std::to_string(rows.size()) +
            " live=" + std::to_string(live.size()) +
            " complete=" + std::to_string(complete ? 1 : 0) + " from_banner=" + std::to_string(whole ? 1 : 0) +
            " restarts=" + std::to_string(restarts) + " stops=" + std::to_string(stops) +
            " refusals=" + std::to_string(refusals));
        screen.Unlock();
        WriteRows(g_strLogPath + ".screen" + std::to_string(dump), rows);
        if (last) WriteRows(g_strLogPath + ".live", live);
    }

    static void WriteRows(const std::string& path, const std::vector<std::string>& rows) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) return;
        for (const std::string& row : rows) {
            std::fwrite(row.data(), 1, row.size(), f);
            std::fputc('\n', f);
        }
        std::fclose(f);
    }

    int m_nLines = 0;
    int m_nDumps = 0;
    bool m_bRestartLogged = false;
    DWORD m_dwLastPid = 0;
};

class CChaosApp : public CWinApp {
public:
    BOOL InitInstance() override {
        char path[MAX_PATH] = {};
        if (::GetEnvironmentVariableA("VX_CHAOS_LOG", path, MAX_PATH) == 0) return FALSE;
        g_strLogPath = path;
        g_log = std::fopen(path, "wb");
        if (g_log == nullptr) return FALSE;
        g_uiThread = ::GetCurrentThreadId();
        if (::CreateEventA(nullptr, TRUE, TRUE, "vx-chaos-go") == nullptr) return FALSE;  // held until exit
        auto* dialog = new CChaosDialog();
        if (dialog->m_hWnd == nullptr) {
            delete dialog;
            return FALSE;
        }
        SetMainWnd(dialog);
        // The console filled its slots when the window started it; the observers go in front of the
        // screen's own notifications (the workers read the slots afresh for every chunk).
        OutputCallback output = OnConsoleOutput;
        MessageCallback message = OnConsoleMessage;
        g_pfnOutput.compare_exchange_strong(output, ObserveOutput);
        g_pfnMessage.compare_exchange_strong(message, ObserveMessage);
        Log("ready");
        return TRUE;
    }
};

CChaosApp theApp;

}  // namespace
