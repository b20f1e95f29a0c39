#include "framework/Choosers.h"

#include "framework/App.h"
#include "framework/Wnd.h"

namespace {
HWND DefaultOwner(HWND owner) {
    if (owner != nullptr) return owner;
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->m_pMainWnd != nullptr ? app->m_pMainWnd->m_hWnd : nullptr;
}
}  // namespace

COLORREF CColorDialog::s_customColours[16] = {
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
    0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
};

CFontDialog::CFontDialog(const LOGFONTA* initial, DWORD flags, HWND owner) {
    if (initial != nullptr) m_lf = *initial;
    m_cf.lStructSize = sizeof m_cf;
    m_cf.hwndOwner = owner;
    m_cf.lpLogFont = &m_lf;
    m_cf.Flags = flags;
}

INT_PTR CFontDialog::DoModal() {
    m_cf.hwndOwner = DefaultOwner(m_cf.hwndOwner);
    m_cf.lpLogFont = &m_lf;
    return ::ChooseFontA(&m_cf) ? IDOK : IDCANCEL;
}

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, HWND owner) {
    m_cc.lStructSize = sizeof m_cc;
    m_cc.hwndOwner = owner;
    m_cc.rgbResult = initial;
    m_cc.lpCustColors = s_customColours;
    m_cc.Flags = flags | (initial != 0 ? CC_RGBINIT : 0);
}

INT_PTR CColorDialog::DoModal() {
    m_cc.hwndOwner = DefaultOwner(m_cc.hwndOwner);
    return ::ChooseColorA(&m_cc) ? IDOK : IDCANCEL;
}
