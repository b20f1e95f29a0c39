#include "app/MainLayout.h"

namespace {

int Max(int a, int b) { return a > b ? a : b; }

// Room between the label's text and the box.
constexpr int kLabelGap = 4;
constexpr int kLabelBottomGap = 5;

}  // namespace

MainLayout LayOutMainWindow(const MainLayoutInput& in) {
    MainLayout out;
    const int labelWidth = Max(in.label.width, in.labelTextWidth + 2);
    const int labelHeight = Max(in.label.height, in.textHeight);
    const int editHeight = Max(in.edit.height, in.textHeight + in.editFrame);
    const int editLeft = Max(in.edit.left, in.label.left + labelWidth + kLabelGap);
    out.edit = {editLeft, in.cy - editHeight, in.cx, editHeight};
    out.label = {in.label.left, in.cy - labelHeight - kLabelBottomGap, labelWidth, labelHeight};
    out.findBarTop = in.cy - 2 * editHeight;
    const int bar = in.bFindBarOpen ? editHeight : 0;
    out.screen = {0, 0, in.cx, Max(0, in.cy - editHeight - bar)};
    return out;
}
