// The five menu commands through both menus, on the real main window: which items the menus hold, how
// system commands are dispatched, and what each command does to the screen and the window.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "console/ConsoleProcess.h"
#include "glyph/GlyphCache.h"
#include "res/Texts.h"
#include "tests/app_window/MainWindowFixture.h"

namespace {

using Items = std::vector<std::pair<UINT, std::string>>;  // (id, text); separators are (0, "")

Items ReadItems(HMENU menu, int from = 0) {
    Items items;
    const int n = ::GetMenuItemCount(menu);
    for (int i = from; i < n; ++i) {
        char text[128] = {};
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_STATE;
        mii.dwTypeData = text;
        mii.cch = sizeof text;
        ::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &mii);
        if (mii.fType & MFT_SEPARATOR) {
            items.emplace_back(0, "");
        } else {
            EXPECT_EQ(mii.fState & (MFS_DISABLED | MFS_CHECKED), 0u) << text;  // plain, enabled items
            items.emplace_back(mii.wID, text);
        }
    }
    return items;
}

// Acts on the next dialog that opens, from inside whatever modal loop runs it: each tick of a thread
// timer looks for a visible dialog window of this thread that was not there before.
struct DialogWatch {
    std::function<void(HWND)> action;
    HWND seen = nullptr;
    int opened = 0;
};
DialogWatch* g_watch = nullptr;
HWND g_mainWnd = nullptr;  // a dialog too, but never the one looked for

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lp) {
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && ::IsWindowVisible(hWnd) && hWnd != g_mainWnd) {
        *reinterpret_cast<HWND*>(lp) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK WatchTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_watch == nullptr) return;
    HWND dlg = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dlg));
    if (dlg == nullptr || dlg == g_watch->seen) return;
    g_watch->seen = dlg;
    ++g_watch->opened;
    g_watch->action(dlg);
}

std::string Caption(HWND hWnd) {
    char text[128] = {};
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

class MenuCommandsTest : public MainWindowTest {
protected:
    // Runs `command` (which opens a modal dialog) while `action` handles the dialog; returns how many
    // dialogs opened.
    int WithDialog(const std::function<void()>& command, std::function<void(HWND)> action) {
        DialogWatch watch{std::move(action)};
        g_watch = &watch;
        g_mainWnd = m_hWnd;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &WatchTick);
        command();
        Pump(150);
        ::KillTimer(nullptr, timer);
        g_watch = nullptr;
        return watch.opened;
    }
    void SysCommand(UINT id) { ::SendMessageA(m_hWnd, WM_SYSCOMMAND, id, 0); }
    void MenuCommand(UINT id) { ::SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    static void Close(HWND dlg, int button) {
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, button)));
    }
};

const Items kCommands = {
    {IDM_ADJUST, kTextMenuAdjust}, {IDM_FONT, kTextMenuFont}, {IDM_COLOUR, kTextMenuColour}, {0, ""},
    {IDM_RESET, kTextMenuReset},   {0, ""},                   {IDM_ABOUT, kTextMenuAbout},
};

HMENU g_trackedMenu = nullptr;
Items g_trackedItems;

void CALLBACK ReadOpenPopup(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menuWnd = ::FindWindowA("#32768", nullptr);
    if (menuWnd == nullptr || !::IsWindowVisible(menuWnd)) return;
    ::KillTimer(nullptr, id);
    g_trackedMenu = reinterpret_cast<HMENU>(::SendMessageA(menuWnd, MN_GETHMENU, 0, 0));
    g_trackedItems = ReadItems(g_trackedMenu);
    ::EndMenu();
}

}  // namespace

TEST_F(MenuCommandsTest, BothMenusHoldTheSameFiveCommandsInTheSameOrder) {
    // The system menu: the platform's items, then a separator and the five commands.
    HMENU sys = ::GetSystemMenu(m_hWnd, FALSE);
    const int n = ::GetMenuItemCount(sys);
    ASSERT_GE(n, 8);
    Items sysItems = ReadItems(sys, n - 8);
    ASSERT_EQ(sysItems.front(), Items::value_type(0, ""));
    sysItems.erase(sysItems.begin());
    EXPECT_EQ(sysItems, kCommands);

    // The right-click menu, read back while it is open over the screen.
    g_trackedItems.clear();
    ::SetTimer(nullptr, 0, 50, &ReadOpenPopup);
    RECT r;
    ::GetClientRect(m_dlg->m_Screen.m_hWnd, &r);
    ::PostMessageA(m_dlg->m_Screen.m_hWnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(r.right / 2, r.bottom / 2));
    PumpUntil([] { return !g_trackedItems.empty(); }, 5000);
    EXPECT_EQ(g_trackedItems, kCommands);
}

TEST_F(MenuCommandsTest, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
    for (UINT id : {16u, 17u, 23u, 31u}) {
        std::string caption;
        const int opened = WithDialog([&] { SysCommand(id); }, [&](HWND dlg) {
            caption = Caption(dlg);
            Close(dlg, IDOK);
        });
        EXPECT_EQ(opened, 1) << id;
        EXPECT_EQ(caption, "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1") << id;  // "ﾊﾞｰｼﾞｮﾝ情報"
    }
    // Next to 104..107 but not equal: nothing opens, the window stays.
    for (UINT id : {96u, 103u, 108u, 111u}) {
        EXPECT_EQ(WithDialog([&] { SysCommand(id); }, [&](HWND dlg) { Close(dlg, IDCANCEL); }), 0) << id;
    }
    EXPECT_TRUE(::IsWindow(m_hWnd));
}

TEST_F(MenuCommandsTest, EachPairOfItemsRunsTheSameCommand) {
    for (bool fromSystemMenu : {true, false}) {
        auto run = [&](UINT id) { fromSystemMenu ? SysCommand(id) : MenuCommand(id); };
        std::string adjust;
        EXPECT_EQ(WithDialog([&] { run(IDM_ADJUST); }, [&](HWND dlg) {
                      adjust = Caption(dlg);
                      Close(dlg, IDCANCEL);
                  }), 1);
        EXPECT_EQ(adjust, "\x89\xE6\x96\xCA\x92\xB2\x90\xAE");  // "画面調整"
        std::string colour;
        EXPECT_EQ(WithDialog([&] { run(IDM_COLOUR); }, [&](HWND dlg) {
                      colour = Caption(dlg);
                      Close(dlg, IDCANCEL);
                  }), 1);
        EXPECT_EQ(colour, "\x90\x46\x90\xDD\x92\xE8");  // "色設定"
        std::string about;
        EXPECT_EQ(WithDialog([&] { run(IDM_ABOUT); }, [&](HWND dlg) {
                      about = Caption(dlg);
                      Close(dlg, IDOK);
                  }), 1);
        EXPECT_FALSE(about.empty());
        // The font chooser is the system's own dialog.
        EXPECT_EQ(WithDialog([&] { run(IDM_FONT); }, [&](HWND dlg) { Close(dlg, IDCANCEL); }), 1);
    }
}

TEST_F(MenuCommandsTest, ColourOkCopiesAllFourValuesEvenUnchangedCancelChangesNothing) {
    CScreenWnd& screen = m_dlg->m_Screen;
    screen.m_crBack1 = RGB(1, 2, 3);
    screen.m_crBack2 = RGB(4, 5, 6);
    screen.m_crText = RGB(7, 8, 9);
    screen.m_bGradient = 1;
    Pump(100);
    // Cancel after unchecking the box: nothing changes.
    WithDialog([&] { MenuCommand(IDM_COLOUR); }, [&](HWND dlg) {
        ::SendMessageA(::GetDlgItem(dlg, IDC_COLOUR_GRADIENT), BM_SETCHECK, BST_UNCHECKED, 0);
        Close(dlg, IDCANCEL);
    });
    EXPECT_EQ(screen.m_bGradient, 1);
    EXPECT_EQ(screen.m_crBack1, RGB(1, 2, 3));

    // OK without a change: the same four values come back.
    screen.m_bGradient = 0;
    LRESULT check = -1;
    WithDialog([&] { MenuCommand(IDM_COLOUR); }, [&](HWND dlg) {
        // The dialog opened on the screen's values: the box is cleared because the flag is 0.
        check = ::SendMessageA(::GetDlgItem(dlg, IDC_COLOUR_GRADIENT), BM_GETCHECK, 0, 0);
        Close(dlg, IDOK);
    });
    EXPECT_EQ(check, BST_UNCHECKED);
    EXPECT_EQ(screen.m_crBack1, RGB(1, 2, 3));
    EXPECT_EQ(screen.m_crBack2, RGB(4, 5, 6));
    EXPECT_EQ(screen.m_crText, RGB(7, 8, 9));
    EXPECT_EQ(screen.m_bGradient, 0);

    // OK after checking the box: the flag is copied.
    WithDialog([&] { MenuCommand(IDM_COLOUR); }, [&](HWND dlg) {
        ::SendMessageA(::GetDlgItem(dlg, IDC_COLOUR_GRADIENT), BM_CLICK, 0, 0);
        Close(dlg, IDOK);
    });
    EXPECT_EQ(screen.m_bGradient, 1);
}

TEST_F(MenuCommandsTest, ANewFontLeavesOldLinesAloneAndReachesTheCurrentLineAtItsNextAppend) {
    CScreenWnd& screen = m_dlg->m_Screen;
    const GLuint banner = screen.m_lines[1].GetList();
    ASSERT_NE(banner, 0u);
    const int promptRecord = Newest();
    const GLuint promptList = screen.m_lines[promptRecord].GetList();
    // Held here, the prompt's character positions stay where they are: a rebuilt record has others. (A
    // rebuilt record may get its old list name back, as the GL implementation hands freed names out.)
    const std::shared_ptr<const std::vector<float>> promptStarts = screen.m_lines[promptRecord].GetStarts();
    ASSERT_NE(promptStarts, nullptr);

    // The font chooser opens on the current font; OK with it replaces the font object.
    const HFONT before = screen.m_font;
    LOGFONTA chosen{};
    EXPECT_EQ(WithDialog([&] { MenuCommand(IDM_FONT); }, [&](HWND dlg) { Close(dlg, IDOK); }), 1);
    EXPECT_NE(screen.m_font, before);
    ::GetObjectA(screen.m_font, sizeof chosen, &chosen);
    EXPECT_EQ(chosen.lfHeight != 0, true);

    // A different face: nothing is rebuilt or redrawn by the change itself.
    LOGFONTA lf = screen.GetScreenFont();
    lf.lfHeight = 30;
    lf.lfItalic = TRUE;
    screen.SetScreenFont(lf);
    EXPECT_EQ(screen.m_lines[1].GetList(), banner);
    EXPECT_EQ(screen.m_lines[promptRecord].GetList(), promptList);
    EXPECT_EQ(screen.m_lines[promptRecord].GetStarts(), promptStarts);
    // The current line (the prompt) is rebuilt in the new font as soon as text is appended to it.
    screen.AppendOutput("x");
    EXPECT_NE(screen.m_lines[promptRecord].GetStarts(), promptStarts);
    EXPECT_EQ(screen.m_lines[1].GetList(), banner);
    CGLDC dc(screen);
    ::wglMakeCurrent(dc.get(), screen.GetRC());
    EXPECT_TRUE(glIsList(banner));
    EXPECT_GE(CGlyphCache::Current(false)->FontCount(), 2);  // old lines still use the old font
    ::wglMakeCurrent(nullptr, nullptr);
}

TEST_F(MenuCommandsTest, ResetGivesANormal600By400WindowAtItsTopLeftAndTheDefaults) {
    ::SetWindowPos(m_hWnd, nullptr, 40, 30, 700, 500, SWP_NOZORDER);
    Pump(50);
    CScreenWnd& screen = m_dlg->m_Screen;
    screen.m_fTilt = 10.0f;
    screen.m_crText = RGB(255, 0, 0);
    screen.m_bGradient = 0;
    ::ShowWindow(m_hWnd, SW_MAXIMIZE);
    ASSERT_TRUE(::IsZoomed(m_hWnd));
    ::ValidateRect(screen.m_hWnd, nullptr);
    MenuCommand(IDM_RESET);
    EXPECT_FALSE(::IsZoomed(m_hWnd));
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 600);
    EXPECT_EQ(r.bottom - r.top, 400);
    EXPECT_EQ(screen.m_fTilt, -40.0f);
    EXPECT_EQ(screen.m_crText, RGB(255, 255, 255));
    EXPECT_EQ(screen.m_bGradient, 1);
    // Redrawn at once: nothing is left to paint.
    RECT update;
    EXPECT_FALSE(::GetUpdateRect(screen.m_hWnd, &update, FALSE));
}

TEST_F(MenuCommandsTest, AClosingInterpreterClosesTheWindowEvenWithADialogOpen) {
    // The interpreter's end posts the close request while the colour dialog runs over the window.
    WithDialog([&] { MenuCommand(IDM_COLOUR); }, [&](HWND) { ::PostMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); });
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }, 5000));
    // The settings were saved on the way.
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(::RegQueryValueExA(key, "datas", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 140u);
    ::RegCloseKey(key);
}

namespace {
// While a menu is open, posts the close request that the interpreter's end posts, once; ends the menu
// itself if it is still open a second later, so that a failing run does not hang.
HWND g_closeTarget = nullptr;
int g_menuTicks = 0;
bool g_closePosted = false;
void CALLBACK CloseWhileMenuOpen(HWND, UINT, UINT_PTR, DWORD) {
    HWND menuWnd = ::FindWindowA("#32768", nullptr);
    if (menuWnd == nullptr || !::IsWindowVisible(menuWnd)) return;
    if (!g_closePosted) {
        g_closePosted = true;
        ::PostMessageA(g_closeTarget, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (++g_menuTicks > 20) {
        ::EndMenu();
    }
}
}  // namespace

TEST_F(MenuCommandsTest, AClosingInterpreterEndsAnOpenMenuBeforeTheWindowGoes) {
    // The right-click menu of the screen, then (in a second window) the system menu: each opener waits in
    // the menu's loop; the window must still exist when that loop has returned to it.
    for (bool systemMenu : {false, true}) {
        if (systemMenu) {
            SetUp();
            if (HasFatalFailure()) return;
        }
        g_closeTarget = m_hWnd;
        g_menuTicks = 0;
        g_closePosted = false;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CloseWhileMenuOpen);
        if (systemMenu) {
            ::SendMessageA(m_hWnd, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        } else {
            ::SendMessageA(m_dlg->m_Screen.m_hWnd, WM_RBUTTONDOWN, 0, MAKELPARAM(20, 20));
        }
        ::KillTimer(nullptr, timer);
        EXPECT_TRUE(g_closePosted) << "the menu never opened";
        EXPECT_LE(g_menuTicks, 20) << "the close request did not end the menu";
        ASSERT_TRUE(::IsWindow(m_hWnd)) << "destroyed inside the menu's loop";
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWnd); }, 5000)) << "the close was lost";
    }
}

TEST(StartFailure, AMessageBoxThenTheWindowClosesItself) {
    ConsoleProcess::SetInterpreterNameForTesting("no-such-interpreter.exe");
    // The message box is modal inside the window's initialisation; a watcher thread answers it.
    std::string text;
    std::string title;
    std::thread answer([&] {
        for (int i = 0; i < 200; ++i) {
            HWND box = ::FindWindowA("#32770", g_app.AppName().c_str());
            if (box != nullptr) {
                char buf[256] = {};
                ::GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
                text = buf;
                char cap[128] = {};
                ::GetWindowTextA(box, cap, sizeof cap);
                title = cap;
                ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                return;
            }
            ::Sleep(50);
        }
    });
    auto* dlg = new CMainDialog();
    answer.join();
    ConsoleProcess::SetInterpreterNameForTesting(nullptr);
    ASSERT_NE(dlg->m_hWnd, nullptr);
    HWND hWnd = dlg->m_hWnd;
    g_app.SetMainWnd(dlg);
    EXPECT_EQ(title, g_app.AppName());
    EXPECT_EQ(text, kTextStartFailed);
    // The posted close ends the window as soon as the loop runs.
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hWnd); }, 8000));
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
}
