// The framework's dispatch, reflection, modal dialogs and data exchange, on real windows under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "framework/App.h"
#include "framework/Dialog.h"
#include "res/resource.h"

// Not a test of the program: a precondition of the test environment. Every text of the program and of
// these tests is Shift-JIS, so a prefix without the Japanese locale fails here first, and says why.
TEST(Precondition, AnsiCodePageIsShiftJis) {
    EXPECT_EQ(::GetACP(), 932u) << "the Wine prefix does not run under a Japanese locale (LANG=ja_JP.UTF-8)";
}

// Wine draws the caption's buttons, and the check marks and arrows of its own controls, with glyphs of
// the Marlett font; in a prefix that does not find it, every caption shows the letters "0", "1" and "r".
TEST(Environment, CaptionSymbolFontIsFound) {
    LOGFONTA lf{};
    lf.lfHeight = -13;
    lf.lfCharSet = SYMBOL_CHARSET;
    std::strcpy(lf.lfFaceName, "Marlett");
    HFONT font = ::CreateFontIndirectA(&lf);
    ASSERT_NE(font, nullptr);
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    ::GetTextFaceA(dc, sizeof face, face);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(font);
    EXPECT_STREQ(face, "Marlett");
}

namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr UINT kUnhandled = WM_APP + 2;

class CTableWnd : public CWnd {
public:
    int m_pings = 0;
    int m_commands = 0;
    LRESULT OnPing(WPARAM wp, LPARAM lp) {
        ++m_pings;
        return static_cast<LRESULT>(wp + lp);
    }
    void OnCommand7() { ++m_commands; }

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        static const MessageEntry<CTableWnd> kTable[] = {
            OnMessage(kPing, &CTableWnd::OnPing),
            OnCommand(7, &CTableWnd::OnCommand7),
        };
        return DispatchTable(*this, kTable, msg, wp, lp, result) || CWnd::OnWndMsg(msg, wp, lp, result);
    }
};

// A button that handles its own click.
class CSelfClickButton : public CButton {
public:
    int m_clicks = 0;
    void OnClicked() { ++m_clicks; }

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        static const MessageEntry<CSelfClickButton> kTable[] = {
            OnReflectedCommand(BN_CLICKED, &CSelfClickButton::OnClicked),
        };
        return DispatchTable(*this, kTable, msg, wp, lp, result) || CButton::OnWndMsg(msg, wp, lp, result);
    }
};

HWND CreateTopLevel(CWnd& wnd) {
    EXPECT_TRUE(wnd.CreateEx(0, RegisterWndClass(0), "test", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr,
                             nullptr));
    return wnd.m_hWnd;
}

}  // namespace

TEST(MessageTable, EntryReachesItsMemberAndOthersFallThrough) {
    CTableWnd wnd;
    HWND hWnd = CreateTopLevel(wnd);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hWnd), &wnd);
    EXPECT_EQ(::SendMessageA(hWnd, kPing, 40, 2), 42);
    EXPECT_EQ(wnd.m_pings, 1);
    EXPECT_EQ(::SendMessageA(hWnd, kUnhandled, 1, 1), 0);  // DefWindowProc
    EXPECT_EQ(wnd.m_pings, 1);
    // A menu command (code 0) with the table's id, and one with another id.
    ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(7, 0), 0);
    ::SendMessageA(hWnd, WM_COMMAND, MAKEWPARAM(8, 0), 0);
    EXPECT_EQ(wnd.m_commands, 1);
    wnd.DestroyWindow();
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hWnd), nullptr);
}

TEST(MessageTable, ReflectedClickReachesTheControlNotTheParent) {
    CTableWnd parent;
    CreateTopLevel(parent);
    HWND button = ::CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20,
                                    parent.m_hWnd, reinterpret_cast<HMENU>(7), nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    // Before the control is bound to an object, the click arrives at the parent as command 7.
    ::SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(parent.m_commands, 1);

    CSelfClickButton self;
    ASSERT_TRUE(self.SubclassWindow(button));
    ::SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(self.m_clicks, 1);
    EXPECT_EQ(parent.m_commands, 1);  // consumed by the control
    parent.DestroyWindow();
    EXPECT_EQ(self.m_hWnd, nullptr);  // the child's binding ended with its window
}

namespace {

// A colour dialog template: controls 1010..1015; ends itself from OnInitDialog as told.
class CEndingDialog : public CDialog {
public:
    explicit CEndingDialog(int endWith) : CDialog(IDD_COLOUR), m_endWith(endWith) {}
    int m_endWith;
    int m_check = 0;
    std::string m_text;
    RECT m_ownerRect{};
    RECT m_rect{};

protected:
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Check(dx, IDC_COLOUR_GRADIENT, m_check);
        DDX_Text(dx, IDOK, m_text);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (m_endWith == IDOK || m_endWith == IDCANCEL) {
            PostMessage(WM_COMMAND, MAKEWPARAM(m_endWith, BN_CLICKED), 0);
        } else {
            PostMessage(WM_APP, 0, 0);
        }
        return TRUE;
    }
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_APP) {
            m_rect = GetWindowRect();
            ::GetWindowRect(::GetWindow(m_hWnd, GW_OWNER), &m_ownerRect);
            EndDialog(m_endWith);
            result = 0;
            return true;
        }
        return CDialog::OnWndMsg(msg, wp, lp, result);
    }
};

}  // namespace

TEST(ModalDialog, EndsWithTheCodeOfItsEndingCommand) {
    CEndingDialog ok(IDOK);
    ok.m_text = "Accept";
    EXPECT_EQ(ok.DoModal(), IDOK);
    EXPECT_EQ(ok.m_text, "Accept");  // OK exchanged the controls back into the members
    CEndingDialog cancel(IDCANCEL);
    EXPECT_EQ(cancel.DoModal(), IDCANCEL);
    CEndingDialog custom(42);
    EXPECT_EQ(custom.DoModal(), 42);
    EXPECT_EQ(custom.m_hWnd, nullptr);  // the window is gone after DoModal
}

TEST(ModalDialog, OpensCentredOverItsOwnerAndReenablesIt) {
    CTableWnd owner;
    CreateTopLevel(owner);
    ::ShowWindow(owner.m_hWnd, SW_SHOW);
    ::MoveWindow(owner.m_hWnd, 100, 100, 600, 400, TRUE);
    CEndingDialog dlg(7);
    dlg.m_pParentWnd = &owner;
    EXPECT_EQ(dlg.DoModal(), 7);
    const int ownerCx = (dlg.m_ownerRect.left + dlg.m_ownerRect.right) / 2;
    const int ownerCy = (dlg.m_ownerRect.top + dlg.m_ownerRect.bottom) / 2;
    EXPECT_NEAR((dlg.m_rect.left + dlg.m_rect.right) / 2, ownerCx, 2);
    EXPECT_NEAR((dlg.m_rect.top + dlg.m_rect.bottom) / 2, ownerCy, 2);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    owner.DestroyWindow();
}

TEST(DataExchange, BothDirectionsAndTheCheckBoxRange) {
    CEndingDialog dlg(0);
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND box = dlg.GetDlgItem(IDC_COLOUR_GRADIENT);

    dlg.m_check = 1;
    dlg.m_text = "first";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    char text[32] = {};
    ::GetWindowTextA(dlg.GetDlgItem(IDOK), text, sizeof text);
    EXPECT_STREQ(text, "first");

    ::SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    ::SetWindowTextA(dlg.GetDlgItem(IDOK), "second");
    dlg.UpdateData(TRUE);
    EXPECT_EQ(dlg.m_check, 0);
    EXPECT_EQ(dlg.m_text, "second");

    // A value outside 0..2 clears the box and reads back as 0.
    dlg.m_check = 7;
    dlg.UpdateData(FALSE);
    EXPECT_EQ(dlg.m_check, 0);
    EXPECT_EQ(::SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    dlg.DestroyWindow();
}

TEST(Application, PreTranslationWalksFromTheTargetToItsTopLevelWindow) {
    class CRecorder : public CTableWnd {
    public:
        int m_seen = 0;
        BOOL PreTranslateMessage(MSG* msg) override {
            if (msg->message == WM_KEYDOWN) ++m_seen;
            return msg->wParam == 'X';
        }
    };
    CRecorder top;
    CreateTopLevel(top);
    HWND child = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, top.m_hWnd, nullptr,
                                   nullptr, nullptr);
    MSG msg{child, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    EXPECT_FALSE(CWinApp::PreTranslateMessage(&msg));
    msg.wParam = 'X';
    EXPECT_TRUE(CWinApp::PreTranslateMessage(&msg));
    EXPECT_EQ(top.m_seen, 2);
    top.DestroyWindow();
}

TEST(Resources, JapaneseLabelsAreStoredAsUnicodeAndDrawnWithRealGlyphs) {
    CDialog dlg(IDD_COLOUR);
    ASSERT_TRUE(dlg.Create(nullptr));
    // The label of background colour 1: "背景色１" in the Shift-JIS resource script, UTF-16 in the program.
    HWND label = nullptr;
    for (HWND child = ::GetWindow(dlg.m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(HWND_DESKTOP, dlg.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        wchar_t text[32] = {};
        ::GetWindowTextW(child, text, 32);
        if (std::wstring(text) == L"\u80CC\u666F\u8272\uFF11") label = child;
    }
    ASSERT_NE(label, nullptr) << "no label reads U+80CC U+666F U+8272 U+FF11";
    // The dialog's font has a glyph for every character of it: no boxes, no question marks.
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dlg.m_hWnd, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    HDC dc = ::GetDC(label);
    HGDIOBJ old = ::SelectObject(dc, font);
    WORD glyphs[4] = {};
    EXPECT_EQ(::GetGlyphIndicesW(dc, L"\u80CC\u666F\u8272\uFF11", 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 4u);
    for (WORD g : glyphs) EXPECT_NE(g, 0xFFFF);
    char face[LF_FACESIZE] = {};
    ::GetTextFaceA(dc, sizeof face, face);
    std::printf("dialog font face: %s\n", face);
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    dlg.DestroyWindow();
}

namespace {

// A window object that deletes itself when its window goes, allocated in a buffer of its own that its
// deletion fills with a pattern: any write into the object after it was deleted changes the pattern.
alignas(16) unsigned char g_arena[512];
constexpr unsigned char kPoison = 0xDD;

class CSelfDeleting : public CWnd {
public:
    static void* operator new(std::size_t size) {
        EXPECT_LE(size, sizeof g_arena);
        return g_arena;
    }
    static void operator delete(void* p, std::size_t size) { std::memset(p, kPoison, size); }
    static std::size_t s_size;
    LRESULT OnClose(WPARAM, LPARAM) {
        DestroyWindow();  // the object is gone when this returns
        return 0;
    }

protected:
    void PostNcDestroy() override {
        s_size = sizeof(*this);
        delete this;
    }
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        static const MessageEntry<CSelfDeleting> kTable[] = {OnMessage(WM_CLOSE, &CSelfDeleting::OnClose)};
        return DispatchTable(*this, kTable, msg, wp, lp, result) || CWnd::OnWndMsg(msg, wp, lp, result);
    }
};
std::size_t CSelfDeleting::s_size = 0;

}  // namespace

TEST(MessageTable, AnObjectThatDeletesItselfInAHandlerIsNotTouchedAfterwards) {
    auto* wnd = new CSelfDeleting;
    HWND hWnd = CreateTopLevel(*wnd);
    ASSERT_NE(hWnd, nullptr);
    ::SendMessageA(hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hWnd));
    ASSERT_GT(CSelfDeleting::s_size, 0u);
    for (std::size_t i = 0; i < CSelfDeleting::s_size; ++i) ASSERT_EQ(g_arena[i], kPoison) << "byte " << i;
}
