#pragma once
// CAboutDlg: the modal about box (template 100): icon, name, version, the maker's notice, and two
// buttons that hand the maker's mail address and home page to the shell. The box stays open after
// either link.
#include <windows.h>

#include <string>

#include "framework/Dialog.h"

// The shell call behind the two link buttons. A test may point it at its own function; it is called on
// the user-interface thread only.
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                          LPCSTR directory, INT showCmd);
extern ShellExecuteFn g_pfnShellExecute;

// What the link buttons open; their captions in the template are the same addresses.
inline constexpr char kMakerMailLink[] = "mailto:vextral@tarnel.example";
inline constexpr char kMakerHomePage[] = "http://www.tarnel.example/vextral/";

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    std::string m_strVersion;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void OnMailLink();
    void OnHomePageLink();
};
