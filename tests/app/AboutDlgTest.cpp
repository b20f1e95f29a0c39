// The about box on its real template: the version line and the two links, which go to the shell with
// exactly the arguments below and leave the box open.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/AboutDlg.h"
#include "res/resource.h"
#include "tests/ModalScript.h"

namespace {

struct ShellCall {
    HWND owner;
    bool hasVerb;
    std::string verb;
    std::string file;
    bool hasParameters;
    bool hasDirectory;
    INT showCmd;
};
std::vector<ShellCall> g_calls;

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT showCmd) {
    g_calls.push_back({owner, verb != nullptr, verb ? verb : "", file ? file : "", parameters != nullptr,
                       directory != nullptr, showCmd});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));  // "success"
}

std::string ItemText(HWND dialog, int id) {
    char text[256] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        m_saved = g_pfnShellExecute;
        g_pfnShellExecute = &RecordShellExecute;
    }
    void TearDown() override { g_pfnShellExecute = m_saved; }

    ShellExecuteFn m_saved = nullptr;
};

}  // namespace

TEST_F(AboutBox, ShowsTheVersionTextAndClosesWithOk) {
    CAboutDlg dlg;
    std::string shown;
    const ModalScriptResult run = RunModalScript(dlg, {
                                                          [&](HWND h) {
                                                              shown = ItemText(h, IDC_ABOUT_VERSION);
                                                              ClickButton(h, IDOK);
                                                          },
                                                      });
    EXPECT_EQ(shown, "Version 1.0.2");
    EXPECT_EQ(run.result, IDOK);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(AboutBox, MailLinkGoesToTheShellAndTheBoxStaysOpen) {
    CAboutDlg dlg;
    std::string caption;
    bool openAfterClick = false;
    const ModalScriptResult run = RunModalScript(dlg, {
                                                          [&](HWND h) {
                                                              caption = ItemText(h, IDC_ABOUT_MAIL);
                                                              ClickButton(h, IDC_ABOUT_MAIL);
                                                          },
                                                          [&](HWND h) {
                                                              openAfterClick = ::IsWindowVisible(h) != FALSE;
                                                              ClickButton(h, IDC_ABOUT_MAIL);
                                                          },
                                                          [&](HWND h) { ClickButton(h, IDOK); },
                                                      });
    EXPECT_EQ(run.stepsRun, 3u) << "the box closed after a link";
    EXPECT_EQ(run.result, IDOK);
    EXPECT_TRUE(openAfterClick);
    ASSERT_EQ(g_calls.size(), 2u) << "each press starts the mail program again";
    for (const ShellCall& c : g_calls) {
        EXPECT_EQ(c.owner, nullptr);
        EXPECT_FALSE(c.hasVerb) << "the default action, no verb";
        EXPECT_EQ(c.file, "mailto:vextral@tarnel.example");
        EXPECT_FALSE(c.hasParameters);
        EXPECT_FALSE(c.hasDirectory);
        EXPECT_EQ(c.showCmd, SW_HIDE);
    }
    EXPECT_EQ("mailto:" + caption, g_calls[0].file) << "the button shows the address it opens";
}

TEST_F(AboutBox, HomePageLinkGoesToTheShellAndTheBoxStaysOpen) {
    CAboutDlg dlg;
    std::string caption;
    bool openAfterClick = false;
    const ModalScriptResult run = RunModalScript(dlg, {
                                                          [&](HWND h) {
                                                              caption = ItemText(h, IDC_ABOUT_HOME);
                                                              ClickButton(h, IDC_ABOUT_HOME);
                                                          },
                                                          [&](HWND h) {
                                                              openAfterClick = ::IsWindowVisible(h) != FALSE;
                                                              ClickButton(h, IDCANCEL);
                                                          },
                                                      });
    EXPECT_EQ(run.stepsRun, 2u) << "the box closed after a link";
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_TRUE(openAfterClick);
    ASSERT_EQ(g_calls.size(), 1u);
    const ShellCall& c = g_calls[0];
    EXPECT_EQ(c.owner, ::GetDesktopWindow());
    EXPECT_TRUE(c.hasVerb);
    EXPECT_EQ(c.verb, "open");
    EXPECT_EQ(c.file, "http://www.tarnel.example/vextral/");
    EXPECT_FALSE(c.hasParameters);
    EXPECT_FALSE(c.hasDirectory);
    EXPECT_EQ(c.showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(caption, c.file) << "the button shows the address it opens";
}
