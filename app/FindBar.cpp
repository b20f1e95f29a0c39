#include "app/FindBar.h"

#include <string>

#include "res/Texts.h"
#include "screen/ScreenWnd.h"

namespace {

std::string TextOf(HWND hWnd) {
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(hWnd)) + 1, '\0');
    const int got = ::GetWindowTextA(hWnd, text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

// The width `text` takes in the font of `hWnd`, in pixels.
int TextWidth(HWND hWnd, const char* text) {
    HDC dc = ::GetDC(hWnd);
    if (dc == nullptr) return 0;
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(hWnd, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text, static_cast<int>(std::char_traits<char>::length(text)), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(hWnd, dc);
    return size.cx;
}

// Room between the bar's parts, pixels.
constexpr int kGap = 6;

}  // namespace

void CFindBar::Create(HWND parent, CScreenWnd& screen, HWND entry) {
    m_hParent = parent;
    m_pScreen = &screen;
    m_hEntry = entry;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS;
    m_hLabel = ::CreateWindowExA(0, "STATIC", kTextFind, child | SS_LEFT | SS_CENTERIMAGE, 0, 0, 0, 0, parent,
                                 nullptr, instance, nullptr);
    m_hText = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", child | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                                parent, nullptr, instance, nullptr);
    m_hStatus = ::CreateWindowExA(0, "STATIC", "", child | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 0, 0,
                                  parent, nullptr, instance, nullptr);
    UseFont(reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0)));
}

void CFindBar::UseFont(HFONT font) {
    for (HWND part : {m_hLabel, m_hText, m_hStatus}) {
        if (part != nullptr) ::SendMessageA(part, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

void CFindBar::Layout(int labelLeft, int textLeft, int top, int width, int height) {
    m_nHeight = height;
    if (m_hText == nullptr) return;
    // The status takes the room of the longest text it shows; the label and the text as the entry row's.
    const int status = TextWidth(m_hStatus, (std::string("99999 / 99999") + kTextFindCount).c_str()) + kGap;
    const int notFound = TextWidth(m_hStatus, kTextNotFound) + kGap;
    const int statusWidth = status > notFound ? status : notFound;
    const int label = TextWidth(m_hLabel, kTextFind) + kGap;
    const int textStart = textLeft > labelLeft + label ? textLeft : labelLeft + label;
    int textWidth = width - textStart - statusWidth - kGap;
    textWidth = textWidth > 40 ? textWidth : 40;
    ::MoveWindow(m_hLabel, labelLeft, top, textStart - labelLeft, height, TRUE);
    ::MoveWindow(m_hText, textStart, top, textWidth, height, TRUE);
    ::MoveWindow(m_hStatus, textStart + textWidth + kGap, top, statusWidth, height, TRUE);
}

void CFindBar::Relayout() const {
    RECT rc{};
    ::GetClientRect(m_hParent, &rc);
    ::SendMessageA(m_hParent, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right - rc.left, rc.bottom - rc.top));
}

void CFindBar::Open() {
    if (m_hText == nullptr) return;
    if (!m_bOpen) {
        m_bOpen = true;
        Relayout();
        for (HWND part : {m_hLabel, m_hText, m_hStatus}) ::ShowWindow(part, SW_SHOW);
    }
    ::SetFocus(m_hText);
    ::SendMessageA(m_hText, EM_SETSEL, 0, -1);  // typing replaces the text found last
}

void CFindBar::Close() {
    if (!m_bOpen) return;
    m_bOpen = false;
    for (HWND part : {m_hLabel, m_hText, m_hStatus}) ::ShowWindow(part, SW_HIDE);
    m_pScreen->EndFind();
    Relayout();
    ::SetFocus(m_hEntry);
}

bool CFindBar::HandleKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || m_hText == nullptr) return false;
    if (msg.hwnd != m_hParent && !::IsChild(m_hParent, msg.hwnd)) return false;  // a dialog over the window
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0, shift = ::GetKeyState(VK_SHIFT) < 0;
    const bool alt = ::GetKeyState(VK_MENU) < 0;
    if (alt) return false;
    if (msg.wParam == 'F' && ctrl && !shift) {
        Open();
        return true;
    }
    if (msg.wParam == VK_F3 && !ctrl) {
        Search(!shift);
        return true;
    }
    if (msg.hwnd != m_hText || ctrl) return false;
    if (msg.wParam == VK_RETURN) {
        Search(!shift);
        return true;
    }
    if (msg.wParam == VK_ESCAPE) {
        Close();
        return true;
    }
    return false;
}

void CFindBar::Search(bool older) {
    if (m_hText == nullptr) return;
    const CScreenWnd::FindResult found = m_pScreen->Find(TextOf(m_hText), older);
    std::string status = kTextNotFound;
    if (found.bFound) status = std::to_string(found.nIndex) + " / " + std::to_string(found.nTotal) + kTextFindCount;
    ::SetWindowTextA(m_hStatus, status.c_str());
    if (!m_bOpen && !found.bFound) ::MessageBeep(MB_OK);  // F3 with the bar closed: nothing shows the result
}

std::string CFindBar::StatusText() const { return TextOf(m_hStatus); }
