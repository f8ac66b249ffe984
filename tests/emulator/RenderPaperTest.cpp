#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "emulator/rendering/Paper.h"
#include "emulator/rendering/PngWriter.h"
#include "tests/emulator/RenderHelpers.h"
#include "tests/support/PngFile.h"
#include "tests/support/TempDir.h"

using emu::PaperImage;
using emu::PrintEngine;
using rendertest::Feed;
using rendertest::InkBox;

namespace {

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

TEST(RenderPaper, FullCutHandsOverTheReceiptAndStartsAFreshOne) {
    PrintEngine engine;
    std::vector<PaperImage> pages;
    engine.SetPageCallback([&](const PaperImage& page) { pages.push_back(page); });
    Feed(engine, "A\n");
    engine.Cut(false, 50);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].width, 384);
    EXPECT_EQ(pages[0].height, 30 + 50);
    EXPECT_FALSE(InkBox(pages[0], 0, 24).Empty());
    EXPECT_FALSE(engine.HasContent());
    EXPECT_EQ(engine.Snapshot().height, 0);

    Feed(engine, "B");
    engine.Cut(false, 0);
    ASSERT_EQ(pages.size(), 2u) << "pending text is printed before the cut";
    EXPECT_EQ(pages[1].height, 30);
    engine.Cut(false, 0);
    EXPECT_EQ(pages.size(), 2u) << "cutting bare paper hands over nothing";
    EXPECT_EQ(engine.DotRowsPrinted(), 110u);
}

TEST(RenderPaper, AReceiptIsHandedOverAsItLookedFedOnPastItsLastDots) {
    PrintEngine engine;
    std::vector<PaperImage> pages;
    engine.SetPageCallback([&](const PaperImage& page) { pages.push_back(page); });
    Feed(engine, "A\n" + std::string(20, '\n'));  // 630 rows, dots only in the first few
    const PaperImage before = engine.Snapshot();
    engine.EndReceipt();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].height, 630);
    EXPECT_EQ(pages[0].gray, before.gray);
}

TEST(RenderPaper, PartialCutEndsTheReceiptWithAPerforation) {
    PrintEngine engine;
    std::vector<PaperImage> pages;
    engine.SetPageCallback([&](const PaperImage& page) { pages.push_back(page); });
    Feed(engine, "A\n");
    engine.Cut(true, 10);
    Feed(engine, "A\n");
    ASSERT_EQ(pages.size(), 1u) << "a partial cut ends the receipt as a full one does";
    const PaperImage& image = pages[0];
    EXPECT_EQ(image.height, 30 + 10 + 2) << "the perforation is the receipt's last rows";
    for (int y : {40, 41}) {
        EXPECT_EQ(image.At(0, y), 0);
        EXPECT_EQ(image.At(7, y), 0);
        EXPECT_EQ(image.At(9, y), 255) << "dashed, not solid";
        EXPECT_EQ(image.At(376, y), 0);
    }
    EXPECT_TRUE(InkBox(image, 30, 40).Empty());
    EXPECT_FALSE(InkBox(engine.Snapshot(), 0, 24).Empty()) << "the next receipt starts fresh";
    engine.Cut(true, 0);
    engine.Cut(true, 0);
    EXPECT_EQ(pages.size(), 2u) << "a cut right after a cut hands over nothing";
}

TEST(RenderPaper, OverlongReceiptIsCutAtTheLengthLimit) {
    PrintEngine engine;
    std::vector<int> heights;
    engine.SetPageCallback([&](const PaperImage& page) { heights.push_back(page.height); });
    for (int i = 0; i < 100; ++i) engine.FeedDots(255);
    EXPECT_EQ(heights, std::vector<int>(25500 / emu::Paper::kMaxRows, emu::Paper::kMaxRows));
    EXPECT_EQ(engine.Snapshot().height, 25500 % emu::Paper::kMaxRows);
    EXPECT_EQ(engine.DotRowsPrinted(), 25500u);
}

TEST(RenderPaper, LineNearTheLimitMovesWholeToTheNextReceipt) {
    PrintEngine engine;
    std::vector<PaperImage> pages;
    engine.SetPageCallback([&](const PaperImage& page) { pages.push_back(page); });
    for (int i = 0; i < (emu::Paper::kMaxRows - 10) / 255; ++i) engine.FeedDots(255);
    engine.FeedDots(static_cast<std::uint8_t>((emu::Paper::kMaxRows - 10) % 255));
    Feed(engine, "H\n");
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].height, emu::Paper::kMaxRows - 10);
    EXPECT_FALSE(InkBox(engine.Snapshot(), 0, 24).Empty());
}

TEST(RenderPaper, RasterModesPlaceEveryDot) {
    struct Case {
        std::uint8_t m;
        int sx, sy;
    };
    const std::uint8_t row[2] = {0x80, 0x41};  // dots 0, 9 and 15
    for (const Case c :
         {Case{0, 1, 1}, Case{1, 2, 1}, Case{2, 1, 2}, Case{3, 2, 2}, Case{'3', 2, 2}}) {
        PrintEngine engine;
        engine.RasterBegin(c.m, 2, 2);
        engine.RasterRow(row);
        engine.RasterRow(row);
        engine.RasterEnd();
        const PaperImage image = engine.Snapshot();
        ASSERT_EQ(image.height, 2 * c.sy) << int(c.m);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < 40; ++x) {
                const int dot = x / c.sx;
                const bool set = x < 16 * c.sx && (dot == 0 || dot == 9 || dot == 15);
                ASSERT_EQ(image.At(x, y), set ? 0 : 255)
                    << "m " << int(c.m) << " (" << x << ", " << y << ")";
            }
    }
}

TEST(RenderPaper, RasterIsClippedAlignedAndKeepsItsRowCount) {
    PrintEngine engine;
    const std::vector<std::uint8_t> wide(100, 0xFF);
    engine.RasterBegin(0, 100, 2);
    for (int i = 0; i < 5; ++i)
        engine.RasterRow(wide.data());  // rows beyond the header's count are ignored
    engine.RasterEnd();
    engine.SetAlignment(1);
    const std::uint8_t narrow[1] = {0xFF};
    engine.RasterBegin(0, 1, 1);
    engine.RasterRow(narrow);
    engine.RasterEnd();
    const PaperImage image = engine.Snapshot();
    ASSERT_EQ(image.height, 3);
    EXPECT_EQ(InkBox(image, 0, 2).left, 0);
    EXPECT_EQ(InkBox(image, 0, 2).right, 383);
    EXPECT_EQ(InkBox(image, 2, 3).left, (384 - 8) / 2);
    EXPECT_EQ(InkBox(image, 2, 3).right, (384 - 8) / 2 + 7);
}

TEST(RenderPaper, HostileRasterHeaderStreamsInBoundedMemory) {
    PrintEngine engine;
    int pages = 0;
    engine.SetPageCallback([&](const PaperImage&) { ++pages; });
    const std::vector<std::uint8_t> row(65535, 0xAA);
    const long before = ResidentKilobytes();
    engine.RasterBegin(0, 65535, 65535);
    for (int y = 0; y < 65535; ++y) engine.RasterRow(row.data());
    engine.RasterEnd();
    [[maybe_unused]] const long grown =
        ResidentKilobytes() - before;  // ASan quarantine inflates it
    EXPECT_EQ(pages, 65535 / emu::Paper::kMaxRows);
    EXPECT_EQ(engine.Snapshot().height, 65535 % emu::Paper::kMaxRows);
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(grown, 16 * 1024) << "resident memory grew by " << grown << " kB";
#endif
}

TEST(RenderPaper, WritePngReportsProblemsAsText) {
    testsupport::TempDir dir;
    PrintEngine engine;
    Feed(engine, "PNG\n");
    std::string error;
    EXPECT_TRUE(emu::WritePng(engine.Snapshot(), (dir / "ok.png").string(), &error)) << error;
    std::ifstream written(dir / "ok.png", std::ios::binary);
    char magic[8] = {};
    written.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");

    EXPECT_FALSE(emu::WritePng(engine.Snapshot(), (dir / "missing" / "x.png").string(), &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    EXPECT_FALSE(emu::WritePng(emu::PaperImage{}, (dir / "empty.png").string(), &error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
}

TEST(RenderPaper, PngKeepsEveryDotAtOneBitUnlessThePaperHoldsGray) {
    PrintEngine text;
    Feed(text, "Black and white\n");
    PrintEngine gray;
    gray.SetGrayLevel(4);
    Feed(gray, "Gray\n");
    PaperImage odd{13, 3, std::vector<std::uint8_t>(39, 255)};  // a row not whole bytes long
    for (int i : {0, 7, 8, 12, 13, 21, 38}) odd.gray[i] = 0;
    PaperImage oneGrayDot = odd;
    oneGrayDot.gray[24] = 128;  // past the last whole byte of its row
    struct Row {
        const char* name;
        PaperImage image;
        int bitDepth;
    };
    const Row rows[] = {
        {"text", text.Snapshot(), 1},
        {"gray level 4", gray.Snapshot(), 8},
        {"13 dots wide", odd, 1},
        {"one gray dot", oneGrayDot, 8},
    };
    for (const Row& row : rows) {
        std::vector<std::uint8_t> png;
        std::string error;
        ASSERT_TRUE(emu::EncodePng(row.image, &png, &error)) << row.name << ": " << error;
        // IHDR's bit depth, right after the signature, length, type and size.
        ASSERT_GT(png.size(), 24u) << row.name;
        EXPECT_EQ(png[24], row.bitDepth) << row.name;
        // Read back as 8-bit gray, as viewers and scanners see it.
        const testsupport::GrayPicture back = testsupport::ReadGrayPng(png);
        EXPECT_EQ(back.width, row.image.width) << row.name;
        EXPECT_EQ(back.height, row.image.height) << row.name;
        EXPECT_TRUE(back.pixels == row.image.gray) << row.name << ": the dots read back differ";
    }
}

}  // namespace
