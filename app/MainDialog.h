#pragma once
#include <string>
#include <vector>

#include "framework/Dialog.h"

using CStringArray = std::vector<std::string>;

// The main window: a modeless dialog from template 102 holding the 3D screen, the command entry box
// and its label. Its object deletes itself when the window is gone (PostNcDestroy).
class CMainDialog : public CDialog {
public:
    // Creates the window; m_hWnd stays null when the template cannot be made into a window.
    explicit CMainDialog(CWnd* parent = nullptr);
    ~CMainDialog() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    // Members in this order: they are destroyed in reverse, the screen first.
    CStringArray m_History;
    int m_nHistoryIndex = 0;
    CStatic m_CommandLabel;
    CEdit m_CommandEdit;
    CStatic m_Screen;
    HICON m_hIcon = nullptr;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    bool OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    LRESULT OnSysCommand(WPARAM id, LPARAM lp);
    LRESULT OnPaint(WPARAM, LPARAM);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM type, LPARAM size);
    LRESULT OnDestroy(WPARAM, LPARAM);
};
