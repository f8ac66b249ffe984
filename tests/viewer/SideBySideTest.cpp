#include <gtest/gtest.h>

#include "viewer/qt/SideBySide.h"

namespace {

TEST(SideBySide, BothWindowsFitOnCommonScreens) {
    struct Case {
        const char* name;
        QRect screen;
        bool fits;
    };
    const Case cases[] = {
        {"1366x768 below a panel", QRect(0, 0, 1366, 740), true},
        {"1600x1000", QRect(0, 0, 1600, 1000), true},
        {"1920x1080 right of a second screen", QRect(1920, 0, 1920, 1080), true},
        {"800x600 is too small", QRect(0, 0, 800, 600), false},
    };
    const QMargins decorations(1, 24, 1, 1);
    const QRect dialog(500, 150, 389, 465);  // where the window manager first put it
    const QSize preferred(1180, 680), minimum(700, 400);
    for (const Case& c : cases) {
        const SideBySidePlacement placed =
            PlaceSideBySide(c.screen, dialog, decorations, preferred, minimum);
        const QRect dialogNow(placed.dialogFrameAt, dialog.size());
        EXPECT_EQ(placed.fits, c.fits) << c.name;
        EXPECT_GE(placed.printerFrame.width(), minimum.width() + 2) << c.name;
        // Too small a screen: the windows overlap, but no frame leaves the screen.
        EXPECT_TRUE(c.screen.contains(placed.printerFrame)) << c.name;
        if (!c.fits) continue;
        EXPECT_TRUE(c.screen.contains(dialogNow)) << c.name;
        EXPECT_TRUE(c.screen.contains(placed.printerFrame)) << c.name;
        EXPECT_FALSE(dialogNow.intersects(placed.printerFrame)) << c.name;
        EXPECT_LE(placed.printerFrame.width(), preferred.width() + 2) << c.name;
    }
}

}  // namespace
