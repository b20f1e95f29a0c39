#pragma once
// CColorSetDlg: the modal dialog (template 134) in which the user picks the screen's two background
// colours and its text colour and switches the two-colour gradient background on or off.
//
// The caller sets the pickers' colours (SetColour) and m_gradient before DoModal and reads them back
// after IDOK; the dialog itself keeps background colour 2's picker enabled exactly while the gradient
// box is checked.
#include "colour/ColourPicker.h"
#include "framework/Dialog.h"

class CColorSetDlg : public CDialog {
public:
    explicit CColorSetDlg(CWnd* parent = nullptr);
    ~CColorSetDlg() override;

    CColourPicker m_pickerBack2;  // button 1012: background colour 2 (the gradient's second colour)
    CColourPicker m_pickerText;   // button 1011: text colour
    CColourPicker m_pickerBack1;  // button 1010: background colour 1
    int m_gradient = 0;           // check box 1015: 1 = gradient background, 0 = plain colour 1

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    void OnGradientClicked();
};
