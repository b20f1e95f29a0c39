#pragma once
// Drives a modal dialog from inside its own modal loop: each step runs on a later tick of a thread timer,
// once the dialog window is up, so that the loop processes whatever the previous step caused before the
// next step looks. A step may end the dialog; when every step has run and the dialog is still open,
// it is cancelled so that a failing test cannot hang.
#include <windows.h>

#include <functional>
#include <vector>

#include "framework/Dialog.h"

using ModalStep = std::function<void(HWND dialog)>;

struct ModalScriptResult {
    INT_PTR result;   // what DoModal returned
    size_t stepsRun;  // how many steps ran before the dialog ended
};

namespace modal_script_detail {

struct State {
    CDialog* dlg;
    std::vector<ModalStep> steps;
    size_t next = 0;
};
inline State* g_state = nullptr;

inline void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    State& st = *g_state;
    HWND h = st.dlg->m_hWnd;
    if (h == nullptr || !::IsWindowVisible(h)) return;
    if (st.next < st.steps.size()) {
        st.steps[st.next++](h);
    } else {
        ::PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

}  // namespace modal_script_detail

inline ModalScriptResult RunModalScript(CDialog& dlg, std::vector<ModalStep> steps) {
    modal_script_detail::State state{&dlg, std::move(steps)};
    modal_script_detail::g_state = &state;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &modal_script_detail::Tick);
    const INT_PTR result = dlg.DoModal();
    ::KillTimer(nullptr, timer);
    modal_script_detail::g_state = nullptr;
    return {result, state.next};
}

// A click on a dialog's button, as the button itself reports it.
inline void ClickButton(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
