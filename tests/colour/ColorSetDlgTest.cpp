// The colour settings dialog, made from its template, run modally and driven from a timer.
#include <gtest/gtest.h>
#include <windows.h>

#include "ColourTestSupport.h"
#include "colour/ColorSetDlg.h"
#include "colour/ColourPalettePopup.h"
#include "res/resource.h"

namespace {

constexpr COLORREF kBack1 = RGB(0, 0, 94), kBack2 = RGB(127, 255, 212), kText = RGB(255, 255, 224);

void Fill(CColorSetDlg& dlg, int gradient) {
    dlg.m_pickerBack1.SetColour(kBack1);  // before the windows exist: only stored
    dlg.m_pickerBack2.SetColour(kBack2);
    dlg.m_pickerText.SetColour(kText);
    dlg.m_gradient = gradient;
}

// "checked, enabled": the gradient box and background colour 2's picker.
std::string State(HWND d) {
    const bool checked = ::SendDlgItemMessageA(d, IDC_COLOUR_GRADIENT, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool enabled = ::IsWindowEnabled(::GetDlgItem(d, IDC_COLOUR_BACK2)) != FALSE;
    return std::string(checked ? "checked" : "cleared") + (enabled ? ", enabled" : ", disabled");
}

// A click on control `id` as the dialog sees it (BM_CLICK would depend on the mouse capture, which
// other programs on the same Wine server can disturb): a check box toggles, then the notification.
void Click(HWND d, int id) {
    HWND control = ::GetDlgItem(d, id);
    if (id == IDC_COLOUR_GRADIENT) {
        const LRESULT checked = ::SendMessageA(control, BM_GETCHECK, 0, 0);
        ::SendMessageA(control, BM_SETCHECK, checked == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    ::SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

std::function<bool(HWND)> Press(int id) {
    return [id](HWND d) { return ::PostMessageA(d, WM_COMMAND, id, 0) != FALSE; };
}

}  // namespace

TEST(ColorSetDlg, TheBoxEnablesTheSecondColourAtOnce) {
    CColorSetDlg dlg;
    Fill(dlg, 0);
    std::vector<std::string> states;
    auto clickAndRecord = [&](HWND d) {
        Click(d, IDC_COLOUR_GRADIENT);
        states.push_back(State(d));
        return true;
    };
    const INT_PTR result = RunModal(dlg, {[&](HWND d) {
                                              states.push_back(State(d));
                                              return true;
                                          },
                                          clickAndRecord, clickAndRecord, clickAndRecord, Press(IDOK)});
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(states, (std::vector<std::string>{"cleared, disabled", "checked, enabled", "cleared, disabled",
                                                "checked, enabled"}));
    EXPECT_EQ(dlg.m_gradient, 1);
}

TEST(ColorSetDlg, AFlagOutsideZeroToTwoOpensClearedAndReadsBackZero) {
    for (int flag : {1, 7}) {
        CColorSetDlg dlg;
        Fill(dlg, flag);
        std::string atOpen;
        EXPECT_EQ(RunModal(dlg, {[&](HWND d) {
                                     atOpen = State(d);
                                     return true;
                                 },
                                 Press(IDOK)}),
                  IDOK);
        EXPECT_EQ(atOpen, flag == 1 ? "checked, enabled" : "cleared, disabled");
        EXPECT_EQ(dlg.m_gradient, flag == 1 ? 1 : 0);
    }
}

TEST(ColorSetDlg, OkWithoutChangesReturnsTheColoursItShowed) {
    CColorSetDlg dlg;
    Fill(dlg, 0);
    COLORREF shown[3] = {};
    EXPECT_EQ(RunModal(dlg, {[&](HWND d) {
                                 // On top of other programs' windows before its pixels are read.
                                 ::SetWindowPos(d, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
                                 const int ids[] = {IDC_COLOUR_BACK1, IDC_COLOUR_BACK2, IDC_COLOUR_TEXT};
                                 for (int i = 0; i < 3; ++i) {
                                     HWND picker = ::GetDlgItem(d, ids[i]);
                                     EXPECT_EQ(::GetWindowLongPtrA(picker, GWL_STYLE) & BS_TYPEMASK,
                                               BS_OWNERDRAW);
                                     ::UpdateWindow(picker);
                                     shown[i] = ClientPixel(picker, 8, 8);
                                 }
                                 return true;
                             },
                             Press(IDOK)}),
              IDOK);
    EXPECT_EQ(shown[0], kBack1);
    EXPECT_EQ(shown[1], ::GetSysColor(COLOR_BTNFACE)) << "disabled: the button face";
    EXPECT_EQ(shown[2], kText);
    EXPECT_EQ(dlg.m_pickerBack1.GetColour(), kBack1);
    EXPECT_EQ(dlg.m_pickerBack2.GetColour(), kBack2) << "a disabled picker keeps its colour";
    EXPECT_EQ(dlg.m_pickerText.GetColour(), kText);
}

TEST(ColorSetDlg, CancelEndsWithCancel) {
    CColorSetDlg dlg;
    Fill(dlg, 1);
    EXPECT_EQ(RunModal(dlg, {Press(IDCANCEL)}), IDCANCEL);
}

TEST(ColorSetDlg, APopupInsideTheDialogChangesItsPickerOnly) {
    CColorSetDlg dlg;
    Fill(dlg, 0);
    HWND popup = nullptr;
    const INT_PTR result =
        RunModal(dlg, {[](HWND d) {
                           Click(d, IDC_COLOUR_TEXT);
                           return true;
                       },
                       [&](HWND) {
                           CColourPalettePopup* p = OpenPopup();
                           if (p == nullptr) return false;
                           popup = p->m_hWnd;
                           GridRect red;
                           p->GetCellRect(2, 0, red);
                           // Queued, so both go through the dialog's loop and its pre-translation.
                           ::PostMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(red.left + 9, red.top + 9));
                           ::PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
                           return true;
                       },
                       [&](HWND) { return !::IsWindow(popup); }, Press(IDOK)});
    EXPECT_EQ(result, IDOK);
    EXPECT_NE(popup, nullptr);
    EXPECT_EQ(dlg.m_pickerText.GetColour(), RGB(255, 0, 0));
    EXPECT_EQ(dlg.m_pickerBack1.GetColour(), kBack1);
    EXPECT_EQ(dlg.m_pickerBack2.GetColour(), kBack2);
}

TEST(ColorSetDlg, TheWholeDialogWaitsWhileTheSystemChooserRuns) {
    CColorSetDlg dlg;
    Fill(dlg, 1);
    HWND popup = nullptr;
    HWND chooser = nullptr;
    BOOL dialogEnabled = TRUE;
    BOOL otherPickerEnabled = FALSE;
    const INT_PTR result = RunModal(
        dlg, {[](HWND d) {
                  Click(d, IDC_COLOUR_TEXT);
                  return true;
              },
              [&](HWND) {
                  CColourPalettePopup* p = OpenPopup();
                  if (p == nullptr) return false;
                  popup = p->m_hWnd;
                  // The button, then Enter: the system chooser, owned by the popup.
                  ::PostMessageA(popup, WM_MOUSEMOVE, 0, MAKELPARAM(p->m_moreRect.left, p->m_moreRect.top + 4));
                  ::PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
                  return true;
              },
              [&](HWND d) {
                  chooser = nullptr;
                  HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD);
                  for (; w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
                      if (::GetWindow(w, GW_OWNER) == popup && ::IsWindowVisible(w)) chooser = w;
                  }
                  if (chooser == nullptr) return false;
                  dialogEnabled = ::IsWindowEnabled(d);
                  otherPickerEnabled = ::IsWindowEnabled(::GetDlgItem(d, IDC_COLOUR_BACK1));
                  ::PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
                  return true;
              },
              [&](HWND) { return !::IsWindow(popup); }, Press(IDOK)});
    EXPECT_EQ(result, IDOK);
    EXPECT_NE(chooser, nullptr);
    EXPECT_FALSE(dialogEnabled) << "the dialog (its other pickers, OK and Cancel) took input under the chooser";
    EXPECT_TRUE(otherPickerEnabled) << "the picker itself keeps its state; its dialog takes no input";
    EXPECT_EQ(dlg.m_pickerText.GetColour(), kText) << "the chooser was cancelled";
    EXPECT_EQ(dlg.m_pickerText.m_popupOpen, 0);
}
