// The colour picker button on real windows: sizing, notifications, its popup and its painting.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "ColourTestSupport.h"
#include "colour/ColourMessages.h"
#include "colour/ColourPalettePopup.h"
#include "colour/ColourPicker.h"

namespace {

constexpr UINT kId = 1010;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGold = RGB(255, 215, 0);

// A picker that counts the paints it gets.
class CountingPicker : public CColourPicker {
public:
    int m_paints = 0;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_PAINT) ++m_paints;
        return CColourPicker::OnWndMsg(msg, wp, lp, result);
    }
};

int ArrowSide() {
    const int ex = ::GetSystemMetrics(SM_CXEDGE);
    const int ey = ::GetSystemMetrics(SM_CYEDGE);
    return std::max({::GetSystemMetrics(SM_CXHTHUMB), 5 * ex, ::GetSystemMetrics(SM_CYVTHUMB), 5 * ey});
}

// A 32-bit top-down bitmap to paint into and read back.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bitmap);
        std::fill(m_bits, m_bits + width * height, 0x00FF00FFu);  // magenta: "never painted"
    }
    ~Canvas() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const DWORD p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Every pixel of the rectangle (right and bottom exclusive).
    std::vector<COLORREF> Pixels(const RECT& r) const {
        std::vector<COLORREF> out;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) out.push_back(At(x, y));
        }
        return out;
    }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    DWORD* m_bits = nullptr;
};

class PickerTest : public ::testing::Test {
protected:
    // A template-like push button of the given size, taken over by `picker`.
    HWND AttachButton(CColourPicker& picker, int width, int height, const char* caption = "") {
        HWND button = ::CreateWindowExA(0, "BUTTON", caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP,
                                        20, 30, width, height, m_parent.m_hWnd,
                                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kId)), nullptr, nullptr);
        EXPECT_NE(button, nullptr);
        EXPECT_TRUE(picker.SubclassWindow(button));
        return button;
    }
    // Paints the picker as the system does (the button asks its parent to draw the item) into a canvas.
    void PaintInto(CColourPicker& picker, Canvas& canvas) {
        ::SendMessageA(picker.m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    }
    RECT Swatch(const CColourPicker& picker) const {
        RECT r = picker.GetClientRect();
        ::InflateRect(&r, -::GetSystemMetrics(SM_CXEDGE), -::GetSystemMetrics(SM_CYEDGE));
        r.right -= picker.m_arrowRect.right - picker.m_arrowRect.left;
        // The null pen leaves Rectangle's last column and row unpainted.
        r.right -= 1;
        r.bottom -= 1;
        return r;
    }

    CRecorder m_parent{true, 40, 40, 300, 160};
};

std::vector<COLORREF> ReferenceArrow(const RECT& arrow, UINT state) {
    Canvas canvas(arrow.right, arrow.bottom);
    RECT r = arrow;
    ::DrawFrameControl(canvas.dc(), &r, DFC_SCROLL, DFCS_SCROLLDOWN | state);
    return canvas.Pixels(arrow);
}

}  // namespace

TEST(PickerDefaults, StartsWithTheButtonFaceAndStoresColoursWithoutAWindow) {
    CColourPicker picker;
    EXPECT_EQ(picker.GetColour(), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(picker.m_captionColour, ::GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(picker.m_popupOpen, 0);
    picker.SetColour(kBlue);
    EXPECT_EQ(picker.GetColour(), kBlue);
}

TEST_F(PickerTest, AttachingMakesItOwnerDrawnAndFitsItToTheArrow) {
    const int ex = ::GetSystemMetrics(SM_CXEDGE);
    const int ey = ::GetSystemMetrics(SM_CYEDGE);
    const int s = ArrowSide();

    CColourPicker narrow;
    AttachButton(narrow, 10, 30);
    EXPECT_EQ(narrow.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_TRUE(narrow.GetStyle() & WS_TABSTOP) << "nothing else is removed";
    RECT r = narrow.GetRectInParent();
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 2 * (s + ex)) << "a narrow button is widened to two arrows";
    EXPECT_EQ(r.bottom - r.top, s + 2 * ey);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    EXPECT_EQ(narrow.m_arrowRect.left, w - ex - s);
    EXPECT_EQ(narrow.m_arrowRect.top, ey);
    EXPECT_EQ(narrow.m_arrowRect.right, w - ex);
    EXPECT_EQ(narrow.m_arrowRect.bottom, h - ey);

    CColourPicker wide;
    AttachButton(wide, 130, 5);
    r = wide.GetRectInParent();
    EXPECT_EQ(r.right - r.left, 130) << "a wide button keeps its width";
    EXPECT_EQ(r.bottom - r.top, s + 2 * ey) << "the height is always replaced";
    EXPECT_EQ(wide.m_arrowRect.right, 130 - ex);
}

TEST_F(PickerTest, CreatedPickerFitsItselfWhenItsWindowIsCreated) {
    CColourPicker picker;
    ASSERT_TRUE(picker.Create("", WS_VISIBLE, RECT{5, 6, 15, 80}, &m_parent, 1011));
    EXPECT_EQ(picker.GetStyle() & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
    EXPECT_EQ(picker.GetDlgCtrlID(), 1011);
    const RECT r = picker.GetRectInParent();
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
    EXPECT_EQ(r.right - r.left, 2 * (ArrowSide() + ::GetSystemMetrics(SM_CXEDGE)));
    EXPECT_EQ(r.bottom - r.top, ArrowSide() + 2 * ::GetSystemMetrics(SM_CYEDGE));
    EXPECT_FALSE(picker.Create("", WS_VISIBLE, RECT{5, 6, 15, 80}, &m_parent, 1011)) << "one window only";
}

TEST_F(PickerTest, AcceptingTheSameColourSendsNothingAndDoesNotRedraw) {
    CountingPicker picker;
    picker.SetColour(kBlue);
    AttachButton(picker, 100, 20);
    ::UpdateWindow(picker.m_hWnd);
    const int paints = picker.m_paints;

    picker.SendMessage(WM_COLOUR_ACCEPT, kBlue, 0);
    EXPECT_EQ(picker.m_paints, paints);
    EXPECT_TRUE(m_parent.m_messages.empty());

    // The same with another colour redraws at once and reports it.
    picker.SendMessage(WM_COLOUR_ACCEPT, kGold, 0);
    EXPECT_EQ(picker.GetColour(), kGold);
    EXPECT_EQ(picker.m_paints, paints + 1);
    ASSERT_EQ(m_parent.m_messages.size(), 1u);
    EXPECT_EQ(m_parent.m_messages[0].msg, WM_COLOUR_SET);
    EXPECT_EQ(m_parent.m_messages[0].colour, kGold);
    EXPECT_EQ(m_parent.m_messages[0].lParam, static_cast<LPARAM>(kId));
    EXPECT_EQ(picker.m_popupOpen, 0);
}

TEST_F(PickerTest, CancelAlwaysRedrawsAndSendsSetThenCancel) {
    CountingPicker picker;
    picker.SetColour(kBlue);
    AttachButton(picker, 100, 20);
    ::UpdateWindow(picker.m_hWnd);
    const int paints = picker.m_paints;
    picker.m_popupOpen = 1;

    EXPECT_EQ(picker.SendMessage(WM_COLOUR_CANCEL, kBlue, 0), 1);
    EXPECT_EQ(picker.m_popupOpen, 0);
    EXPECT_EQ(picker.m_paints, paints + 1) << "redrawn although the colour did not change";
    EXPECT_EQ(m_parent.Kinds(), (std::vector<UINT>{WM_COLOUR_SET, WM_COLOUR_CANCEL}));
    for (const RecordedMessage& m : m_parent.m_messages) {
        EXPECT_EQ(m.colour, kBlue);
        EXPECT_EQ(m.lParam, static_cast<LPARAM>(kId));
    }
}

TEST_F(PickerTest, HighlightsAreForwardedWithoutChangingTheSwatch) {
    CountingPicker picker;
    picker.SetColour(kBlue);
    AttachButton(picker, 100, 20);
    ::UpdateWindow(picker.m_hWnd);
    const int paints = picker.m_paints;
    EXPECT_EQ(picker.SendMessage(WM_COLOUR_HOT, kGold, 0), 1);
    EXPECT_EQ(picker.GetColour(), kBlue);
    EXPECT_EQ(picker.m_paints, paints);
    ASSERT_EQ(m_parent.m_messages.size(), 1u);
    EXPECT_EQ(m_parent.m_messages[0].msg, WM_COLOUR_HOT);
    EXPECT_EQ(m_parent.m_messages[0].colour, kGold);
    EXPECT_EQ(m_parent.m_messages[0].lParam, static_cast<LPARAM>(kId));
}

TEST_F(PickerTest, ClickOpensThePopupBelowAndAChoiceComesBack) {
    CColourPicker picker;
    picker.SetColour(kBlue);
    AttachButton(picker, 100, 20);
    ::SendMessageA(picker.m_hWnd, BM_CLICK, 0, 0);

    CColourPalettePopup* popup = CapturingPopup();
    ASSERT_NE(popup, nullptr) << "the popup holds the capture";
    HWND hPopup = popup->m_hWnd;
    EXPECT_EQ(picker.m_popupOpen, 1);
    const RECT button = picker.GetWindowRect();
    const RECT r = popup->GetWindowRect();
    EXPECT_EQ(r.left, button.left);
    EXPECT_EQ(r.top, button.bottom);
    EXPECT_EQ(popup->m_initialColour, kBlue);
    EXPECT_EQ(popup->m_initialCell, (GridCell{1, 5}));
    EXPECT_EQ(popup->m_moreText, "\x82\xBB\x82\xCC\x91\xBC...");
    EXPECT_EQ(::GetWindow(hPopup, GW_OWNER), m_parent.m_hWnd) << "owned by the picker's top-level window";
    ASSERT_EQ(m_parent.Kinds(), (std::vector<UINT>{WM_COLOUR_POPUP_OPENED}));
    EXPECT_EQ(m_parent.m_messages[0].colour, kBlue);
    EXPECT_EQ(m_parent.m_messages[0].lParam, static_cast<LPARAM>(kId));
    for (WPARAM command : m_parent.m_commands) EXPECT_NE(LOWORD(command), kId) << "the click is the picker's";

    GridRect cell;
    popup->GetCellRect(3, 1, cell);
    ::SendMessageA(hPopup, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 9, cell.top + 9));
    ::SendMessageA(hPopup, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(::IsWindow(hPopup));
    EXPECT_EQ(picker.GetColour(), kGold);
    EXPECT_EQ(picker.m_popupOpen, 0);
    EXPECT_EQ(m_parent.Kinds(), (std::vector<UINT>{WM_COLOUR_POPUP_OPENED, WM_COLOUR_HOT, WM_COLOUR_SET}));
    EXPECT_EQ(m_parent.m_messages[1].colour, kGold);
    EXPECT_EQ(m_parent.m_messages[2].colour, kGold);
}

TEST_F(PickerTest, EscapeInItsPopupKeepsTheColourAndTellsTheParent) {
    CColourPicker picker;
    picker.SetColour(kBlue);
    AttachButton(picker, 100, 20);
    ::SendMessageA(picker.m_hWnd, BM_CLICK, 0, 0);
    CColourPalettePopup* popup = CapturingPopup();
    ASSERT_NE(popup, nullptr);
    HWND hPopup = popup->m_hWnd;
    ::SendMessageA(hPopup, WM_KEYDOWN, VK_DOWN, 0);
    ::SendMessageA(hPopup, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(::IsWindow(hPopup));
    EXPECT_EQ(picker.GetColour(), kBlue);
    EXPECT_EQ(m_parent.Kinds(), (std::vector<UINT>{WM_COLOUR_POPUP_OPENED, WM_COLOUR_HOT, WM_COLOUR_SET,
                                                   WM_COLOUR_CANCEL}));
    EXPECT_EQ(m_parent.m_messages.back().colour, kBlue);
}

TEST_F(PickerTest, DisabledPickerShowsTheButtonFaceAndAnInactiveArrowButKeepsItsColour) {
    CColourPicker picker;
    picker.SetColour(kBlue);
    AttachButton(picker, 100, 20);
    const RECT client = picker.GetClientRect();
    const RECT swatch = Swatch(picker);
    const int cx = (swatch.left + swatch.right) / 2;
    const int cy = (swatch.top + swatch.bottom) / 2;

    Canvas enabled(client.right, client.bottom);
    PaintInto(picker, enabled);
    EXPECT_EQ(enabled.At(cx, cy), kBlue);
    EXPECT_EQ(enabled.Pixels(picker.m_arrowRect), ReferenceArrow(picker.m_arrowRect, 0));

    picker.EnableWindow(FALSE);
    Canvas disabled(client.right, client.bottom);
    PaintInto(picker, disabled);
    EXPECT_EQ(disabled.At(cx, cy), ::GetSysColor(COLOR_BTNFACE));
    const std::vector<COLORREF> inactive = ReferenceArrow(picker.m_arrowRect, DFCS_INACTIVE);
    EXPECT_NE(inactive, ReferenceArrow(picker.m_arrowRect, 0)) << "the two arrows must differ to tell";
    EXPECT_EQ(disabled.Pixels(picker.m_arrowRect), inactive);
    EXPECT_EQ(picker.GetColour(), kBlue);

    picker.EnableWindow(TRUE);
    Canvas again(client.right, client.bottom);
    PaintInto(picker, again);
    EXPECT_EQ(again.At(cx, cy), kBlue);
}

TEST_F(PickerTest, OpenPopupDrawsThePushedArrow) {
    CColourPicker picker;
    AttachButton(picker, 100, 20);
    const RECT client = picker.GetClientRect();
    picker.m_popupOpen = 1;
    Canvas canvas(client.right, client.bottom);
    PaintInto(picker, canvas);
    EXPECT_EQ(canvas.Pixels(picker.m_arrowRect), ReferenceArrow(picker.m_arrowRect, DFCS_PUSHED));
    picker.m_popupOpen = 0;
}

TEST_F(PickerTest, SwatchFillsEverythingLeftOfTheArrowUnlessThereIsACaption) {
    CColourPicker plain;
    plain.SetColour(RGB(255, 255, 255));
    AttachButton(plain, 100, 20);
    const RECT client = plain.GetClientRect();
    Canvas canvas(client.right, client.bottom);
    PaintInto(plain, canvas);
    for (COLORREF c : canvas.Pixels(Swatch(plain))) ASSERT_EQ(c, RGB(255, 255, 255));
    // The sunken frame around it.
    EXPECT_EQ(canvas.At(0, client.bottom / 2), ::GetSysColor(COLOR_BTNSHADOW));

    CColourPicker captioned;
    captioned.SetColour(RGB(255, 255, 255));
    AttachButton(captioned, 100, 20, "Ab");
    Canvas text(client.right, client.bottom);
    PaintInto(captioned, text);
    const std::vector<COLORREF> pixels = text.Pixels(Swatch(captioned));
    EXPECT_NE(std::find(pixels.begin(), pixels.end(), captioned.m_captionColour), pixels.end());

    captioned.EnableWindow(FALSE);
    Canvas grey(client.right, client.bottom);
    PaintInto(captioned, grey);
    const std::vector<COLORREF> greyPixels = grey.Pixels(Swatch(captioned));
    EXPECT_NE(std::find(greyPixels.begin(), greyPixels.end(), ::GetSysColor(COLOR_BTNSHADOW)), greyPixels.end());
    EXPECT_EQ(std::find(greyPixels.begin(), greyPixels.end(), captioned.m_captionColour), greyPixels.end());
}
