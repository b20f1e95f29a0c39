// The palette popup on real windows: messages in, messages out, what it draws, and its self-deletion.
#include <gtest/gtest.h>
#include <windows.h>

#include <colordlg.h>

#include <cstring>
#include <new>

#include "ColourTestSupport.h"
#include "colour/ColourMessages.h"
#include "colour/ColourPalettePopup.h"
#include "res/Texts.h"

namespace {

// A popup in an arena that is poisoned when the popup frees itself, so a test sees whether anything
// still wrote into the object afterwards. One at a time.
class ProbePopup : public CColourPalettePopup {
public:
    using CColourPalettePopup::CColourPalettePopup;
    static void* operator new(std::size_t size) {
        if (size > sizeof s_arena) throw std::bad_alloc();
        s_size = size;
        s_freed = false;
        return s_arena;
    }
    static void operator delete(void*) {
        std::memset(s_arena, 0xA5, s_size);
        s_freed = true;
    }
    // Freed, and not written to since.
    static bool FreedCleanly() {
        for (std::size_t i = 0; i < s_size; ++i) {
            if (s_arena[i] != 0xA5) return false;
        }
        return s_freed;
    }
    static inline bool s_freed = false;
    static inline std::size_t s_size = 0;
    alignas(16) static inline unsigned char s_arena[8192];
};

constexpr COLORREF kRed = RGB(255, 0, 0);  // entry 16, cell (2, 0)
constexpr COLORREF kNotInTable = RGB(1, 2, 3);
COLORREF Entry(int i) { return kPaletteColours[i].colour; }

class PopupTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (::IsWindow(m_hPopup)) Key(VK_ESCAPE);  // a failed test leaves no popup behind
    }
    void Open(COLORREF initial) {
        m_popup = new ProbePopup(900, 740, initial, &m_picker, kTextMoreColours);
        m_hPopup = m_popup->m_hWnd;
        ASSERT_NE(m_hPopup, nullptr);
        ::SetWindowPos(m_hPopup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::UpdateWindow(m_hPopup);
    }
    GridRect Cell(int row, int column) const {
        GridRect r;
        EXPECT_TRUE(m_popup->GetCellRect(row, column, r));
        return r;
    }
    void Move(int x, int y) { ::SendMessageA(m_hPopup, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    void MoveToCell(int row, int column) { Move(Cell(row, column).left + 9, Cell(row, column).top + 9); }
    void Key(WPARAM key) { ::SendMessageA(m_hPopup, WM_KEYDOWN, key, 0); }
    // A real release: the popup takes the position from the queued message, which is the pointer's when
    // it is posted. Posted at once, as other programs on the same Wine server may move the pointer too.
    void ReleaseAt(int screenX, int screenY) {
        ::SetCursorPos(screenX, screenY);
        ::PostMessageA(m_hPopup, WM_LBUTTONUP, 0, 0);
        PumpPending();
    }
    // The background pixel between a cell's 2-pixel edge and its swatch.
    COLORREF CellBackground(int i) {
        return ClientPixel(m_hPopup, Cell(i / 8, i % 8).left + 2, Cell(i / 8, i % 8).top + 9);
    }

    CRecorder m_picker{900, 700, 120, 40};
    ProbePopup* m_popup = nullptr;
    HWND m_hPopup = nullptr;
};

}  // namespace

TEST(PaletteTable, NoTwoEntriesShareAColour) {
    // The popup marks the first entry of the starting colour, which must be the only one.
    for (int i = 0; i < kPaletteColourCount; ++i) {
        for (int j = i + 1; j < kPaletteColourCount; ++j) EXPECT_NE(Entry(i), Entry(j)) << i << ", " << j;
    }
}

TEST_F(PopupTest, EnterBeforeAnyHighlightAcceptsTheInitialColourAndTheObjectGoes) {
    Open(kRed);
    EXPECT_EQ(m_popup->m_initialCell, (GridCell{2, 0}));
    EXPECT_EQ(::GetCapture(), m_hPopup);
    Key(VK_RETURN);
    ASSERT_EQ(m_picker.m_messages.size(), 1u);
    EXPECT_EQ(m_picker.m_messages[0].msg, WM_COLOUR_ACCEPT);
    EXPECT_EQ(m_picker.m_messages[0].colour, kRed);
    EXPECT_EQ(m_picker.m_messages[0].lParam, 0);
    EXPECT_FALSE(::IsWindow(m_hPopup));
    EXPECT_TRUE(ProbePopup::FreedCleanly()) << "deleted inside its own handler, then written to";
}

TEST_F(PopupTest, EachHighlightChangeIsReportedAndEscapeRestoresTheInitialColour) {
    Open(kRed);
    MoveToCell(1, 1);
    Move(Cell(1, 1).left + 14, Cell(1, 1).top + 3);  // same cell: no report
    MoveToCell(3, 4);
    Move(m_popup->m_windowRect.Width() - 1, 60);  // right margin: no target, the highlight stays
    Move(-200, -200);                             // outside (the capture delivers it): no target
    EXPECT_EQ(m_popup->m_hotCell, (GridCell{3, 4}));
    Move(20, 10);  // the button reports the initial colour; the colour to report stays the cell's
    EXPECT_EQ(m_popup->m_chosenColour, Entry(28));
    Key(VK_DOWN);  // to the top-left cell
    Key(VK_UP);    // back to the button: an arrow key always reports
    Key(VK_ESCAPE);
    const std::vector<UINT> kinds{WM_COLOUR_HOT, WM_COLOUR_HOT, WM_COLOUR_HOT,
                                  WM_COLOUR_HOT, WM_COLOUR_HOT, WM_COLOUR_CANCEL};
    ASSERT_EQ(m_picker.Kinds(), kinds);
    const COLORREF colours[] = {Entry(9), Entry(28), kRed, Entry(0), kRed, kRed};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(m_picker.m_messages[i].colour, colours[i]) << i;
    EXPECT_TRUE(ProbePopup::FreedCleanly());
}

TEST_F(PopupTest, ButtonReleaseInsideAcceptsTheLastHighlightOutsideCancels) {
    Open(kRed);
    MoveToCell(3, 2);
    ReleaseAt(m_popup->m_windowRect.right - 1, m_popup->m_windowRect.top + 60);  // right margin
    ASSERT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_ACCEPT}));
    EXPECT_EQ(m_picker.m_messages.back().colour, Entry(26));

    m_picker.m_messages.clear();
    Open(kRed);
    MoveToCell(3, 2);
    ReleaseAt(m_popup->m_windowRect.right, m_popup->m_windowRect.top + 60);  // right is exclusive
    ASSERT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_CANCEL}));
    EXPECT_EQ(m_picker.m_messages.back().colour, kRed);
    EXPECT_TRUE(ProbePopup::FreedCleanly());
}

TEST_F(PopupTest, OnlyTheInitialCellIsMarkedAndAColourOutsideTheTableMarksNone) {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(face, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    Open(Entry(9));
    for (int i = 0; i < kPaletteColourCount; ++i) {
        EXPECT_EQ(CellBackground(i), i == 9 ? ::GetSysColor(COLOR_BTNHIGHLIGHT) : face) << i;
    }
    Key(VK_ESCAPE);

    Open(kNotInTable);
    EXPECT_FALSE(m_popup->m_initialCell.IsGridCell());
    for (int i = 0; i < kPaletteColourCount; ++i) EXPECT_EQ(CellBackground(i), face) << i;
    EXPECT_EQ(ClientPixel(m_hPopup, Cell(2, 5).left + 9, Cell(2, 5).top + 9), Entry(21)) << "the swatch";
    MoveToCell(0, 0);
    Key(VK_ESCAPE);  // keeps the colour that is not in the table
    EXPECT_EQ(m_picker.m_messages.back().msg, WM_COLOUR_CANCEL);
    EXPECT_EQ(m_picker.m_messages.back().colour, kNotInTable);
}

TEST_F(PopupTest, EveryEndFromOutsideIsOneCancel) {
    Open(kRed);
    MoveToCell(1, 1);
    ::SendMessageA(m_hPopup, WM_CLOSE, 0, 0);
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_CANCEL}));
    EXPECT_EQ(m_picker.m_messages.back().colour, kRed);
    EXPECT_FALSE(::IsWindow(m_hPopup));
    EXPECT_NE(::GetCapture(), m_hPopup);
    EXPECT_TRUE(ProbePopup::FreedCleanly());

    m_picker.m_messages.clear();
    Open(kRed);
    MoveToCell(3, 3);
    ::DestroyWindow(m_hPopup);
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_CANCEL}));
    EXPECT_EQ(m_picker.m_messages.back().colour, kRed);
    EXPECT_NE(::GetCapture(), m_hPopup);
    EXPECT_TRUE(ProbePopup::FreedCleanly());

    // A close that reaches the popup while its picker handles the result changes nothing.
    m_picker.m_messages.clear();
    Open(kRed);
    m_picker.m_onColourMessage = [this](UINT msg) {
        if (msg == WM_COLOUR_ACCEPT && ::IsWindow(m_hPopup)) ::SendMessageA(m_hPopup, WM_CLOSE, 0, 0);
    };
    MoveToCell(0, 2);
    Key(VK_RETURN);
    m_picker.m_onColourMessage = nullptr;
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_ACCEPT}));
    EXPECT_TRUE(ProbePopup::FreedCleanly());
}

TEST_F(PopupTest, OneResultEvenWhenMessagesArriveWhileItEnds) {
    Open(kRed);
    m_picker.m_onColourMessage = [this](UINT msg) {
        if (msg != WM_COLOUR_ACCEPT || !::IsWindow(m_hPopup)) return;
        Key(VK_ESCAPE);  // the popup still exists while the picker handles its result
        Key(VK_RETURN);
        Move(10, 40);
    };
    MoveToCell(4, 0);
    Key(VK_RETURN);
    m_picker.m_onColourMessage = nullptr;
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_ACCEPT}));
    EXPECT_EQ(m_picker.m_messages.back().colour, Entry(32));
    EXPECT_TRUE(ProbePopup::FreedCleanly());
}

namespace {
// Once the system colour chooser is up, notes its owner and whether the owner's own owner takes input,
// sets red 10, green 20, blue 30 and confirms.
HWND g_chooserOwner = nullptr;
HWND g_popupOwner = nullptr;
BOOL g_popupOwnerEnabled = TRUE;
BOOL CALLBACK ConfirmChooser(HWND hWnd, LPARAM) {
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || !::IsWindowVisible(hWnd) || g_chooserOwner != nullptr) return TRUE;
    g_chooserOwner = ::GetWindow(hWnd, GW_OWNER);
    g_popupOwner = ::GetWindow(g_chooserOwner, GW_OWNER);
    g_popupOwnerEnabled = ::IsWindowEnabled(g_popupOwner);
    ::SetDlgItemInt(hWnd, COLOR_RED, 10, FALSE);
    ::SetDlgItemInt(hWnd, COLOR_GREEN, 20, FALSE);
    ::SetDlgItemInt(hWnd, COLOR_BLUE, 30, FALSE);
    ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return FALSE;
}
void CALLBACK ChooserTick(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &ConfirmChooser, 0);
}
}  // namespace

TEST_F(PopupTest, EnterOnTheButtonTakesTheColourFromTheSystemChooser) {
    g_chooserOwner = nullptr;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooserTick);
    Open(kRed);
    Key(VK_UP);  // from nothing to (4, 0), then up to the top row and the button
    for (int i = 0; i < 5; ++i) Key(VK_UP);
    ASSERT_EQ(m_popup->m_hotCell, MORE_CELL);
    Key(VK_RETURN);  // runs the chooser until the timer confirms it
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_chooserOwner, m_hPopup);
    // Nothing under the chooser takes input while it runs: not the popup, not what the popup hangs from.
    EXPECT_EQ(g_popupOwner, m_picker.m_hWnd);
    EXPECT_FALSE(g_popupOwnerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(m_picker.m_hWnd)) << "enabled again afterwards";
    EXPECT_EQ(m_picker.m_messages.back().msg, WM_COLOUR_ACCEPT);
    EXPECT_EQ(m_picker.m_messages.back().colour, RGB(10, 20, 30));
    EXPECT_TRUE(ProbePopup::FreedCleanly());
}
