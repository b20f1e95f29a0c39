// The colour picker button on real windows: sizing, notifications, its popup and its painting.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "ColourTestSupport.h"
#include "colour/ColourMessages.h"
#include "colour/ColourPalettePopup.h"
#include "colour/ColourPicker.h"

namespace {

constexpr UINT kId = 1010;
constexpr COLORREF kBlue = RGB(0, 0, 255);  // entry 13, cell (1, 5)
constexpr COLORREF kGold = RGB(255, 215, 0);

class CountingPicker : public CColourPicker {
public:
    int m_paints = 0;

protected:
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        m_paints += msg == WM_PAINT ? 1 : 0;
        return CColourPicker::OnWndMsg(msg, wp, lp, result);
    }
};

// The pixels of a client rectangle of a visible window, read back from the screen.
std::vector<COLORREF> Pixels(HWND hWnd, const RECT& r) {
    std::vector<COLORREF> out;
    HDC dc = ::GetDC(hWnd);
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) out.push_back(::GetPixel(dc, x, y));
    }
    ::ReleaseDC(hWnd, dc);
    return out;
}

class PickerTest : public ::testing::Test {
protected:
    // A template-like push button taken over by `picker`.
    void Attach(CColourPicker& picker, int width, int height) {
        HWND button =
            ::CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 20, 30, width, height,
                              m_parent.m_hWnd, reinterpret_cast<HMENU>(UINT_PTR{kId}), nullptr, nullptr);
        ASSERT_TRUE(picker.SubclassWindow(button));
        ::UpdateWindow(button);
    }
    CRecorder m_parent{900, 500, 300, 160};
};

int ArrowSide() {
    return std::max({::GetSystemMetrics(SM_CXHTHUMB), ::GetSystemMetrics(SM_CYVTHUMB),
                     5 * ::GetSystemMetrics(SM_CXEDGE), 5 * ::GetSystemMetrics(SM_CYEDGE)});
}

}  // namespace

TEST_F(PickerTest, FitsItsHeightToTheArrowAndWidensOnlyANarrowButton) {
    const int ex = ::GetSystemMetrics(SM_CXEDGE), ey = ::GetSystemMetrics(SM_CYEDGE), s = ArrowSide();
    CColourPicker narrow, wide, created;
    Attach(narrow, 10, 30);
    Attach(wide, 130, 5);
    ASSERT_TRUE(created.Create("", WS_VISIBLE, RECT{5, 6, 15, 80}, &m_parent, 1011));
    for (CColourPicker* p : {&narrow, &wide, &created}) {
        EXPECT_EQ(p->GetStyle() & BS_TYPEMASK, DWORD{BS_OWNERDRAW});
        const RECT r = p->GetRectInParent();
        EXPECT_EQ(r.bottom - r.top, s + 2 * ey);
        EXPECT_EQ(r.right - r.left, p == &wide ? 130 : 2 * (s + ex));
        EXPECT_EQ(r.left, p == &created ? 5 : 20);
        const RECT expected{r.right - r.left - ex - s, ey, r.right - r.left - ex, s + ey};
        EXPECT_TRUE(::EqualRect(&p->m_arrowRect, &expected));
    }
    EXPECT_TRUE(narrow.GetStyle() & WS_TABSTOP) << "attaching removes no style";
}

TEST_F(PickerTest, AcceptingTheSameColourSendsNothingAndDoesNotRedraw) {
    CountingPicker picker;
    picker.SetColour(kBlue);
    Attach(picker, 100, 20);
    const int paints = picker.m_paints;
    picker.SendMessage(WM_COLOUR_ACCEPT, kBlue, 0);
    EXPECT_EQ(picker.m_paints, paints);
    EXPECT_TRUE(m_parent.m_messages.empty());

    picker.SendMessage(WM_COLOUR_ACCEPT, kGold, 0);  // another colour: redrawn at once, reported
    EXPECT_EQ(picker.GetColour(), kGold);
    EXPECT_EQ(picker.m_paints, paints + 1);
    ASSERT_EQ(m_parent.Kinds(), std::vector<UINT>{WM_COLOUR_SET});
    EXPECT_EQ(m_parent.m_messages[0].colour, kGold);
    EXPECT_EQ(m_parent.m_messages[0].lParam, LPARAM{kId});
}

TEST_F(PickerTest, CancelAlwaysRedrawsAndSendsSetThenCancel) {
    CountingPicker picker;
    picker.SetColour(kBlue);
    Attach(picker, 100, 20);
    const int paints = picker.m_paints;
    picker.m_popupOpen = 1;
    EXPECT_EQ(picker.SendMessage(WM_COLOUR_CANCEL, kBlue, 0), 1);
    EXPECT_EQ(picker.m_popupOpen, 0);
    EXPECT_EQ(picker.m_paints, paints + 1) << "redrawn although the colour is unchanged";
    EXPECT_EQ(m_parent.Kinds(), (std::vector<UINT>{WM_COLOUR_SET, WM_COLOUR_CANCEL}));
    for (const RecordedMessage& m : m_parent.m_messages) EXPECT_EQ(m.colour, kBlue);
    for (const RecordedMessage& m : m_parent.m_messages) EXPECT_EQ(m.lParam, LPARAM{kId});
}

TEST_F(PickerTest, ClickOpensThePopupBelowAndAChoiceComesBack) {
    CColourPicker picker;
    picker.SetColour(kBlue);
    Attach(picker, 100, 20);
    // The button's click notification, which its parent reflects to the picker.
    m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(kId, BN_CLICKED), reinterpret_cast<LPARAM>(picker.m_hWnd));
    CColourPalettePopup* popup = OpenPopup();
    ASSERT_NE(popup, nullptr);
    HWND hPopup = popup->m_hWnd;
    EXPECT_EQ(picker.m_popupOpen, 1);
    const RECT button = picker.GetWindowRect(), r = popup->GetWindowRect();
    EXPECT_EQ(r.left, button.left);
    EXPECT_EQ(r.top, button.bottom);
    EXPECT_EQ(popup->m_initialCell, (GridCell{1, 5}));
    ASSERT_EQ(m_parent.Kinds(), std::vector<UINT>{WM_COLOUR_POPUP_OPENED});
    EXPECT_EQ(m_parent.m_messages[0].colour, kBlue);
    for (WPARAM command : m_parent.m_commands) EXPECT_NE(LOWORD(command), kId) << "the click is the picker's";

    GridRect cell;
    popup->GetCellRect(3, 1, cell);  // gold
    ::SendMessageA(hPopup, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 9, cell.top + 9));
    ::SendMessageA(hPopup, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(::IsWindow(hPopup));
    EXPECT_EQ(picker.GetColour(), kGold);
    EXPECT_EQ(picker.m_popupOpen, 0);
    EXPECT_EQ(m_parent.Kinds(), (std::vector<UINT>{WM_COLOUR_POPUP_OPENED, WM_COLOUR_HOT, WM_COLOUR_SET}));
    for (const RecordedMessage& m : m_parent.m_messages) EXPECT_EQ(m.lParam, LPARAM{kId});
}

TEST_F(PickerTest, APopupClosedFromOutsideReleasesTheArrowAndTellsTheParent) {
    // WM_CLOSE (what Alt+F4 sends), the system's close, and the window destroyed by someone else.
    const std::function<void(HWND)> ends[] = {
        [](HWND p) { ::SendMessageA(p, WM_CLOSE, 0, 0); },
        [](HWND p) { ::SendMessageA(p, WM_SYSCOMMAND, SC_CLOSE, 0); },
        [](HWND p) { ::DestroyWindow(p); },
    };
    for (const auto& end : ends) {
        CColourPicker picker;
        picker.SetColour(kBlue);
        Attach(picker, 100, 20);
        m_parent.m_messages.clear();
        m_parent.SendMessage(WM_COMMAND, MAKEWPARAM(kId, BN_CLICKED), reinterpret_cast<LPARAM>(picker.m_hWnd));
        CColourPalettePopup* popup = OpenPopup();
        ASSERT_NE(popup, nullptr);
        HWND hPopup = popup->m_hWnd;
        GridRect cell;
        popup->GetCellRect(3, 1, cell);  // gold, highlighted but not chosen
        ::SendMessageA(hPopup, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 9, cell.top + 9));
        end(hPopup);
        EXPECT_FALSE(::IsWindow(hPopup));
        EXPECT_EQ(picker.m_popupOpen, 0) << "the arrow stays pushed";
        EXPECT_EQ(picker.GetColour(), kBlue);
        EXPECT_NE(::GetCapture(), hPopup);
        EXPECT_EQ(m_parent.Kinds(), (std::vector<UINT>{WM_COLOUR_POPUP_OPENED, WM_COLOUR_HOT, WM_COLOUR_SET,
                                                       WM_COLOUR_CANCEL}));
        ASSERT_FALSE(m_parent.m_messages.empty());
        EXPECT_EQ(m_parent.m_messages.back().colour, kBlue);
        picker.DestroyWindow();
    }
}

TEST_F(PickerTest, DisabledPickerPaintsTheButtonFaceAndAnInactiveArrowButKeepsItsColour) {
    CColourPicker picker;
    picker.SetColour(kBlue);
    Attach(picker, 100, 20);
    // Reference arrows, drawn by the system on the parent beside the picker.
    auto reference = [&](UINT state) {
        RECT r = picker.m_arrowRect;
        ::OffsetRect(&r, 150, 80);
        HDC dc = ::GetDC(m_parent.m_hWnd);
        ::DrawFrameControl(dc, &r, DFC_SCROLL, DFCS_SCROLLDOWN | state);
        ::ReleaseDC(m_parent.m_hWnd, dc);
        return Pixels(m_parent.m_hWnd, r);
    };
    auto show = [&](BOOL enable) {
        picker.EnableWindow(enable);
        ::UpdateWindow(picker.m_hWnd);
        return ClientPixel(picker.m_hWnd, 10, 10);  // inside the swatch
    };
    const std::vector<COLORREF> active = reference(0), inactive = reference(DFCS_INACTIVE);
    ASSERT_NE(active, inactive);

    EXPECT_EQ(ClientPixel(picker.m_hWnd, 10, 10), kBlue);
    EXPECT_EQ(Pixels(picker.m_hWnd, picker.m_arrowRect), active);
    EXPECT_EQ(show(FALSE), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(Pixels(picker.m_hWnd, picker.m_arrowRect), inactive);
    EXPECT_EQ(picker.GetColour(), kBlue);
    EXPECT_EQ(show(TRUE), kBlue);
}
