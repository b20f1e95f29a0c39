// The main window as a whole, driven through real messages: start-up with the banner, the command
// entry line and its history, dropped files, the layout, and every way of closing (or not closing) it.
// Each test runs a real cmd.exe under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/app_window/MainWindowFixture.h"

namespace {

constexpr char kRule[] = "******************************************";

}  // namespace

TEST_F(MainWindowTest, FirstStartHasTheDefaultSizeTheBannerAndThenTheGreeting) {
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 400);
    EXPECT_EQ(std::strlen(kRule), 42u);
    EXPECT_EQ(Line(0), kRule);
    EXPECT_EQ(Line(1), "  VEXTRAL  [Version 1.0.2]");
    EXPECT_EQ(Line(2), kRule);
    EXPECT_EQ(Line(3), "");
    EXPECT_NE(Line(4).find("Microsoft Windows"), std::string::npos) << Line(4);
    // Once the window is active, the focus is in the entry box, ready for typing.
    ::SetForegroundWindow(m_hWnd);
    EXPECT_TRUE(PumpUntil([&] { return ::GetFocus() == Edit(); }, 3000));
}

TEST_F(MainWindowTest, EnterSendsTheLineEmptiesTheBoxAndKeepsTheHistory) {
    Type("echo vx-alpha");
    EXPECT_EQ(EditText(), "");
    ASSERT_EQ(m_dlg->m_History.size(), 1u);
    EXPECT_EQ(m_dlg->m_History[0], "echo vx-alpha");
    EXPECT_EQ(m_dlg->m_nHistoryIndex, 1);
    EXPECT_TRUE(PumpUntil([&] { return StoreHas("vx-alpha"); }));

    // A line of blanks is stored and sent as typed; the same line twice gives two entries.
    Type("   ");
    Type("echo vx-alpha");
    ASSERT_EQ(m_dlg->m_History.size(), 3u);
    EXPECT_EQ(m_dlg->m_History[1], "   ");
    EXPECT_EQ(m_dlg->m_History[2], "echo vx-alpha");
    EXPECT_TRUE(PumpUntil([&] { return CountLines("vx-alpha") == 2; }));
}

TEST_F(MainWindowTest, EnterOnAnEmptyBoxStoresNothingButSendsTheLineEnd) {
    // "set /p" reads the next line of input. If the empty Enter sent nothing, it would take the echo
    // command that follows as its value, and "vx-done" would never be printed.
    Type("set /p vxvalue=");
    m_dlg->m_nHistoryIndex = 0;
    Type("");
    EXPECT_EQ(m_dlg->m_History.size(), 1u);
    EXPECT_EQ(m_dlg->m_nHistoryIndex, 1);  // the number of entries, also for an empty line
    Type("echo vx-done");
    EXPECT_TRUE(PumpUntil([&] { return StoreHas("vx-done"); }));
}

TEST_F(MainWindowTest, TwoHundredLinesEnteredAsFastAsTheWindowTakesThemAllRunInOrder) {
    // Each line moves the count on only when every line before it ran, in order.
    Type("set /a vxn=0 >nul");
    constexpr int kLines = 200;
    for (int i = 1; i <= kLines; ++i) {
        m_dlg->m_CommandEdit.SetWindowText("if %vxn%==" + std::to_string(i - 1) + " set /a vxn=" + std::to_string(i) +
                                           " >nul");
        ::PostMessageA(Edit(), WM_KEYDOWN, VK_RETURN, 1);
        ASSERT_TRUE(PumpUntil([&] { return EditText().empty(); }, 5000)) << "line " << i;
    }
    Type("echo vx-order-%vxn%");
    EXPECT_TRUE(PumpUntil([&] { return StoreHas("vx-order-" + std::to_string(kLines)); }, 60000)) << Current();
}

TEST_F(MainWindowTest, UpAndDownWalkTheHistoryWithClamping) {
    Type("rem a");
    Type("rem b");
    Type("rem c");
    const char* const up[] = {"rem c", "rem b", "rem a", "rem a"};
    for (const char* expected : up) {
        Key(VK_UP);
        EXPECT_EQ(EditText(), expected);
        const DWORD len = static_cast<DWORD>(std::strlen(expected));
        EXPECT_EQ(EditSelection(), MAKELONG(len, len));  // caret at the end, nothing selected
    }
    const char* const down[] = {"rem b", "rem c", "rem c"};
    for (const char* expected : down) {
        Key(VK_DOWN);
        EXPECT_EQ(EditText(), expected);
    }
    // Enter, then Down shows the newest entry; typed text is lost to a recall.
    Type("rem d");
    m_dlg->m_CommandEdit.SetWindowText("typed");
    Key(VK_DOWN);
    EXPECT_EQ(EditText(), "rem d");
    // The keys are taken whichever child has the focus.
    ::SetFocus(m_dlg->m_Screen.m_hWnd);
    ::PostMessageA(m_dlg->m_Screen.m_hWnd, WM_KEYDOWN, VK_UP, 1);
    Pump(30);
    EXPECT_EQ(EditText(), "rem c");
}

TEST_F(MainWindowTest, UpAndDownWithAnEmptyHistoryDoNotReachTheBox) {
    m_dlg->m_CommandEdit.SetWindowText("typed");
    m_dlg->m_CommandEdit.SetSel(2, 2);
    Key(VK_UP);
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(EditText(), "typed");
    EXPECT_EQ(EditSelection(), MAKELONG(2, 2));  // the edit box never saw the keys
    // Other keys do reach it.
    Key(VK_RIGHT);
    EXPECT_EQ(EditSelection(), MAKELONG(3, 3));
}

TEST_F(MainWindowTest, EscapeEnterAndWmCloseDoNotCloseButSystemCloseDoes) {
    m_dlg->m_CommandEdit.SetWindowText("kept");
    Key(VK_ESCAPE);
    EXPECT_TRUE(::IsWindow(m_hWnd));
    EXPECT_EQ(EditText(), "kept");
    ::SendMessageA(m_hWnd, WM_CLOSE, 0, 0);
    ::SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ::SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    Pump(100);
    EXPECT_TRUE(::IsWindow(m_hWnd));

    ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }, 8000));
    EXPECT_EQ(g_app.GetMainWndHandle(), nullptr);
    // A close request that arrives after the window is gone has no effect (and no crash).
    ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    OnConsoleExit();
    Pump(50);
}

TEST_F(MainWindowTest, ExitClosesTheProgramWithinAboutASecond) {
    const auto start = std::chrono::steady_clock::now();
    Type("exit");
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }, 10000));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                          start).count();
    std::printf("closed %lld ms after exit was sent\n", static_cast<long long>(ms));
    // The watcher polls once a second; closing also stops the interpreter's threads (about a second).
    EXPECT_LT(ms, 4000);
}

TEST_F(MainWindowTest, LayoutKeepsTheEntryBoxOnTheBottomEdgeAndTheScreenAboveIt) {
    const RECT edit0 = m_dlg->m_CommandEdit.GetRectInParent();
    const RECT label0 = m_dlg->m_CommandLabel.GetRectInParent();
    const int h = edit0.bottom - edit0.top;
    const SIZE sizes[] = {{800, 600}, {300, 200}, {640, 121}, {1000, 350}};
    for (const SIZE& s : sizes) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
        Pump(20);
        RECT client;
        ::GetClientRect(m_hWnd, &client);
        const RECT edit = m_dlg->m_CommandEdit.GetRectInParent();
        const RECT screen = m_dlg->m_Screen.GetRectInParent();
        const RECT label = m_dlg->m_CommandLabel.GetRectInParent();
        EXPECT_EQ(edit.left, edit0.left);
        EXPECT_EQ(edit.bottom, client.bottom);
        EXPECT_EQ(edit.bottom - edit.top, h);
        EXPECT_EQ(edit.right - edit.left, client.right);  // the full client width, past the right edge
        EXPECT_EQ(screen.left, 0);
        EXPECT_EQ(screen.top, 0);
        EXPECT_EQ(screen.right, client.right);
        EXPECT_EQ(screen.bottom, client.bottom - h);
        EXPECT_EQ(label.left, label0.left);
        EXPECT_EQ(label.bottom, client.bottom - 5);
        EXPECT_EQ(label.right - label.left, label0.right - label0.left);
        EXPECT_EQ(label.bottom - label.top, label0.bottom - label0.top);
    }
}

namespace {

// A drop of the given paths, as the shell builds it: DROPFILES followed by NUL-separated ANSI paths.
HDROP MakeDrop(const std::initializer_list<const char*>& paths) {
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const char* p : paths) bytes += std::strlen(p) + 1;
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* df = static_cast<DROPFILES*>(::GlobalLock(mem));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = FALSE;
    char* out = reinterpret_cast<char*>(df) + sizeof(DROPFILES);
    for (const char* p : paths) {
        std::strcpy(out, p);
        out += std::strlen(p) + 1;
    }
    ::GlobalUnlock(mem);
    return static_cast<HDROP>(mem);
}

}  // namespace

TEST_F(MainWindowTest, DroppedPathsGoToTheEndOfTheLineWithNothingBetween) {
    m_dlg->m_CommandEdit.SetWindowText("copy");
    m_dlg->m_CommandEdit.SetSel(0, 0);
    ::SendMessageA(Edit(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"C:\\one.txt", "C:\\my dir\\two.txt"})),
                   0);
    const std::string expected = "copyC:\\one.txtC:\\my dir\\two.txt";
    EXPECT_EQ(EditText(), expected);
    EXPECT_EQ(EditSelection(), MAKELONG(expected.size(), expected.size()));
    EXPECT_TRUE(m_dlg->m_History.empty());  // nothing was sent

    m_dlg->m_CommandEdit.SetWindowText("");
    ::SendMessageA(Edit(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({"Z:\\tmp\\a.bat"})), 0);
    EXPECT_EQ(EditText(), "Z:\\tmp\\a.bat");
    EXPECT_TRUE(m_dlg->m_History.empty());

    // A path longer than MAX_PATH, with double-byte names, comes whole.
    std::string longPath = "C:";
    while (longPath.size() < 600) longPath += "\\\x8A\xBF\x8E\x9A dir";
    longPath += "\\end.txt";
    m_dlg->m_CommandEdit.SetWindowText("");
    ::SendMessageA(Edit(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({longPath.c_str(), "C:\\x"})), 0);
    EXPECT_EQ(EditText(), longPath + "C:\\x");
}

namespace {

// Closes the fixture's window as a person would and opens a new one, which loads what was saved.
CMainDialog* Reopen(CMainDialog* dlg) {
    HWND old = dlg->m_hWnd;
    ::PostMessageA(old, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(old); }));
    auto* again = new CMainDialog();
    g_app.SetMainWnd(again);
    return again;
}

}  // namespace

TEST_F(MainWindowTest, ViewColoursFontAndPlacementComeBackAtTheNextStart) {
    CScreenWnd& s = m_dlg->m_Screen;
    s.m_fOffsetX = -12.3f;
    s.m_fOffsetY = 3.5f;
    s.m_fOffsetZ = -2.0f;
    s.m_fTilt = -61.0f;
    s.m_crText = RGB(255, 255, 0);
    s.m_crBack1 = RGB(0, 0, 94);
    s.m_crBack2 = RGB(127, 255, 212);
    s.m_bGradient = 0;
    LOGFONTA lf = s.GetScreenFont();
    lf.lfHeight = 22;
    lf.lfItalic = TRUE;
    s.SetScreenFont(lf);
    ::SetWindowPos(m_hWnd, nullptr, 50, 60, 640, 450, SWP_NOZORDER);
    Pump(50);

    m_dlg = Reopen(m_dlg);
    m_hWnd = m_dlg->m_hWnd;
    ASSERT_NE(m_hWnd, nullptr);
    CScreenWnd& t = m_dlg->m_Screen;
    EXPECT_EQ(t.m_fOffsetX, -12.3f);
    EXPECT_EQ(t.m_fOffsetY, 3.5f);
    EXPECT_EQ(t.m_fOffsetZ, -2.0f);
    EXPECT_EQ(t.m_fTilt, -61.0f);
    EXPECT_EQ(t.m_crText, RGB(255, 255, 0));
    EXPECT_EQ(t.m_crBack1, RGB(0, 0, 94));
    EXPECT_EQ(t.m_crBack2, RGB(127, 255, 212));
    EXPECT_EQ(t.m_bGradient, 0);
    const LOGFONTA back = t.GetScreenFont();
    EXPECT_EQ(back.lfHeight, 22);
    EXPECT_TRUE(back.lfItalic);
    EXPECT_STREQ(back.lfFaceName, lf.lfFaceName);
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 450);
    ASSERT_TRUE(PumpUntil([&] { return PromptShown(); }));

    // A window closed while minimised opens minimised.
    ::ShowWindow(m_hWnd, SW_MINIMIZE);
    Pump(50);
    m_dlg = Reopen(m_dlg);
    m_hWnd = m_dlg->m_hWnd;
    EXPECT_TRUE(::IsIconic(m_hWnd));
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    ::GetWindowPlacement(m_hWnd, &wp);
    EXPECT_EQ(wp.rcNormalPosition.left, 50);  // and restores to where it was
    EXPECT_EQ(wp.rcNormalPosition.right - wp.rcNormalPosition.left, 640);
    ASSERT_TRUE(PumpUntil([&] { return PromptShown(); }));
}

// A change of scale (the window moved to a monitor of another DPI): the window takes the rectangle the
// system suggests and lays its parts out again, also while a modal dialog runs over it.
struct DpiChangeUnderDialog {
    static inline HWND main = nullptr;
    static inline RECT suggested{};
    static inline int step = 0;
    static BOOL CALLBACK FindDialog(HWND hWnd, LPARAM found) {
        char cls[16] = {};
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (hWnd == main || !::IsWindowVisible(hWnd) || std::strcmp(cls, "#32770") != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = hWnd;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (dialog == nullptr) return;
        if (step == 0) {
            ::SendMessageA(main, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested));
        } else if (step == 1) {
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        ++step;
    }
};

TEST_F(MainWindowTest, ADpiChangeTakesTheSuggestedRectangleAndLaysThePartsOutAgainAlsoUnderADialog) {
    auto laidOut = [&](const RECT& expected) {
        RECT r{};
        ::GetWindowRect(m_hWnd, &r);
        EXPECT_EQ(r.left, expected.left);
        EXPECT_EQ(r.top, expected.top);
        EXPECT_EQ(r.right - r.left, expected.right - expected.left);
        EXPECT_EQ(r.bottom - r.top, expected.bottom - expected.top);
        const RECT client = m_dlg->GetClientRect();
        const RECT edit = m_dlg->m_CommandEdit.GetRectInParent();
        EXPECT_EQ(edit.bottom, client.bottom) << "the entry box on the bottom edge";
        EXPECT_EQ(m_dlg->m_Screen.GetRectInParent().bottom, edit.top) << "the screen fills what is above it";
    };
    RECT suggested{40, 30, 40 + 900, 30 + 600};
    ::SendMessageA(m_hWnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    Pump(50);
    laidOut(suggested);

    DpiChangeUnderDialog::main = m_hWnd;
    DpiChangeUnderDialog::suggested = {60, 50, 60 + 750, 50 + 500};
    DpiChangeUnderDialog::step = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &DpiChangeUnderDialog::Tick);
    ::PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDM_ADJUST, 0), 0);
    EXPECT_TRUE(PumpUntil([&] { return DpiChangeUnderDialog::step >= 2 && ::IsWindowEnabled(m_hWnd); }));
    ::KillTimer(nullptr, timer);
    ASSERT_TRUE(::IsWindow(m_hWnd));
    laidOut(DpiChangeUnderDialog::suggested);
    EXPECT_TRUE(PromptShown());

    // With the find bar open, down in scale and up again: every visible part within the client area
    // (the entry box past the right edge aside) and no two of them overlapping.
    m_dlg->m_FindBar.Open();
    Pump(30);
    const struct {
        UINT dpi;
        RECT rect;
    } changes[] = {{144, {40, 30, 940, 630}}, {96, {80, 60, 680, 460}}, {192, {20, 10, 1220, 810}}};
    for (const auto& change : changes) {
        SCOPED_TRACE(change.dpi);
        RECT suggested = change.rect;
        ::SendMessageA(m_hWnd, WM_DPICHANGED, MAKEWPARAM(change.dpi, change.dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        Pump(50);
        RECT window{};
        ::GetWindowRect(m_hWnd, &window);
        EXPECT_TRUE(::EqualRect(&window, &change.rect)) << "the suggested rectangle";
        const RECT client = m_dlg->GetClientRect();
        EXPECT_EQ(m_dlg->m_CommandEdit.GetRectInParent().bottom, client.bottom);
        std::vector<std::pair<HWND, RECT>> parts;
        for (HWND c = ::GetWindow(m_hWnd, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
            if (!::IsWindowVisible(c)) continue;
            RECT r{};
            ::GetWindowRect(c, &r);
            ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
            if (c == Edit()) r.right = client.right;
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                << "part " << parts.size() << " at " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
            for (const auto& [other, o] : parts) {
                RECT both{};
                EXPECT_FALSE(::IntersectRect(&both, &r, &o)) << "two parts overlap";
            }
            parts.emplace_back(c, r);
        }
        EXPECT_GE(parts.size(), 6u) << "the screen, the label, the box and the bar's three parts";
        RECT text{};
        ::GetWindowRect(m_dlg->m_FindBar.TextWindow(), &text);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&text), 2);
        EXPECT_EQ(text.bottom, m_dlg->m_CommandEdit.GetRectInParent().top) << "the bar's row above the box";
        EXPECT_EQ(text.top, m_dlg->m_Screen.GetRectInParent().bottom) << "the screen above the bar";
    }
}

