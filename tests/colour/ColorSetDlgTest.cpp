// The colour settings dialog, run modally from its template and driven from a timer.
#include <gtest/gtest.h>
#include <windows.h>

#include "ColourTestSupport.h"
#include "colour/ColorSetDlg.h"
#include "colour/ColourPalettePopup.h"
#include "res/resource.h"

namespace {

constexpr COLORREF kBack1 = RGB(0, 0, 94);
constexpr COLORREF kBack2 = RGB(127, 255, 212);
constexpr COLORREF kText = RGB(255, 255, 224);

void Fill(CColorSetDlg& dlg, int gradient) {
    dlg.m_pickerBack1.SetColour(kBack1);
    dlg.m_pickerBack2.SetColour(kBack2);
    dlg.m_pickerText.SetColour(kText);
    dlg.m_gradient = gradient;
}

bool Checked(HWND dialog) {
    return ::SendDlgItemMessageA(dialog, IDC_COLOUR_GRADIENT, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
bool Back2Enabled(HWND dialog) { return ::IsWindowEnabled(::GetDlgItem(dialog, IDC_COLOUR_BACK2)) != FALSE; }
void ClickGradient(HWND dialog) { ::SendDlgItemMessageA(dialog, IDC_COLOUR_GRADIENT, BM_CLICK, 0, 0); }

auto Press(int id) {
    return [id](HWND dialog) {
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
        return true;
    };
}

}  // namespace

TEST(ColorSetDlg, StartsWithDefaultsAndNoWindow) {
    CColorSetDlg dlg;
    EXPECT_EQ(dlg.m_nIDTemplate, static_cast<UINT>(IDD_COLOUR));
    EXPECT_EQ(dlg.m_gradient, 0);
    EXPECT_EQ(dlg.m_pickerBack1.GetColour(), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(dlg.m_pickerBack1.m_hWnd, nullptr);
}

TEST(ColorSetDlg, GradientOffDisablesTheSecondColourAndTheBoxSwitchesItAtOnce) {
    CColorSetDlg dlg;
    Fill(dlg, 0);
    bool atOpen = false, afterCheck = false, afterClear = false;
    ModalDriver driver;
    driver.steps = {
        [&](HWND d) {
            atOpen = !Checked(d) && !Back2Enabled(d);
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_COLOUR_BACK1)));
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_COLOUR_TEXT)));
            // The three buttons are pickers now: owner-drawn and fitted.
            for (int id : {IDC_COLOUR_BACK1, IDC_COLOUR_BACK2, IDC_COLOUR_TEXT}) {
                HWND b = ::GetDlgItem(d, id);
                EXPECT_EQ(::GetWindowLongPtrA(b, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << id;
            }
            EXPECT_EQ(dlg.m_pickerBack2.m_hWnd, ::GetDlgItem(d, IDC_COLOUR_BACK2));
            return true;
        },
        [&](HWND d) {
            ClickGradient(d);
            afterCheck = Checked(d) && Back2Enabled(d);
            EXPECT_EQ(dlg.m_gradient, 1);
            return true;
        },
        [&](HWND d) {
            ClickGradient(d);
            afterClear = !Checked(d) && !Back2Enabled(d);
            return true;
        },
        Press(IDOK),
    };
    EXPECT_EQ(RunModal(dlg, driver), IDOK);
    EXPECT_FALSE(driver.timedOut);
    EXPECT_TRUE(atOpen) << "box cleared and colour 2 disabled at open";
    EXPECT_TRUE(afterCheck) << "checking enables colour 2 at once";
    EXPECT_TRUE(afterClear) << "clearing disables it again";
    EXPECT_EQ(dlg.m_gradient, 0);
}

TEST(ColorSetDlg, GradientOnEnablesTheSecondColour) {
    CColorSetDlg dlg;
    Fill(dlg, 1);
    bool atOpen = false;
    ModalDriver driver;
    driver.steps = {[&](HWND d) {
                        atOpen = Checked(d) && Back2Enabled(d);
                        return true;
                    },
                    Press(IDOK)};
    EXPECT_EQ(RunModal(dlg, driver), IDOK);
    EXPECT_TRUE(atOpen);
    EXPECT_EQ(dlg.m_gradient, 1);
}

TEST(ColorSetDlg, AFlagOutsideZeroToTwoReadsBackAsZero) {
    CColorSetDlg dlg;
    Fill(dlg, 7);
    bool atOpen = false;
    ModalDriver driver;
    driver.steps = {[&](HWND d) {
                        atOpen = !Checked(d) && !Back2Enabled(d);
                        return true;
                    },
                    Press(IDOK)};
    EXPECT_EQ(RunModal(dlg, driver), IDOK);
    EXPECT_TRUE(atOpen);
    EXPECT_EQ(dlg.m_gradient, 0);
}

TEST(ColorSetDlg, OkWithoutChangesReturnsTheSameColoursAndShowsThem) {
    CColorSetDlg dlg;
    Fill(dlg, 0);
    COLORREF shown1 = 0, shownText = 0;
    ModalDriver driver;
    driver.steps = {[&](HWND d) {
                        // The first paint shows the colours set before the windows existed.
                        HWND b1 = ::GetDlgItem(d, IDC_COLOUR_BACK1);
                        HWND t = ::GetDlgItem(d, IDC_COLOUR_TEXT);
                        ::UpdateWindow(d);
                        RECT r;
                        ::GetClientRect(b1, &r);
                        shown1 = ClientPixel(b1, 8, r.bottom / 2);
                        shownText = ClientPixel(t, 8, r.bottom / 2);
                        return true;
                    },
                    Press(IDOK)};
    EXPECT_EQ(RunModal(dlg, driver), IDOK);
    EXPECT_EQ(shown1, kBack1);
    EXPECT_EQ(shownText, kText);
    EXPECT_EQ(dlg.m_pickerBack1.GetColour(), kBack1);
    EXPECT_EQ(dlg.m_pickerBack2.GetColour(), kBack2) << "a disabled picker keeps its colour";
    EXPECT_EQ(dlg.m_pickerText.GetColour(), kText);
    EXPECT_EQ(dlg.m_gradient, 0);
}

TEST(ColorSetDlg, CancelAndTheCloseBoxEndWithCancel) {
    CColorSetDlg dlg;
    Fill(dlg, 1);
    ModalDriver driver;
    driver.steps = {Press(IDCANCEL)};
    EXPECT_EQ(RunModal(dlg, driver), IDCANCEL);
    EXPECT_FALSE(driver.timedOut);

    CColorSetDlg closed;
    Fill(closed, 1);
    ModalDriver close;
    close.steps = {[](HWND d) {
        ::PostMessageA(d, WM_CLOSE, 0, 0);
        return true;
    }};
    EXPECT_EQ(RunModal(closed, close), IDCANCEL);
    EXPECT_FALSE(close.timedOut);
}

TEST(ColorSetDlg, PickingFromThePopupInsideTheDialogChangesThatColourOnly) {
    CColorSetDlg dlg;
    Fill(dlg, 0);
    HWND popupWindow = nullptr;
    ModalDriver driver;
    driver.steps = {
        [&](HWND d) {
            ::SendDlgItemMessageA(d, IDC_COLOUR_TEXT, BM_CLICK, 0, 0);
            return true;
        },
        [&](HWND) {
            CColourPalettePopup* popup = CapturingPopup();
            if (popup == nullptr) return false;
            popupWindow = popup->m_hWnd;
            EXPECT_EQ(popup->m_initialColour, kText);
            EXPECT_EQ(dlg.m_pickerText.m_popupOpen, 1);
            GridRect cell;
            popup->GetCellRect(2, 0, cell);  // red
            ::PostMessageA(popupWindow, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 9, cell.top + 9));
            ::PostMessageA(popupWindow, WM_KEYDOWN, VK_RETURN, 0);  // through the dialog's loop
            return true;
        },
        [&](HWND) { return !::IsWindow(popupWindow); },
        Press(IDOK),
    };
    EXPECT_EQ(RunModal(dlg, driver), IDOK);
    EXPECT_FALSE(driver.timedOut);
    EXPECT_NE(popupWindow, nullptr);
    EXPECT_EQ(dlg.m_pickerText.GetColour(), RGB(255, 0, 0));
    EXPECT_EQ(dlg.m_pickerText.m_popupOpen, 0);
    EXPECT_EQ(dlg.m_pickerBack1.GetColour(), kBack1);
    EXPECT_EQ(dlg.m_pickerBack2.GetColour(), kBack2);
}
