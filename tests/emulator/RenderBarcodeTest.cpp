#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "emulator/barcodes/Barcode.h"
#include "tests/emulator/RenderHelpers.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/TempDir.h"

using emu::PaperImage;
using emu::PrintEngine;
using rendertest::InkBox;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Decodes every symbol zbarimg finds in the image, as "TYPE:data" lines.
std::string Scan(const PaperImage& image) {
    testsupport::TempDir dir;
    const std::string path = (dir / "barcode.png").string();
    std::string error;
    if (!emu::WritePng(image, path, &error)) return "write failed: " + error;
    return testsupport::ScanBarcodes(path);
}

PaperImage PrintOne(std::uint8_t system, const std::vector<std::uint8_t>& data, int module = 2,
                    int caption = 2) {
    PrintEngine engine;
    engine.SetBarcodeWidth(static_cast<std::uint8_t>(module));
    engine.SetBarcodeHeight(96);
    engine.SetBarcodeTextPosition(static_cast<std::uint8_t>(caption));
    engine.PrintBarcode(system, data);
    engine.LineFeed();
    return engine.Snapshot();
}

TEST(RenderBarcode, CheckDigitsAreAddedOrVerified) {
    struct Case {
        const char* name;
        std::uint8_t system;
        std::string data;
        std::optional<std::string> text;  // the caption, or nothing when rejected
        std::size_t modules = 0;
    };
    const Case cases[] = {
        {"EAN-13 of 12 digits gets its check digit", 67, "012345678900", "0123456789005", 95},
        {"EAN-13 with the right check digit", 67, "0123456789005", "0123456789005", 95},
        {"EAN-13 with a wrong check digit", 67, "0123456789004", std::nullopt},
        {"EAN-13 of 11 digits", 67, "01234567890", std::nullopt},
        {"EAN-13 with a letter", 67, "01234567890A", std::nullopt},
        {"UPC-A of 11 digits", 65, "03600029145", "036000291452", 95},
        {"UPC-A with a wrong check digit", 65, "036000291453", std::nullopt},
        {"EAN-8 of 7 digits", 68, "9638507", "96385074", 67},
        {"EAN-8 with a wrong check digit", 68, "96385070", std::nullopt},
        {"UPC-E of 6 digits", 66, "123456", "01234565", 51},
        {"UPC-E from its UPC-A form", 66, "01234500006", "01234565", 51},
        {"UPC-E from a UPC-A without a short form", 66, "01234567890", std::nullopt},
        {"UPC-E number system 2", 66, "2123456", std::nullopt},
        {"UPC-E with no data", 66, "", std::nullopt},
        {"CODE39 framed", 69, "AB-12", "*AB-12*", 7 * 13 - 1},  // wide = two modules
        {"CODE39 lower case", 69, "ab", std::nullopt},
        {"ITF even digits", 70, "1234", "1234", 4 + 2 * 18 + 5},
        {"ITF odd digits", 70, "123", std::nullopt},
        {"CODABAR with start and stop", 71, "A123B", "A123B", 10 + 3 * 9 + 10 + 4},
        {"CODABAR without stop", 71, "A123", std::nullopt},
        {"CODE93 with shifted characters", 72, "a", "a", 9 * (1 + 2 + 2 + 1) + 1},
        {"CODE93 above ASCII", 72, "\xC0", std::nullopt},
        {"CODE128 without a code set", 73, "ABC", std::nullopt},
        {"CODE128 set B", 73, "{BAb", "Ab", 11 * 4 + 13},
        {"CODE128 set C digit pairs", 73, std::string("{C\x0c\x22", 4), "1234", 11 * 4 + 13},
        {"CODE128 set C value above 99", 73, std::string("{C\x64", 3), std::nullopt},
        {"CODE128 unknown function", 73, "{B{X", std::nullopt},
        {"CODE128 FNC1 is not passed on", 73, "{B{1AB", std::nullopt},
        {"unknown system", 74, "123", std::nullopt},
        // zbarimg reads no DataBar Limited: its 79 modules less the guards' outer spaces (1 + 5)
        // tell it from the other DataBars.
        {"GS1 DataBar Limited", 77, "1501234567890", "(01)15012345678907", 79 - 1 - 5},
    };
    for (const Case& c : cases) {
        const auto symbol = emu::EncodeBarcode(c.system, Bytes(c.data));
        ASSERT_EQ(symbol.has_value(), c.text.has_value()) << c.name;
        if (!symbol) continue;
        EXPECT_EQ(symbol->text, *c.text) << c.name;
        EXPECT_EQ(symbol->modules.size(), c.modules) << c.name;
        EXPECT_TRUE(symbol->modules.front() && symbol->modules.back())
            << c.name << ": bars at both ends";
    }
}

TEST(RenderBarcode, PrintedSymbolsDecode) {
    struct Case {
        const char* name;
        std::uint8_t system;
        std::string data;
        int module;
        std::string decoded;
    };
    const Case cases[] = {
        {"EAN-13", 67, "012345678900", 2, "EAN-13:0123456789005"},
        // zbarimg reports UPC-A and UPC-E in their EAN-13 form.
        {"UPC-A", 65, "03600029145", 2, "EAN-13:0036000291452"},
        {"EAN-8", 68, "9638507", 2, "EAN-8:96385074"},
        {"UPC-E", 66, "123456", 2, "EAN-13:0012345000065"},
        {"CODE39", 69, "CE-39 OK", 1, "CODE-39:CE-39 OK"},
        {"ITF", 70, "12345678", 2, "I2/5:12345678"},
        {"CODABAR", 71, "A40156B", 2, "Codabar:A40156B"},
        {"CODE93", 72, "Code 93", 2, "CODE-93:Code 93"},
        {"CODE128 set B", 73, "{BHello-128", 2, "CODE-128:Hello-128"},
        {"CODE128 set C", 73, std::string("{C\x0c\x22\x38\x4e", 6), 2, "CODE-128:12345678"},
        {"CODE128 switching sets", 73, std::string("{BNo.{C\x0c\x22", 9), 2, "CODE-128:No.1234"},
        // GS1-128 reads as CODE128 carrying the element string; identifiers in parentheses or
        // run together, FNC1 ending a variable field.
        {"GS1-128", 74, "(01)09501101530003(10)A1", 2, "CODE-128:010950110153000310A1"},
        {"GS1-128 as sent", 74, "1012{10109501101530003", 2,
         "CODE-128:1012\x1d"
         "0109501101530003"},
        {"GS1 DataBar", 75, "0950110153000", 2, "DataBar:0109501101530003"},
        {"GS1 DataBar Truncated", 76, "(01)09501101530003", 2, "DataBar:0109501101530003"},
        {"GS1 DataBar Expanded", 78, "(01)09501101530003(10)A1", 2,
         "DataBar-Exp:010950110153000310A1"},
    };
    for (const Case& c : cases) {
        const PaperImage image = PrintOne(c.system, Bytes(c.data), c.module);
        EXPECT_EQ(Scan(image), c.decoded) << c.name;
    }
}

TEST(RenderBarcode, DemonstrationBarcodeDecodesAsEan13) {
    PrintEngine engine;
    engine.SetBarcodeWidth(2);
    engine.SetBarcodeHeight(0x60);
    engine.SetBarcodeTextPosition(2);
    engine.PrintBarcode(0x43, Bytes("012345678900"));
    engine.LineFeed();
    engine.LineFeed();
    const PaperImage image = engine.Snapshot();
    EXPECT_EQ(Scan(image), "EAN-13:0123456789005");
    const auto bars = InkBox(image, 0, 96);
    EXPECT_EQ(bars.left, 20) << "a ten-module quiet zone";
    EXPECT_EQ(bars.right - bars.left + 1, 95 * 2);
    EXPECT_FALSE(InkBox(image, 96 + 4, 96 + 28).Empty()) << "caption below the bars";
    EXPECT_EQ(image.height, 96 + 28 + 60);
}

TEST(RenderBarcode, CaptionPositions) {
    struct Case {
        int position;
        bool above, below;
    };
    for (const Case c :
         {Case{0, false, false}, Case{1, true, false}, Case{2, false, true}, Case{3, true, true}}) {
        const PaperImage image = PrintOne(67, Bytes("012345678900"), 2, c.position);
        const int barsTop = c.above ? 28 : 0;
        EXPECT_EQ(!InkBox(image, 0, barsTop).Empty(), c.above) << c.position;
        EXPECT_EQ(!InkBox(image, barsTop + 96, image.height).Empty(), c.below) << c.position;
        EXPECT_EQ(InkBox(image, barsTop, barsTop + 96).top, barsTop) << c.position;
    }
}

TEST(RenderBarcode, NothingPrintsWhenInvalidOrTooWide) {
    struct Case {
        const char* name;
        std::uint8_t system;
        std::string data;
        int module;
    };
    const Case cases[] = {
        {"wrong check digit", 67, "0123456789004", 2},
        {"wider than the paper", 73, "{B0123456789", 6},
        {"bars wider than the print area", 67, "012345678900", 5},
        {"GS1 DataBar of twelve digits", 75, "095011015300", 2},
        {"GS1 data that is no element string", 74, "ABC", 2},
    };
    for (const Case& c : cases) {
        PrintEngine engine;
        engine.SetBarcodeWidth(static_cast<std::uint8_t>(c.module));
        engine.PrintBarcode(c.system, Bytes(c.data));
        EXPECT_FALSE(engine.HasContent()) << c.name;
        EXPECT_EQ(engine.Snapshot().height, 0) << c.name << ": the paper does not move";
    }
}

// Quiet zones are blank paper, so only the bars need to fit; the engine says why it printed
// nothing.
TEST(RenderBarcode, BarsThatFitPrintWhereQuietZonesDoNot) {
    PrintEngine engine;
    engine.SetBarcodeWidth(4);
    EXPECT_EQ(engine.PrintBarcode(67, Bytes("012345678900")), "");
    const auto box = InkBox(engine.Snapshot());
    EXPECT_EQ(box.right - box.left + 1, 95 * 4);
    engine.SetBarcodeWidth(5);
    EXPECT_EQ(engine.PrintBarcode(67, Bytes("012345678900")),
              "not printed: 475 dots wide, print area 384");
}

TEST(RenderBarcode, AlignmentAndMarginPlaceTheSymbol) {
    PrintEngine engine;
    engine.SetBarcodeWidth(2);
    engine.SetBarcodeHeight(40);
    engine.SetAlignment(2);
    engine.SetRightMargin(4);
    engine.PrintBarcode(68, Bytes("9638507"));
    const auto box = InkBox(engine.Snapshot());
    EXPECT_EQ(box.right, 384 - 32 - 20 - 1);
    EXPECT_EQ(box.bottom, 39);
}

}  // namespace
