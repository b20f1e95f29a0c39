#pragma once
// A real main window with a real interpreter, created per test, and the message loop the program runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/MainDialog.h"
#include "app/Settings.h"
#include "framework/App.h"
#include "res/resource.h"
#include "tests/support/TestSupport.h"

namespace {

// The application object: the main window is recorded in it, as in the program.
inline CWinApp g_app;

// The message loop the way the program runs it (tests/support), until `done` holds or `timeoutMs` (10 s
// when not given) has passed.
using vxtest::Pump;
using vxtest::PumpUntil;
inline bool PumpUntil(const std::function<bool()>& done) { return vxtest::PumpUntil(done, 10000); }

// The clipboard's CF_TEXT, up to its NUL.
inline std::string ClipboardText() {
    std::string text;
    if (!::OpenClipboard(nullptr)) return "(clipboard not opened)";
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(data))) {
            text = p;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        m_dlg = new CMainDialog();
        ASSERT_NE(m_dlg->m_hWnd, nullptr);
        m_hWnd = m_dlg->m_hWnd;
        g_app.SetMainWnd(m_dlg);
        // The interpreter's greeting ends with its prompt: the line after the banner and the greeting.
        ASSERT_TRUE(PumpUntil([&] { return PromptShown(); })) << "no prompt from the interpreter";
    }
    void TearDown() override {
        if (::IsWindow(m_hWnd)) {
            ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            PumpUntil([&] { return !::IsWindow(m_hWnd); });
        }
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    }

    // The current line is a prompt such as "Z:\work>".
    bool PromptShown() {
        const std::string line = Current();
        return !line.empty() && line.back() == '>';
    }
    std::string Current() { return m_dlg->m_Screen.m_strLine.empty() ? std::string() : Line(Newest()); }
    int Newest() { return m_dlg->m_Screen.m_nLineCount < 29 ? m_dlg->m_Screen.m_nLineCount : 29; }
    std::string Line(int record) { return m_dlg->m_Screen.LineText(record); }
    // The interpreter does not echo what it reads, so an answer continues the line of the prompt
    // ("Z:\work>answer"): a line "shows" a text when it ends with it.
    static bool EndsWith(const std::string& line, const std::string& text) {
        return line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0;
    }
    bool StoreHas(const std::string& text) { return CountLines(text) > 0; }
    int CountLines(const std::string& text) {
        int n = 0;
        for (int i = 0; i < 30; ++i) n += EndsWith(Line(i), text) ? 1 : 0;
        return n;
    }

    HWND Edit() { return m_dlg->m_CommandEdit.m_hWnd; }
    std::string EditText() { return m_dlg->m_CommandEdit.GetWindowText(); }
    DWORD EditSelection() { return static_cast<DWORD>(::SendMessageA(Edit(), EM_GETSEL, 0, 0)); }
    // A key press as the keyboard delivers it: queued for the entry box, then through the message loop.
    void Key(WPARAM vk) {
        ::PostMessageA(Edit(), WM_KEYDOWN, vk, 1);
        Pump(30);
    }
    // `vk`, queued as Key queues it, to `hwnd` (the entry box unless given) with Ctrl and Shift held as asked.
    void ModKey(WPARAM vk, bool ctrl, bool shift, HWND hwnd = nullptr) {
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        BYTE saved[256];
        std::memcpy(saved, state, sizeof saved);
        state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
        state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(state);
        ::PostMessageA(hwnd != nullptr ? hwnd : Edit(), WM_KEYDOWN, vk, 1);
        Pump(30);
        ::SetKeyboardState(saved);
    }
    void Type(const std::string& text) {
        m_dlg->m_CommandEdit.SetWindowText(text);
        Key(VK_RETURN);
    }

    CMainDialog* m_dlg = nullptr;
    HWND m_hWnd = nullptr;
};

}  // namespace
