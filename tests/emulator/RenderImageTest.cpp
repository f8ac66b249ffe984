#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulator/barcodes/MatrixCode.h"
#include "tests/emulator/RenderHelpers.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/TempDir.h"

using emu::PaperImage;
using emu::PrintEngine;
using rendertest::Black;
using rendertest::InkBox;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(RenderImage, BitImageDotsFollowTheMode) {
    struct Case {
        std::uint8_t mode;
        std::vector<std::uint8_t> column;
        rendertest::Box dots;  // inclusive
    };
    const Case cases[] = {
        {0, {0x80}, {0, 0, 1, 2}},                // 8-dot single density: 2 wide, 3 high
        {1, {0x01}, {0, 21, 0, 23}},              // 8-dot double density: 1 wide, 3 high
        {32, {0x80, 0x00, 0x00}, {0, 0, 1, 0}},   // 24-dot single density: 2 wide
        {33, {0x00, 0x00, 0x01}, {0, 23, 0, 23}}  // 24-dot double density: one dot
    };
    for (const Case& c : cases) {
        PrintEngine engine;
        engine.BitImage(c.mode, 1, c.column);
        engine.LineFeed();
        const auto box = InkBox(engine.Snapshot());
        EXPECT_EQ((std::vector<int>{box.left, box.top, box.right, box.bottom}),
                  (std::vector<int>{c.dots.left, c.dots.top, c.dots.right, c.dots.bottom}))
            << "mode " << int(c.mode);
    }
}

TEST(RenderImage, StripesJoinWhenTheLineSpacingAllows) {
    struct Case {
        int spacing;  // -1: the default
        bool join;
    };
    for (const Case c : {Case{0, true}, Case{24, true}, Case{-1, false}}) {
        PrintEngine engine;
        if (c.spacing >= 0) engine.SetLineSpacing(static_cast<std::uint8_t>(c.spacing));
        for (int stripe = 0; stripe < 2; ++stripe) {
            engine.BitImage(33, 8, std::vector<std::uint8_t>(8 * 3, 0xFF));
            engine.LineFeed();
        }
        const PaperImage image = engine.Snapshot();
        EXPECT_EQ(Black(image, 4, 24), c.join) << c.spacing;
        EXPECT_TRUE(Black(image, 4, 23) && Black(image, 4, c.join ? 47 : 53)) << c.spacing;
    }
}

TEST(RenderImage, TwoDimensionalCodesDrawEveryModuleCentred) {
    const std::vector<std::uint8_t> data = Bytes("CE_MOLV 2D 0123456789");
    for (emu::MatrixCode code :
         {emu::MatrixCode::Qr, emu::MatrixCode::Pdf417, emu::MatrixCode::MaxiCode,
          emu::MatrixCode::Aztec, emu::MatrixCode::DataMatrix}) {
        emu::MatrixCodeSettings settings;
        settings.maxiMode = 4;  // standard symbol: no carrier message first
        const emu::MatrixSymbol symbol = emu::EncodeMatrixCode(code, settings, data);
        ASSERT_TRUE(symbol.matrix) << emu::MatrixCodeName(code) << ": " << symbol.description;
        const emu::DotMatrix& m = *symbol.matrix;
        PrintEngine engine;
        engine.SetAlignment(1);
        EXPECT_EQ(engine.PrintMatrix(m), "") << emu::MatrixCodeName(code);
        const PaperImage image = engine.Snapshot();
        const int left = (384 - m.WidthDots()) / 2;
        int wrong = 0;
        for (int y = 0; y < m.HeightDots(); ++y)
            for (int x = 0; x < 384; ++x) {
                const bool inside = x >= left && x < left + m.WidthDots();
                const bool dark = inside && m.Dark((x - left) / m.moduleWidth, y / m.moduleHeight);
                wrong += Black(image, x, y) != dark;
            }
        EXPECT_EQ(wrong, 0) << emu::MatrixCodeName(code);
        EXPECT_EQ(image.height, m.HeightDots()) << emu::MatrixCodeName(code);
    }
}

TEST(RenderImage, QrCodeScansAtEveryLevel) {
    for (int level = 1; level <= 4; ++level) {
        emu::MatrixCodeSettings settings;
        settings.qrLevel = level;
        settings.qrModule = 4;
        const emu::MatrixSymbol symbol =
            emu::EncodeMatrixCode(emu::MatrixCode::Qr, settings, Bytes("https://example.com/q"));
        ASSERT_TRUE(symbol.matrix);
        PrintEngine engine;
        engine.FeedDots(16);  // a quiet zone above
        engine.PrintMatrix(*symbol.matrix);
        engine.FeedDots(16);
        testsupport::TempDir dir;
        const std::string path = (dir / "qr.png").string();
        ASSERT_TRUE(emu::WritePng(engine.Snapshot(), path, nullptr));
        EXPECT_EQ(testsupport::ScanBarcodes(path), "QR-Code:https://example.com/q") << level;
    }
}

// The stacked GS1 DataBars (GS ( k cn 51) scan and have the symbology's shape: Stacked 50
// modules by 5 + 1 + 7, Stacked Omnidirectional 50 by 33 + 3 + 33, Expanded Stacked 49 modules a
// segment pair and 4 of guards, its rows 34 high with 3 between.
TEST(RenderImage, StackedDataBarsScanInTheirShape) {
    struct Case {
        const char* name;
        std::uint8_t type;
        std::string data;
        int maxWidth;  // dots; 0 leaves the printer's default
        const char* scanned;
        int columns, rows;
    };
    const Case cases[] = {
        {"Stacked", 72, "0950110153000", 0, "DataBar:0109501101530003", 50, 13},
        {"Stacked Omnidirectional", 73, "(01)09501101530003", 0, "DataBar:0109501101530003", 50,
         69},
        {"Expanded Stacked, two pairs a row", 76, "(01)09501101530003(3103)000525", 300,
         "DataBar-Exp:01095011015300033103000525", 49 * 2 + 4, 34 + 3 + 34},
    };
    for (const Case& c : cases) {
        auto block = [](std::uint8_t fn, std::vector<std::uint8_t> args) {
            std::vector<std::uint8_t> out = {0x1D, 0x28, 0x6B, 0, 0, 51, fn};
            out[3] = static_cast<std::uint8_t>(args.size() + 2);
            out.insert(out.end(), args.begin(), args.end());
            return out;
        };
        std::vector<std::uint8_t> stream = {0x1B, 0x4A, 16};  // a quiet zone above
        auto add = [&](const std::vector<std::uint8_t>& b) {
            stream.insert(stream.end(), b.begin(), b.end());
        };
        if (c.maxWidth > 0)
            add(block(71, {static_cast<std::uint8_t>(c.maxWidth),
                           static_cast<std::uint8_t>(c.maxWidth >> 8)}));
        std::vector<std::uint8_t> store = {0x30, c.type};
        store.insert(store.end(), c.data.begin(), c.data.end());
        add(block(80, store));
        add(block(81, {0x30}));
        add({0x0A, 0x0A});
        const PaperImage paper = rendertest::Print(stream).paper;
        const auto box = InkBox(paper);
        EXPECT_EQ(box.right - box.left + 1, c.columns * 2) << c.name << ": module width 2";
        EXPECT_EQ(box.bottom - box.top + 1, c.rows * 2) << c.name;
        testsupport::TempDir dir;
        const std::string path = (dir / "databar.png").string();
        ASSERT_TRUE(emu::WritePng(paper, path, nullptr));
        EXPECT_EQ(testsupport::ScanBarcodes(path), c.scanned) << c.name;
    }
}

TEST(RenderImage, SymbolWiderThanThePrintAreaPrintsNothing) {
    emu::MatrixCodeSettings settings;
    settings.qrModule = 16;
    const emu::MatrixSymbol symbol =
        emu::EncodeMatrixCode(emu::MatrixCode::Qr, settings, Bytes("https://example.com/wide"));
    ASSERT_TRUE(symbol.matrix);
    PrintEngine engine;
    EXPECT_NE(engine.PrintMatrix(*symbol.matrix).find("the print area 384"), std::string::npos);
    EXPECT_FALSE(engine.HasContent());
    EXPECT_EQ(engine.Snapshot().height, 0);
}

TEST(RenderImage, StoredGraphicsPrintOnceAtTheirScale) {
    emu::RasterGraphics graphics;
    graphics.widthDots = 16;
    graphics.height = 2;
    graphics.rowBytes = 2;
    graphics.scaleX = graphics.scaleY = 2;
    graphics.bits = {0x80, 0x01, 0x00, 0x00};
    PrintEngine engine;
    engine.StoreGraphics(graphics);
    EXPECT_EQ(engine.PrintGraphics(), "");
    EXPECT_EQ(engine.PrintGraphics(), "no graphics stored");
    const PaperImage image = engine.Snapshot();
    EXPECT_EQ(image.height, 4);
    const auto box = InkBox(image);
    EXPECT_EQ((std::vector<int>{box.left, box.top, box.right, box.bottom}),
              (std::vector<int>{0, 0, 31, 1}));
    EXPECT_TRUE(Black(image, 1, 1) && Black(image, 30, 0) && !Black(image, 2, 0));
}

}  // namespace
