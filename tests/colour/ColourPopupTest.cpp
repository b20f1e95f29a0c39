// The palette popup on real windows: messages in, messages out, pixels, tooltips and its self-deletion.
#include <gtest/gtest.h>
#include <windows.h>

#include <colordlg.h>
#include <commctrl.h>

#include <cstring>
#include <new>

#include "ColourTestSupport.h"
#include "colour/ColourMessages.h"
#include "colour/ColourPalettePopup.h"
#include "res/Texts.h"

namespace {

// A popup that counts its deletions and lives in an arena that is poisoned when it is freed, so a test
// can see whether anything wrote into the object after it deleted itself. One at a time.
class ProbePopup : public CColourPalettePopup {
public:
    using CColourPalettePopup::CColourPalettePopup;
    ~ProbePopup() override { ++s_deleted; }

    static void* operator new(std::size_t size) {
        if (size > sizeof s_arena || s_inUse) throw std::bad_alloc();
        s_inUse = true;
        s_size = size;
        std::memset(s_arena, 0, sizeof s_arena);
        return s_arena;
    }
    static void operator delete(void*) {
        std::memset(s_arena, kPoison, s_size);
        s_inUse = false;
    }
    static bool PoisonIntact() {
        for (std::size_t i = 0; i < s_size; ++i) {
            if (s_arena[i] != kPoison) return false;
        }
        return true;
    }

    static constexpr unsigned char kPoison = 0xA5;
    static int s_deleted;
    static bool s_inUse;
    static std::size_t s_size;
    alignas(16) static unsigned char s_arena[8192];
};
int ProbePopup::s_deleted = 0;
bool ProbePopup::s_inUse = false;
std::size_t ProbePopup::s_size = 0;
alignas(16) unsigned char ProbePopup::s_arena[8192];

constexpr COLORREF kRed = RGB(255, 0, 0);         // entry 16, cell (2, 0)
constexpr COLORREF kNotInTable = RGB(1, 2, 3);

POINT CellCentre(const CColourPalettePopup& popup, int row, int column) {
    GridRect r;
    EXPECT_TRUE(popup.GetCellRect(row, column, r));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProbePopup::s_deleted = 0;
        ASSERT_TRUE(m_picker.IsWindow());
    }
    void TearDown() override {
        // A popup a test left open is closed, so the next test starts clean.
        if (m_popup != nullptr && ::IsWindow(m_hPopup)) ::SendMessageA(m_hPopup, WM_KEYDOWN, VK_ESCAPE, 0);
        ::ReleaseCapture();
        PumpPending();
    }

    // Opens a probe popup below the recording "picker".
    void Open(COLORREF initial, int x = 60, int y = 300) {
        m_popup = new ProbePopup(x, y, initial, &m_picker, kTextMoreColours);
        m_hPopup = m_popup->m_hWnd;
        ASSERT_NE(m_hPopup, nullptr);
        ::UpdateWindow(m_hPopup);
    }
    void Move(int x, int y) { ::SendMessageA(m_hPopup, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    void MoveToCell(int row, int column) {
        const POINT p = CellCentre(*m_popup, row, column);
        Move(p.x, p.y);
    }
    void Key(WPARAM key) { ::SendMessageA(m_hPopup, WM_KEYDOWN, key, 0); }
    // A real button release: the pointer is put at the screen point first, as the popup reads the
    // message's position.
    void ReleaseAt(int screenX, int screenY) {
        ::SetCursorPos(screenX, screenY);
        PumpPending();
        POINT client{screenX, screenY};
        ::ScreenToClient(m_hPopup, &client);
        ::PostMessageA(m_hPopup, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
        PumpPending();
    }
    bool Gone() const { return !::IsWindow(m_hPopup) && ProbePopup::s_deleted == 1; }

    CRecorder m_picker{true, 60, 260, 120, 40};
    ProbePopup* m_popup = nullptr;
    HWND m_hPopup = nullptr;
};

}  // namespace

TEST(PaletteTable, ValuesAndNamesAsTheProgramShowsThem) {
    EXPECT_EQ(kPaletteColours[0].colour, RGB(0, 0, 0));
    EXPECT_EQ(kPaletteColours[2].colour, RGB(0, 64, 64)) << "olive keeps its historical value";
    EXPECT_EQ(kPaletteColours[4].colour, RGB(0, 0, 94));
    EXPECT_EQ(kPaletteColours[39].colour, RGB(255, 255, 255));
    EXPECT_STREQ(kPaletteColours[0].name, "\x8D\x95");                      // black
    EXPECT_STREQ(kPaletteColours[2].name, "\xB5\xD8\xB0\xCC\xDE");          // half-width katakana
    EXPECT_STREQ(kPaletteColours[7].name, "80% \x8A" "D\x90" "F");          // one ASCII space
    EXPECT_STREQ(kPaletteColours[39].name, "\x94\x92");                     // white
    for (const PaletteColour& entry : kPaletteColours) {
        EXPECT_EQ(entry.colour >> 24, 0u);
        EXPECT_GT(std::strlen(entry.name), 0u);
    }
}

TEST(PaletteTable, NoTwoEntriesShareAColour) {
    // The popup marks the first entry of the starting colour, so each colour must be the only one.
    for (int i = 0; i < kPaletteColourCount; ++i) {
        for (int j = i + 1; j < kPaletteColourCount; ++j) {
            EXPECT_NE(kPaletteColours[i].colour, kPaletteColours[j].colour) << i << " and " << j;
        }
    }
}

TEST_F(PopupTest, ATableColourMarksItsOwnCell) {
    for (int i : {0, 21, 39}) {
        ProbePopup::s_deleted = 0;
        Open(kPaletteColours[i].colour);
        EXPECT_EQ(m_popup->m_initialCell, (GridCell{i / 8, i % 8})) << "entry " << i;
        EXPECT_EQ(m_popup->m_hotCell, NO_CELL);
        Key(VK_ESCAPE);
        EXPECT_TRUE(Gone());
    }
    EXPECT_EQ(m_picker.Count(WM_COLOUR_CANCEL), 3);
    EXPECT_EQ(m_picker.Count(WM_COLOUR_HOT), 0);
}

TEST_F(PopupTest, EnterBeforeAnyHighlightAcceptsTheInitialColour) {
    Open(kRed);
    EXPECT_EQ(::GetCapture(), m_hPopup);
    Key(VK_RETURN);
    ASSERT_EQ(m_picker.m_messages.size(), 1u);
    EXPECT_EQ(m_picker.m_messages[0].msg, WM_COLOUR_ACCEPT);
    EXPECT_EQ(m_picker.m_messages[0].colour, kRed);
    EXPECT_EQ(m_picker.m_messages[0].lParam, 0);
    EXPECT_TRUE(Gone());
    EXPECT_NE(::GetCapture(), m_hPopup);
}

TEST_F(PopupTest, EscapeRestoresTheInitialColourAfterBrowsing) {
    Open(kRed);
    MoveToCell(0, 0);
    Key(VK_RIGHT);
    EXPECT_EQ(m_popup->m_chosenColour, kPaletteColours[1].colour);
    Key(VK_ESCAPE);
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_HOT, WM_COLOUR_CANCEL}));
    EXPECT_EQ(m_picker.m_messages[0].colour, kPaletteColours[0].colour);
    EXPECT_EQ(m_picker.m_messages[1].colour, kPaletteColours[1].colour);
    EXPECT_EQ(m_picker.m_messages[2].colour, kRed);
    EXPECT_TRUE(Gone());
}

TEST_F(PopupTest, EachHighlightChangeIsReportedOnce) {
    Open(kRed);
    MoveToCell(1, 1);
    const POINT p = CellCentre(*m_popup, 1, 1);
    Move(p.x + 3, p.y + 3);      // same cell: no report
    MoveToCell(3, 4);            // another cell
    Move(m_popup->m_windowRect.Width() - 1, p.y);  // right margin: no target, the highlight stays
    Move(-200, -200);            // outside the popup (the capture delivers it): no target
    EXPECT_EQ(m_popup->m_hotCell, (GridCell{3, 4}));
    Move(20, 10);                // the button
    EXPECT_EQ(m_popup->m_hotCell, MORE_CELL);
    // The button reports the initial colour, and the colour to report stays the last cell's.
    EXPECT_EQ(m_popup->m_chosenColour, kPaletteColours[28].colour);
    Key(VK_DOWN);                // from the button to the top-left cell
    Key(VK_UP);                  // and back: an arrow key always reports, even to a cell seen before
    ASSERT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_HOT, WM_COLOUR_HOT, WM_COLOUR_HOT,
                                                   WM_COLOUR_HOT}));
    const COLORREF expected[] = {kPaletteColours[9].colour, kPaletteColours[28].colour, kRed,
                                 kPaletteColours[0].colour, kRed};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(m_picker.m_messages[i].colour, expected[i]) << i;
    for (const RecordedMessage& m : m_picker.m_messages) EXPECT_EQ(m.lParam, 0);
}

TEST_F(PopupTest, ArrowKeysFromNothingAndEnterAcceptsTheHighlightedCell) {
    Open(kNotInTable);
    Key(VK_LEFT);  // from nothing: the last cell
    EXPECT_EQ(m_popup->m_hotCell, (GridCell{4, 7}));
    Key(VK_DOWN);  // last row: the button
    Key(VK_DOWN);  // the button: the top-left cell
    Key(VK_RIGHT);
    Key(VK_RETURN);
    ASSERT_EQ(m_picker.m_messages.size(), 5u);
    EXPECT_EQ(m_picker.m_messages[0].colour, RGB(255, 255, 255));
    EXPECT_EQ(m_picker.m_messages[1].colour, kNotInTable);
    EXPECT_EQ(m_picker.m_messages.back().msg, WM_COLOUR_ACCEPT);
    EXPECT_EQ(m_picker.m_messages.back().colour, kPaletteColours[1].colour);
    EXPECT_TRUE(Gone());
}

TEST_F(PopupTest, ButtonReleaseInsideAcceptsAndOutsideCancels) {
    Open(kRed);
    MoveToCell(3, 2);
    const GridRect w = m_popup->m_windowRect;
    // The last pixel column inside the popup: the pointer is on the right margin (no target).
    ReleaseAt(w.right - 1, w.top + 60);
    ASSERT_TRUE(Gone());
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_ACCEPT}));
    EXPECT_EQ(m_picker.m_messages.back().colour, kPaletteColours[26].colour);

    ProbePopup::s_deleted = 0;
    m_picker.m_messages.clear();
    Open(kRed);
    MoveToCell(3, 2);
    ReleaseAt(m_popup->m_windowRect.right, m_popup->m_windowRect.top + 60);  // right is exclusive
    ASSERT_TRUE(Gone());
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_CANCEL}));
    EXPECT_EQ(m_picker.m_messages.back().colour, kRed);
}

TEST_F(PopupTest, OnlyTheInitialCellIsDrawnSunkenOnTheHighlightColour) {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(face, light);
    // A cell's outer edge pixel and the background pixel between its edge and its swatch.
    auto outerEdge = [&](int row, int column) {
        GridRect r;
        m_popup->GetCellRect(row, column, r);
        return ClientPixel(m_hPopup, r.left, r.top + m_popup->m_boxSize / 2);
    };
    auto background = [&](int row, int column) {
        GridRect r;
        m_popup->GetCellRect(row, column, r);
        return ClientPixel(m_hPopup, r.left + m_popup->m_margin, r.top + m_popup->m_boxSize / 2);
    };

    Open(kPaletteColours[9].colour);  // cell (1, 1)
    for (int i = 0; i < kPaletteColourCount; ++i) {
        const bool marked = i == 9;
        EXPECT_EQ(background(i / 8, i % 8), marked ? light : face) << "cell " << i;
        EXPECT_EQ(outerEdge(i / 8, i % 8), marked ? shadow : face) << "cell " << i;
    }
    Key(VK_ESCAPE);

    ProbePopup::s_deleted = 0;
    Open(kNotInTable);
    EXPECT_FALSE(m_popup->m_initialCell.IsGridCell());
    for (int i = 0; i < kPaletteColourCount; ++i) {
        EXPECT_EQ(background(i / 8, i % 8), face) << "cell " << i;
        EXPECT_EQ(outerEdge(i / 8, i % 8), face) << "cell " << i;
    }
    // The swatches show the table's colours.
    const POINT centre = CellCentre(*m_popup, 2, 5);
    EXPECT_EQ(ClientPixel(m_hPopup, centre.x, centre.y), kPaletteColours[21].colour);
    // Escape keeps a colour that is not in the table.
    Key(VK_ESCAPE);
    ASSERT_EQ(m_picker.m_messages.size(), 2u);
    EXPECT_EQ(m_picker.m_messages[1].colour, kNotInTable);
}

TEST_F(PopupTest, HighlightedCellIsRaisedAndThePreviousOneGoesBack) {
    Open(kNotInTable);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    ASSERT_NE(face, light);
    GridRect a, b;
    m_popup->GetCellRect(0, 2, a);
    m_popup->GetCellRect(0, 3, b);
    // A raised edge's inner top-left line is the highlight colour.
    const int y = a.top + m_popup->m_boxSize / 2;
    MoveToCell(0, 2);
    EXPECT_EQ(ClientPixel(m_hPopup, a.left + 1, y), light);
    MoveToCell(0, 3);
    EXPECT_EQ(ClientPixel(m_hPopup, a.left + 1, y), face) << "the previous cell is drawn plain again";
    EXPECT_EQ(ClientPixel(m_hPopup, b.left + 1, y), light);
    const GridRect more = m_popup->m_moreRect;
    EXPECT_EQ(ClientPixel(m_hPopup, more.left + 1, more.top + 3), face);
    Move(20, 10);  // the button: its caption area gets the raised edge
    EXPECT_EQ(ClientPixel(m_hPopup, b.left + 1, y), face);
    EXPECT_EQ(ClientPixel(m_hPopup, more.left + 1, more.top + 3), light);
    // The etched separator under the caption area, shadow over highlight.
    const int sepY = more.bottom - m_popup->m_margin - 2;
    EXPECT_EQ(ClientPixel(m_hPopup, 40, sepY), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(ClientPixel(m_hPopup, 40, sepY + 1), light);
    MoveToCell(0, 3);
    EXPECT_EQ(ClientPixel(m_hPopup, more.left + 1, more.top + 3), face);
}

TEST_F(PopupTest, OneResultEvenWhenKeysArriveWhileItEnds) {
    Open(kRed);
    int reentered = 0;
    m_picker.m_onColourMessage = [&](UINT msg, WPARAM) {
        if (msg != WM_COLOUR_ACCEPT || reentered++ > 0) return;
        // The popup still exists while the picker handles its result.
        ASSERT_TRUE(::IsWindow(m_hPopup));
        Key(VK_ESCAPE);
        Key(VK_RETURN);
        Move(10, 40);
    };
    MoveToCell(4, 0);
    Key(VK_RETURN);
    m_picker.m_onColourMessage = nullptr;
    EXPECT_EQ(m_picker.Kinds(), (std::vector<UINT>{WM_COLOUR_HOT, WM_COLOUR_ACCEPT}));
    EXPECT_EQ(m_picker.m_messages.back().colour, kPaletteColours[32].colour);
    EXPECT_TRUE(Gone());
}

TEST_F(PopupTest, DeletesItselfAndNothingTouchesItAfterwards) {
    // Each way of ending runs inside one of the popup's own handlers; the object must be freed only
    // when the handler and the framework's dispatch have let go of it.
    Open(kRed);
    Key(VK_RETURN);
    EXPECT_TRUE(Gone());
    EXPECT_TRUE(ProbePopup::PoisonIntact());

    ProbePopup::s_deleted = 0;
    Open(kRed);
    Key(VK_ESCAPE);
    EXPECT_TRUE(Gone());
    EXPECT_TRUE(ProbePopup::PoisonIntact());

    ProbePopup::s_deleted = 0;
    Open(kRed);
    ReleaseAt(0, 0);
    EXPECT_TRUE(Gone());
    EXPECT_TRUE(ProbePopup::PoisonIntact());
}

TEST(PopupOwner, DestroyingTheOwnerTakesThePopupWithoutAResult) {
    ProbePopup::s_deleted = 0;
    auto* owner = new CRecorder(true, 60, 260, 120, 40);
    auto* popup = new ProbePopup(60, 300, kRed, owner, kTextMoreColours);
    HWND hPopup = popup->m_hWnd;
    ASSERT_NE(hPopup, nullptr);
    EXPECT_EQ(::GetWindow(hPopup, GW_OWNER), owner->m_hWnd);
    owner->DestroyWindow();
    EXPECT_FALSE(::IsWindow(hPopup));
    EXPECT_EQ(ProbePopup::s_deleted, 1);
    EXPECT_TRUE(owner->m_messages.empty());
    delete owner;
}

TEST_F(PopupTest, TooltipsNameEachCell) {
    Open(kRed);
    ASSERT_NE(m_popup->m_toolTip, nullptr);
    EXPECT_EQ(::SendMessageA(m_popup->m_toolTip, TTM_GETTOOLCOUNT, 0, 0), kPaletteColourCount);
    for (int index : {0, 7, 14, 39}) {
        char text[80] = {};
        TTHITTESTINFOA hit{};
        hit.hwnd = m_hPopup;
        hit.pt = CellCentre(*m_popup, index / 8, index % 8);
        hit.ti.cbSize = TTTOOLINFOA_V2_SIZE;
        hit.ti.lpszText = text;
        ASSERT_TRUE(::SendMessageA(m_popup->m_toolTip, TTM_HITTESTA, 0, reinterpret_cast<LPARAM>(&hit)))
            << "cell " << index;
        EXPECT_STREQ(text, kPaletteColours[index].name) << "cell " << index;
    }
    // No tool over the button.
    TTHITTESTINFOA hit{};
    hit.hwnd = m_hPopup;
    hit.pt = {20, 10};
    hit.ti.cbSize = TTTOOLINFOA_V2_SIZE;
    EXPECT_FALSE(::SendMessageA(m_popup->m_toolTip, TTM_HITTESTA, 0, reinterpret_cast<LPARAM>(&hit)));
}

TEST_F(PopupTest, WindowTakesTheLaidOutRectangleAndStaysOnScreen) {
    const int screenW = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenH = ::GetSystemMetrics(SM_CYSCREEN);
    Open(kRed, 60, 300);
    RECT r;
    ::GetWindowRect(m_hPopup, &r);
    EXPECT_EQ(r.left, 60);
    EXPECT_EQ(r.top, 300);
    EXPECT_EQ(r.right - r.left, m_popup->m_windowRect.Width());
    EXPECT_EQ(r.bottom - r.top, m_popup->m_windowRect.Height());
    EXPECT_GE(r.right - r.left, 8 * m_popup->m_boxSize + 2 * m_popup->m_margin);
    Key(VK_ESCAPE);

    ProbePopup::s_deleted = 0;
    Open(kRed, screenW - 20, 300);
    ::GetWindowRect(m_hPopup, &r);
    EXPECT_EQ(r.right, screenW);
    Key(VK_ESCAPE);

    // Near the bottom it opens above its picker (40 pixels high), bottom edge on the picker's top.
    ProbePopup::s_deleted = 0;
    Open(kRed, 60, screenH - 10);
    ::GetWindowRect(m_hPopup, &r);
    EXPECT_EQ(r.bottom, screenH - 10 - 40);
}

namespace {
// Acts on the system colour chooser once it is up: sets its red, green and blue fields and confirms,
// or cancels it.
struct ChooserScript {
    bool confirm = true;
    COLORREF colour = 0;
    HWND owner = nullptr;
    bool seen = false;
};
ChooserScript g_chooser;

BOOL CALLBACK FindChooser(HWND hWnd, LPARAM found) {
    char cls[16] = {};
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && ::IsWindowVisible(hWnd)) {
        *reinterpret_cast<HWND*>(found) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ChooserTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindChooser, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr || g_chooser.seen) return;
    g_chooser.seen = true;
    g_chooser.owner = ::GetWindow(dialog, GW_OWNER);
    if (g_chooser.confirm) {
        ::SetDlgItemInt(dialog, COLOR_RED, GetRValue(g_chooser.colour), FALSE);
        ::SetDlgItemInt(dialog, COLOR_GREEN, GetGValue(g_chooser.colour), FALSE);
        ::SetDlgItemInt(dialog, COLOR_BLUE, GetBValue(g_chooser.colour), FALSE);
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    } else {
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}
}  // namespace

TEST_F(PopupTest, EnterOnTheButtonTakesTheColourFromTheSystemChooser) {
    g_chooser = {true, RGB(10, 20, 30)};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooserTick);
    Open(kRed);
    MoveToCell(1, 1);
    Key(VK_UP);
    Key(VK_UP);  // the button
    ASSERT_EQ(m_popup->m_hotCell, MORE_CELL);
    Key(VK_RETURN);  // runs the chooser until the timer confirms it
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(g_chooser.seen);
    EXPECT_EQ(g_chooser.owner, m_hPopup) << "the chooser is owned by the popup";
    ASSERT_FALSE(m_picker.m_messages.empty());
    EXPECT_EQ(m_picker.m_messages.back().msg, WM_COLOUR_ACCEPT);
    EXPECT_EQ(m_picker.m_messages.back().colour, RGB(10, 20, 30));
    EXPECT_EQ(m_picker.Count(WM_COLOUR_ACCEPT) + m_picker.Count(WM_COLOUR_CANCEL), 1);
    EXPECT_TRUE(Gone());
}

TEST_F(PopupTest, ACancelledChooserStillAcceptsWithTheInitialColour) {
    g_chooser = {false, 0};
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &ChooserTick);
    Open(kNotInTable);
    MoveToCell(2, 2);
    Move(20, 10);
    Key(VK_RETURN);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(g_chooser.seen);
    ASSERT_FALSE(m_picker.m_messages.empty());
    EXPECT_EQ(m_picker.m_messages.back().msg, WM_COLOUR_ACCEPT);
    EXPECT_EQ(m_picker.m_messages.back().colour, kNotInTable);
    EXPECT_TRUE(Gone());
}
