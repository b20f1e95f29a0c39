#include "app/AboutDlg.h"

#include <shellapi.h>

#include "res/Texts.h"
#include "res/resource.h"

ShellExecuteFn g_pfnShellExecute = &::ShellExecuteA;

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUT), m_strVersion(kVersionText) {}

void CAboutDlg::DoDataExchange(CDataExchange* dx) { DDX_Text(dx, IDC_ABOUT_VERSION, m_strVersion); }

bool CAboutDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CAboutDlg> kTable[] = {
        OnCommand(IDC_ABOUT_MAIL, &CAboutDlg::OnMailLink),
        OnCommand(IDC_ABOUT_HOME, &CAboutDlg::OnHomePageLink),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CDialog::OnWndMsg(msg, wp, lp, result);
}

// The shell's result is not looked at: without a mail program or browser nothing happens, and the box
// stays open either way.
void CAboutDlg::OnMailLink() {
    g_pfnShellExecute(nullptr, nullptr, kMakerMailLink, nullptr, nullptr, SW_HIDE);
}

void CAboutDlg::OnHomePageLink() {
    g_pfnShellExecute(::GetDesktopWindow(), "open", kMakerHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}
