#pragma once
// Thin wrappers for the system's font chooser and colour chooser, run modally over the application's
// main window when no owner is given.
#include <windows.h>

#include <commdlg.h>

class CFontDialog {
public:
    // `initial` may be null; `flags` are ChooseFont's (CF_...).
    CFontDialog(const LOGFONTA* initial, DWORD flags, HWND owner = nullptr);
    // IDOK when the user chose a font, IDCANCEL otherwise.
    INT_PTR DoModal();
    const LOGFONTA& GetLogFont() const { return m_lf; }

    CHOOSEFONTA m_cf{};

private:
    LOGFONTA m_lf{};
};

class CColorDialog {
public:
    // `flags` are ChooseColor's (CC_...); CC_RGBINIT is added when `initial` is not 0.
    CColorDialog(COLORREF initial, DWORD flags, HWND owner = nullptr);
    INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLORA m_cc{};
    // One list of 16 custom colours for the whole process, kept between uses of the chooser.
    static COLORREF s_customColours[16];
};
