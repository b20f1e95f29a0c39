#pragma once
// CDialog: a dialog made from a resource template, modeless (Create) or modal (DoModal).
//
// A modal dialog runs our own modal loop rather than DialogBoxParam's, so that every queued message goes
// through the application's pre-translation (CWinApp::PreTranslateMessage) as in the main loop: a
// window inside the dialog (a tooltip relay, a key filter) sees its messages first.
#include <windows.h>

#include <string>

#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

    // Creates the dialog as a modeless window; `owner` may be null.
    BOOL Create(HWND owner = nullptr);
    // Runs the dialog modally over its parent (the application's main window when none was given) and
    // returns the value given to EndDialog, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    BOOL PreTranslateMessage(MSG* msg) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp);

    bool m_bModal = false;
    bool m_bContinueModal = false;
    INT_PTR m_nModalResult = -1;
};

// Data exchange between a dialog's members and its controls (both directions).
class CDataExchange {
public:
    CDataExchange(CWnd* dlg, bool save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
    CWnd* m_pDlgWnd;
    bool m_bSaveAndValidate;  // true: controls to members; false: members to controls
    HWND PrepareCtrl(int id) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, id); }
};

// Binds control `id` to `control` (once: an existing binding is left alone).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// The control's window text.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// A check box's state 0, 1 or 2; a value outside 0..2 is written to the box as 0 and reads back as 0.
void DDX_Check(CDataExchange* dx, int id, int& value);
// A scroll bar control's position.
void DDX_Scroll(CDataExchange* dx, int id, int& value);
