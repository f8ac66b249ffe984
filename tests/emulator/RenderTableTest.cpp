#include <gtest/gtest.h>

#include "tests/emulator/RenderHelpers.h"

using emu::PaperImage;
using emu::PrintEngine;
using emu::TableCell;
using rendertest::Feed;
using rendertest::Gbk;
using rendertest::InkBox;

namespace {

TableCell Cell(std::uint8_t position, std::uint8_t format, const std::string& text) {
    return TableCell{position, format, std::vector<std::uint8_t>(text.begin(), text.end())};
}

bool RowBlack(const PaperImage& image, int y, int x0, int x1) {
    for (int x = x0; x < x1; ++x)
        if (image.At(x, y) != 0) return false;
    return true;
}

TEST(RenderTable, ConsecutiveRowsFormOneGrid) {
    PrintEngine engine;
    const std::vector<std::uint8_t> boundaries{0, 8, 16};
    engine.TableRow(boundaries, {Cell(1, 2, "HEAD"), Cell(9, 1, "data")});
    engine.TableRow(boundaries, {Cell(1, 2, "HEAD"), Cell(9, 1, "data")});
    const PaperImage image = engine.Snapshot();
    // Rules two dots thick: above the first row, between the rows (shared) and below the last.
    ASSERT_EQ(image.height, 2 + 32 + 2 + 32 + 2);
    for (int y : {0, 1, 34, 35, 68, 69}) EXPECT_TRUE(RowBlack(image, y, 0, 194)) << y;
    EXPECT_EQ(image.At(194, 0), 255) << "rules end at the last boundary";
    for (int x : {0, 1, 96, 97, 192, 193})
        for (int y = 0; y < image.height; ++y)
            ASSERT_EQ(image.At(x, y), 0) << "vertical rule at " << x << ", " << y;
    EXPECT_EQ(image.At(2, 10), 255);

    // Each cell's text starts at its column: 12 dots per column.
    const auto firstInk = [&](int x0, int x1) {
        for (int x = x0; x < x1; ++x)
            for (int y = 6; y < 30; ++y)
                if (image.At(x, y) < 255) return x;
        return -1;
    };
    EXPECT_GE(firstInk(2, 96), 12);
    EXPECT_LT(firstInk(2, 96), 16);
    EXPECT_GE(firstInk(98, 192), 108);
    EXPECT_LT(firstInk(98, 192), 112);
}

TEST(RenderTable, HeadingCellsAreBoldAndTextIsClippedToItsCell) {
    const auto render = [](std::uint8_t format, const std::string& text) {
        PrintEngine engine;
        engine.TableRow({0, 4, 8}, {Cell(1, format, text)});
        return engine.Snapshot();
    };
    const PaperImage data = render(1, "I");
    const PaperImage heading = render(2, "I");
    EXPECT_GT(rendertest::InkCount(heading), rendertest::InkCount(data));

    const PaperImage overlong = render(1, "IIIIIIIII");
    for (int y = 6; y < 30; ++y)
        for (int x = 50; x < 96; ++x)
            ASSERT_EQ(overlong.At(x, y), 255) << "text leaked past the rule at 48: " << x;
}

TEST(RenderTable, LeadingBlanksGiveWayToThePosition) {
    PrintEngine padded, plain;
    padded.TableRow({0, 8}, {Cell(2, 1, "  " + Gbk("数据") + "1")});
    plain.TableRow({0, 8}, {Cell(2, 1, Gbk("数据") + "1")});
    EXPECT_EQ(padded.Snapshot().gray, plain.Snapshot().gray);
}

TEST(RenderTable, TextAfterTheTableStartsBelowTheLastRule) {
    PrintEngine engine;
    engine.TableRow({0, 32}, {Cell(1, 1, "x")});
    Feed(engine, "_\n");
    const PaperImage image = engine.Snapshot();
    EXPECT_TRUE(RowBlack(image, 34, 0, 384));
    EXPECT_TRUE(RowBlack(image, 35, 0, 384));
    EXPECT_TRUE(RowBlack(image, 36 + 22, 2, 10)) << "the low line of the next text";
    EXPECT_EQ(image.At(20, 36 + 21), 255);
    EXPECT_EQ(image.height, 36 + 30);
}

}  // namespace
