#include "colour/ColorSetDlg.h"

#include "res/resource.h"

CColorSetDlg::CColorSetDlg(CWnd* parent) : CDialog(IDD_COLOUR, parent) {}

CColorSetDlg::~CColorSetDlg() = default;

void CColorSetDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, IDC_COLOUR_BACK2, m_pickerBack2);
    DDX_Control(dx, IDC_COLOUR_TEXT, m_pickerText);
    DDX_Control(dx, IDC_COLOUR_BACK1, m_pickerBack1);
    DDX_Check(dx, IDC_COLOUR_GRADIENT, m_gradient);
}

BOOL CColorSetDlg::OnInitDialog() {
    CDialog::OnInitDialog();  // binds the pickers and shows the flag
    m_pickerBack2.EnableWindow(m_gradient != 0);
    return TRUE;
}

bool CColorSetDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    static const MessageEntry<CColorSetDlg> kTable[] = {
        OnCommand(IDC_COLOUR_GRADIENT, &CColorSetDlg::OnGradientClicked, BN_CLICKED),
    };
    return DispatchTable(*this, kTable, msg, wp, lp, result) || CDialog::OnWndMsg(msg, wp, lp, result);
}

void CColorSetDlg::OnGradientClicked() {
    UpdateData(TRUE);
    m_pickerBack2.EnableWindow(m_gradient != 0);
}
