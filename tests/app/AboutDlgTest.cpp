// The about box on its real template: the version line, and the two links, which go to the shell with
// exactly these arguments and leave the box open.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/AboutDlg.h"
#include "res/resource.h"
#include "tests/ModalScript.h"

namespace {

std::vector<std::string> g_calls;  // one line per shell call

std::string Arg(LPCSTR s) { return s != nullptr ? "\"" + std::string(s) + "\"" : "null"; }

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT showCmd) {
    const char* who = owner == nullptr ? "null" : owner == ::GetDesktopWindow() ? "desktop" : "other";
    g_calls.push_back(std::string(who) + " " + Arg(verb) + " " + Arg(file) + " " + Arg(parameters) + " " +
                      Arg(directory) + " " + std::to_string(showCmd));
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));  // "success"
}

std::string ItemText(HWND dialog, int id) {
    char text[256] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Opens the box, reads the version line and the button's caption, presses the button twice (a step
// apart, so the modal loop runs in between) and closes the box with OK.
struct LinkRun {
    std::string version, caption;
    ModalScriptResult run;
};
LinkRun PressLinkTwice(int button) {
    LinkRun r{};
    CAboutDlg dlg;
    g_calls.clear();
    const ShellExecuteFn saved = g_pfnShellExecute;
    g_pfnShellExecute = &RecordShellExecute;
    const ModalStep first = [&](HWND h) {
        r.version = ItemText(h, IDC_ABOUT_VERSION);
        r.caption = ItemText(h, button);
        ClickButton(h, button);
    };
    const ModalStep again = [&](HWND h) { ClickButton(h, button); };
    const ModalStep ok = [&](HWND h) { ClickButton(h, IDOK); };
    r.run = RunModalScript(dlg, {first, again, ok});
    g_pfnShellExecute = saved;
    return r;
}

}  // namespace

TEST(AboutBox, MailLinkGoesToTheShellAndTheBoxStaysOpen) {
    const LinkRun r = PressLinkTwice(IDC_ABOUT_MAIL);
    EXPECT_EQ(r.version, "Version 1.0.2");
    EXPECT_EQ(r.run.stepsRun, 3u) << "the box closed after a link";
    EXPECT_EQ(r.run.result, IDOK);
    const std::string call = "null null \"mailto:vextral@tarnel.example\" null null 0";  // SW_HIDE
    EXPECT_EQ(g_calls, std::vector<std::string>({call, call}));
    EXPECT_EQ(r.caption, "vextral@tarnel.example") << "the button shows the address it opens";
}

TEST(AboutBox, HomePageLinkGoesToTheShellAndTheBoxStaysOpen) {
    const LinkRun r = PressLinkTwice(IDC_ABOUT_HOME);
    EXPECT_EQ(r.run.stepsRun, 3u) << "the box closed after a link";
    EXPECT_EQ(r.run.result, IDOK);
    const std::string call =
        "desktop \"open\" \"http://www.tarnel.example/vextral/\" null null 1";  // SW_SHOWNORMAL
    EXPECT_EQ(g_calls, std::vector<std::string>({call, call}));
    EXPECT_EQ(r.caption, "http://www.tarnel.example/vextral/") << "the button shows the address it opens";
}
