#include "framework/Dialog.h"

#include "framework/App.h"

BOOL CDialog::Create(HWND owner) {
    HWND hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDTemplate), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd != nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_INITDIALOG) return FALSE;  // everything else: the dialog manager's own handling
    auto* self = reinterpret_cast<CDialog*>(lp);
    // Bind, then put our procedure in front of the dialog manager's: from now on every message goes
    // through the message table first, and the dialog manager is the default processing.
    self->Bind(hWnd);
    self->m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    const BOOL focusDefault = self->OnInitDialog();
    // A modal dialog that the template leaves at 0, 0 and that is not yet visible opens centred over
    // its owner.
    if (self->m_bModal && !::IsWindowVisible(hWnd)) self->CenterWindow(::GetWindow(hWnd, GW_OWNER));
    return focusDefault;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        // The dialog manager sends IDOK for Enter and IDCANCEL for Escape and for WM_CLOSE.
        if (LOWORD(wp) == IDOK) {
            OnOK();
            result = 0;
            return true;
        }
        if (LOWORD(wp) == IDCANCEL) {
            OnCancel();
            result = 0;
            return true;
        }
    }
    return CWnd::OnWndMsg(msg, wp, lp, result);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    // The dialog manager's keyboard handling (Tab, arrows, Enter, Escape, mnemonics).
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
        return ::IsDialogMessageA(m_hWnd, msg);
    }
    return FALSE;
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (owner == nullptr) {
        if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr) {
            owner = app->m_pMainWnd->m_hWnd;
        }
    }
    // A dialog is owned by a top-level window, never by a child.
    while (owner != nullptr && (::GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD)) owner = ::GetParent(owner);

    m_bModal = true;
    m_bContinueModal = true;
    m_nModalResult = -1;
    const BOOL ownerEnabled = owner != nullptr && ::IsWindowEnabled(owner);
    if (!Create(owner)) {
        m_bModal = false;
        return -1;
    }
    if (ownerEnabled) ::EnableWindow(owner, FALSE);
    ::ShowWindow(m_hWnd, SW_SHOW);

    MSG msg;
    while (m_bContinueModal && m_hWnd != nullptr) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // let the outer loop see the quit, too
            break;
        }
        if (got < 0) break;
        CWinApp::PumpOne(msg);
    }

    // Re-enable and activate the owner before the dialog goes, so the activation returns to it.
    if (ownerEnabled) {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
    m_bModal = false;
    return m_nModalResult;
}

void CDialog::EndDialog(int result) {
    if (m_bModal) {
        m_nModalResult = result;
        m_bContinueModal = false;
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wakes the modal loop
    } else if (m_hWnd != nullptr) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd == nullptr) control.SubclassWindow(dx->PrepareCtrl(id));
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    HWND ctrl = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        const int n = ::GetWindowTextLengthA(ctrl);
        std::string text(static_cast<size_t>(n) + 1, '\0');
        const int got = ::GetWindowTextA(ctrl, text.data(), n + 1);
        text.resize(static_cast<size_t>(got > 0 ? got : 0));
        value = std::move(text);
    } else {
        ::SetWindowTextA(ctrl, value.c_str());
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    HWND ctrl = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = static_cast<int>(::SendMessageA(ctrl, BM_GETCHECK, 0, 0));
    } else {
        if (value < 0 || value > 2) value = 0;  // out of range: the box is cleared
        ::SendMessageA(ctrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DDX_Scroll(CDataExchange* dx, int id, int& value) {
    HWND ctrl = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate) {
        value = ::GetScrollPos(ctrl, SB_CTL);
    } else {
        ::SetScrollPos(ctrl, SB_CTL, value, TRUE);
    }
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate != FALSE);
    DoDataExchange(&dx);
    return TRUE;
}
