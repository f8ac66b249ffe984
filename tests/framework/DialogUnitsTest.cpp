#include <gtest/gtest.h>

#include "framework/DialogUnits.h"

namespace {

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        const char* name;
        int a, b, c, expected;
    } const cases[] = {
        {"exact", 8, 6, 4, 12},
        {"half rounds up", 57, 6, 4, 86},         // 85.5
        {"below half rounds down", 5, 13, 8, 8},  // 8.125
        {"negative half rounds away", -57, 6, 4, -86},
        {"negative divisor", 10, 3, -4, -8},  // -7.5
        {"zero divisor", 1, 1, 0, -1},
        {"no overflow in the product", 2000000000, 3, 4, 1500000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.name;
    }
}

TEST(DialogUnits, MapsEachCoordinateWithItsOwnBaseUnit) {
    struct Case {
        const char* name;
        int x, y, cx, cy;
        DialogBaseUnits units;
        PixelRect expected;
    } const cases[] = {
        {"open button, 6x13 font", 57, 6, 50, 14, {6, 13}, {86, 10, 75, 23}},
        {"open button, 6x16 font", 57, 6, 50, 14, {6, 16}, {86, 12, 75, 28}},
        {"whole dialog, 7x14 font", 0, 0, 258, 220, {7, 14}, {0, 0, 452, 385}},
        {"status box, 8x16 font", 21, 158, 30, 10, {8, 16}, {42, 316, 60, 20}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapDialogRect(c.x, c.y, c.cx, c.cy, c.units), c.expected) << c.name;
    }
}

}  // namespace
