// CMainDialog's stop keys: Ctrl+Break anywhere in the window, Ctrl+C in the entry box without a
// selection; what they stop, and the look a moment later that restarts a busy interpreter.
#include "app/MainDialog.h"

#include <string>

#include "res/Texts.h"

bool CMainDialog::IsStopKey(const MSG& msg) const {
    if (msg.message != WM_KEYDOWN) return false;
    if (msg.wParam == VK_CANCEL) return true;  // Ctrl+Break
    if (msg.wParam != 'C' || msg.hwnd != m_CommandEdit.m_hWnd) return false;
    if (::GetKeyState(VK_CONTROL) >= 0 || ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_MENU) < 0) return false;
    DWORD start = 0, end = 0;
    ::SendMessageA(m_CommandEdit.m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start == end;  // with a selection, Ctrl+C copies it as usual
}

void CMainDialog::OnStopProgram() {
    // Shown where the program was stopped, as a console shows it.
    m_Screen.AppendOutput((std::string(kTextStopEcho) + "\r\n").c_str());
    ConsoleProcess& console = m_Screen.m_console;
    m_nStopEnded = console.EndPrograms();
    // Nothing else ran: a line end tells a waiting interpreter from a busy one. Waiting at its prompt,
    // it reads the line at once and shows the prompt again; running a batch file or a long internal
    // command, it leaves the line unread.
    if (m_nStopEnded == 0 && console.PendingInput() == 0) console.Write("\r\n");
    ::SetTimer(m_hWnd, kStopCheckTimer, kStopCheckMs, nullptr);
}

void CMainDialog::OnStopCheck() {
    ConsoleProcess& console = m_Screen.m_console;
    // Busy: a batch file started its next program, or the interpreter has not read its input. (After
    // a program was ended the interpreter may not have read a line end: none was sent.)
    const bool busy = console.CountPrograms() > 0 || (m_nStopEnded == 0 && console.PendingInput() > 0);
    if (!busy || !console.Restart()) return;  // a failed restart closes the window through the exit callback
    const bool midLine = !m_Screen.CurrentLineEmpty();
    const std::string notice = std::string(midLine ? "\r\n" : "") + kTextRestarted + "\r\n";
    m_Screen.AppendOutput(notice.c_str());
}

