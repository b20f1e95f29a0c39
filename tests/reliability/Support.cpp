#include "tests/reliability/Support.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdio>

#include "app/Settings.h"
#include "res/resource.h"

CWinApp g_app;  // the main window is recorded in it, as in the program

std::string ChildCommand(const std::string& arguments) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    dir.erase(dir.find_last_of("\\/") + 1);
    return "\"" + dir + "reliability_child.exe\" " + arguments;
}

std::string UniqueEventName(const char* what) {
    static int counter = 0;
    char name[96];
    std::snprintf(name, sizeof name, "vx-rel-%s-%lu-%d", what, ::GetCurrentProcessId(), ++counter);
    return name;
}

void StoreRecord(const unsigned char record[kSettingsSize]) {
    ClearStoredSettings();
    ASSERT_TRUE(SaveSettings(record));  // the program's own writer: "ver" and then "datas"
}

void ClearStoredSettings() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

bool ReadStoredSettings(std::string& ver, std::vector<unsigned char>& datas) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char text[512] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    bool ok = ::RegQueryValueExA(key, "ver", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
                  ERROR_SUCCESS &&
              type == REG_SZ;
    ver.assign(text, size);
    unsigned char bytes[1024] = {};
    size = sizeof bytes;
    ok = ok && ::RegQueryValueExA(key, "datas", nullptr, &type, bytes, &size) == ERROR_SUCCESS &&
         type == REG_BINARY;
    datas.assign(bytes, bytes + (ok ? size : 0));
    ::RegCloseKey(key);
    return ok;
}

MainWindow::MainWindow() {
    m_dlg = new CMainDialog();
    m_hWnd = m_dlg->m_hWnd;
    if (m_hWnd == nullptr) {
        delete m_dlg;
        m_dlg = nullptr;
        return;
    }
    g_app.SetMainWnd(m_dlg);
}

MainWindow::~MainWindow() {
    if (Alive()) Close();
}

bool MainWindow::PromptShown() {
    if (!Alive()) return false;
    CScreenWnd& screen = m_dlg->m_Screen;
    screen.Lock();  // a reader may be appending to the line
    const bool shown = !screen.m_strLine.empty() && screen.m_strLine.back() == '>';
    screen.Unlock();
    return shown;
}

void MainWindow::Type(const std::string& text) {
    m_dlg->m_CommandEdit.SetWindowText(text);
    ::PostMessageA(m_dlg->m_CommandEdit.m_hWnd, WM_KEYDOWN, VK_RETURN, 1);
    Pump(30);
}

std::vector<std::string> MainWindow::Lines() {
    std::vector<std::string> lines;
    for (int i = 0; i < CScreenWnd::kLineRecords; ++i) lines.push_back(m_dlg->m_Screen.LineText(i));
    return lines;
}

bool MainWindow::StoreHas(const std::string& text) {
    for (const std::string& line : Lines()) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

long long MainWindow::Close(int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    // The window goes at once; the object (and with it the interpreter) goes at the final destroy, all
    // inside the dispatch of the close request.
    if (!PumpUntil([&] { return !Alive(); }, timeoutMs)) return -1;
    m_dlg = nullptr;
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

namespace {

struct ModalRun {
    HWND owner;
    std::vector<DialogStep> steps;
    size_t next = 0;
    HWND dialog = nullptr;
};
ModalRun* g_modal = nullptr;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM) {
    if (hWnd != g_modal->owner && ::IsWindowVisible(hWnd)) {
        g_modal->dialog = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ModalTick(HWND, UINT, UINT_PTR, DWORD) {
    ModalRun& run = *g_modal;
    if (run.dialog == nullptr || !::IsWindow(run.dialog)) {
        run.dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialog, 0);
        if (run.dialog == nullptr) return;
    }
    if (run.next < run.steps.size()) {
        run.steps[run.next++](run.dialog);
    } else {
        ::PostMessageA(run.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

}  // namespace

size_t RunModal(HWND owner, const std::function<void()>& open, std::vector<DialogStep> steps) {
    ModalRun run{owner, std::move(steps)};
    g_modal = &run;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &ModalTick);
    open();
    ::KillTimer(nullptr, timer);
    g_modal = nullptr;
    return run.next;
}

int CountDisplayLists(CScreenWnd& screen, unsigned limit) {
    int count = -1;
    screen.Lock();
    HDC dc = ::GetDC(screen.GetGLWindow());
    if (dc != nullptr && ::wglMakeCurrent(dc, screen.GetRC())) {
        // List names are handed out upwards; a fresh name shows how far they reach now.
        const GLuint probe = glGenLists(1);
        const unsigned top = probe != 0 ? probe : limit;
        count = 0;
        for (GLuint name = 1; name < top; ++name) {
            count += glIsList(name) ? 1 : 0;
            // Names are never handed out twice, so after minutes of output they reach tens of millions
            // and the count takes a second or more; messages sent to this thread meanwhile are answered,
            // so that it does not count as the window not answering. Nothing else can touch the lists:
            // this thread holds the store's lock and the context.
            if (name % 65536 == 0) {
                MSG msg;
                ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
        if (probe != 0) glDeleteLists(probe, 1);
        ::wglMakeCurrent(nullptr, nullptr);
    }
    if (dc != nullptr) ::ReleaseDC(screen.GetGLWindow(), dc);
    screen.Unlock();
    return count;
}
