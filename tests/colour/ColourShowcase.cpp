// Not a test: opens the colour settings dialog with the text colour's palette popup shown and one cell
// highlighted under the pointer, and keeps it so for the number of seconds given as the first argument
// (default 5), so that a screenshot can be taken of the screen.
#include <windows.h>

#include <cstdlib>

#include "colour/ColorSetDlg.h"
#include "colour/ColourPalettePopup.h"
#include "res/resource.h"

namespace {
CColorSetDlg* g_dialog = nullptr;
int g_ticks = 0;
int g_lastTick = 50;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_dialog == nullptr || g_dialog->m_hWnd == nullptr) return;
    ++g_ticks;
    if (g_ticks == 3) ::SendDlgItemMessageA(g_dialog->m_hWnd, IDC_COLOUR_TEXT, BM_CLICK, 0, 0);
    if (g_ticks == 5) {
        HWND capture = ::GetCapture();
        if (auto* popup = dynamic_cast<CColourPalettePopup*>(CWnd::FromHandle(capture)); popup != nullptr) {
            // A real pointer move: it highlights the cell and, relayed to the tooltip, shows its name.
            GridRect cell;
            popup->GetCellRect(2, 4, cell);
            POINT p{cell.left + 9, cell.top + 9};
            ::ClientToScreen(capture, &p);
            ::SetCursorPos(p.x, p.y);
        }
    }
    if (g_ticks == g_lastTick) {
        if (HWND capture = ::GetCapture(); capture != nullptr)
            ::SendMessageA(capture, WM_KEYDOWN, VK_ESCAPE, 0);
        g_dialog->EndDialog(IDCANCEL);
    }
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    const int seconds = cmdLine != nullptr && *cmdLine != '\0' ? std::atoi(cmdLine) : 5;
    g_lastTick = 5 + seconds * 10;
    CColorSetDlg dlg;
    dlg.m_pickerBack1.SetColour(RGB(0, 0, 94));
    dlg.m_pickerBack2.SetColour(RGB(127, 255, 212));
    dlg.m_pickerText.SetColour(RGB(255, 255, 224));
    dlg.m_gradient = 1;
    g_dialog = &dlg;
    ::SetTimer(nullptr, 0, 100, &Tick);
    dlg.DoModal();
    return 0;
}
