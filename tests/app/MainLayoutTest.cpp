// The main window's layout (pure): at 96 DPI the template's sizes stand; with the larger fonts of 120,
// 144 and 192 DPI the label is as wide as its text, the box as tall as a line inside its border and
// right of the label, so nothing is clipped and nothing overlaps; the find bar's row comes off the
// screen.
#include <gtest/gtest.h>

#include "app/MainLayout.h"

namespace {

TEST(MainLayout, NothingIsClippedOrOverlapsAtAnyScaleAndTheTemplateStandsAt96Dpi) {
    struct Scale {
        int dpi, textHeight, labelText;
    };
    // The template's parts at 96 DPI (a 12-point font: lines of 16 pixels, "COMMAND" 66 pixels wide).
    for (const Scale sc : {Scale{96, 16, 66}, Scale{120, 20, 83}, Scale{144, 24, 99}, Scale{192, 32, 132}}) {
        MainLayoutInput in;
        in.cx = 600 * sc.dpi / 96;
        in.cy = 400 * sc.dpi / 96;
        // What the template gives (dialog units follow the font) but for the label's width, which the
        // measured text may outgrow.
        in.edit = {84 * sc.dpi / 96, 0, 206, 26 * sc.dpi / 96};
        in.label = {6 * sc.dpi / 96, 0, 70, 16 * sc.dpi / 96};
        in.textHeight = sc.textHeight;
        in.labelTextWidth = sc.labelText;
        in.editFrame = 8;
        const MainLayout out = LayOutMainWindow(in);
        SCOPED_TRACE(sc.dpi);
        EXPECT_GE(out.label.width, sc.labelText) << "the label's text is not clipped";
        EXPECT_GE(out.label.height, sc.textHeight);
        EXPECT_GE(out.edit.height, sc.textHeight + in.editFrame);
        EXPECT_GT(out.edit.left, out.label.left + out.label.width) << "the box starts right of the label";
        EXPECT_EQ(out.edit.top + out.edit.height, in.cy) << "the box lies on the bottom edge";
        EXPECT_LE(out.label.top + out.label.height, in.cy);
        EXPECT_EQ(out.screen.height, out.edit.top) << "the screen fills what is above the box";
        if (sc.dpi == 96) {
            EXPECT_EQ(out.edit.left, in.edit.left);
            EXPECT_EQ(out.edit.height, in.edit.height);
            EXPECT_EQ(out.label.width, in.label.width);
        }
        in.bFindBarOpen = true;
        const MainLayout bar = LayOutMainWindow(in);
        EXPECT_EQ(bar.findBarTop + bar.edit.height, bar.edit.top) << "the bar's row lies right above the box";
        EXPECT_EQ(bar.screen.height, bar.findBarTop);
    }
}

}  // namespace
