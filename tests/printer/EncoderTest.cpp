// The byte stream of every printer command, and how each divides it into port writes.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <ostream>
#include <string>

#include "tests/printer/PrinterFixture.h"
#include "tests/support/WireRecorder.h"

namespace printertest {
namespace {

struct EncoderCase {
    const char* name;
    std::function<void(CPrinterPort&)> operation;
    std::vector<Bytes> writes;  // the port writes, in order, each with its bytes
};

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Every byte as a write of its own.
std::vector<Bytes> OneWritePerByte(const Bytes& bytes) {
    std::vector<Bytes> writes;
    for (BYTE b : bytes) writes.push_back({b});
    return writes;
}

std::vector<Bytes> Join(std::vector<Bytes> first, const std::vector<Bytes>& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

const BYTE kTabs[] = {12, 24, 36};
const BYTE kBoundaries[] = {0x00, 0x08, 0x10, 0x18, 0x20};
const BYTE kBarcode[] = "012345678900";
const BYTE kImage[] = {0x80, 0x01, 0xFF, 0x00, 0x0F, 0xF0};
// "项目A" in GBK: two double-byte characters and one single-byte one.
const char kGbkText[] =
    "\xCF\xEE\xC4\xBF"
    "A";
const BYTE kCellText[] = {'a', 'b'};
const TableCell kCells[] = {{0x02, 0x02, 2, kCellText}, {0x0A, 0x01, 0, nullptr}};

const EncoderCase kEncoderCases[] = {
    {"PrintTextAscii", [](CPrinterPort& p) { p.PrintText("Hello"); }, {Text("Hello")}},
    {"PrintTextGbkDoubleByte",
     [](CPrinterPort& p) { p.PrintText(kGbkText); },
     {{0xCF, 0xEE, 0xC4, 0xBF, 'A'}}},
    {"PrintTextEmpty", [](CPrinterPort& p) { p.PrintText(""); }, {}},
    {"PrintTextNull", [](CPrinterPort& p) { p.PrintText(nullptr); }, {}},
    {"LineFeed", [](CPrinterPort& p) { p.LineFeed(); }, {{0x0A}}},
    {"FeedDots", [](CPrinterPort& p) { p.FeedDots(100); }, {{0x1B, 0x4A, 100}}},
    {"ReverseFeedDots", [](CPrinterPort& p) { p.ReverseFeedDots(24); }, {{0x1B, 0x4B, 24}}},
    {"FeedLines", [](CPrinterPort& p) { p.FeedLines(2); }, {{0x1B, 0x64, 2}}},
    {"ReverseFeedLines", [](CPrinterPort& p) { p.ReverseFeedLines(1); }, {{0x1B, 0x65, 1}}},
    {"SetLeftMargin", [](CPrinterPort& p) { p.SetLeftMargin(10); }, {{0x1B, 0x6C, 10}}},
    {"SetRightMargin", [](CPrinterPort& p) { p.SetRightMargin(10); }, {{0x1B, 0x51, 10}}},
    {"SetAbsolutePosition100",
     [](CPrinterPort& p) { p.SetAbsolutePosition(100); },
     {{0x1B, 0x24, 0x64, 0x00}}},
    {"SetAbsolutePositionAbove255KeepsLowByte",
     [](CPrinterPort& p) { p.SetAbsolutePosition(300); },
     {{0x1B, 0x24, 0x2C, 0x00}}},
    {"SetPrintMode", [](CPrinterPort& p) { p.SetPrintMode(130); }, {{0x1B, 0x21, 130}}},
    {"SetAlignment", [](CPrinterPort& p) { p.SetAlignment(2); }, {{0x1B, 0x61, 2}}},
    {"SetGrayLevel", [](CPrinterPort& p) { p.SetGrayLevel(8); }, {{0x1B, 0x6D, 8}}},
    {"PrintRasterImage",
     [](CPrinterPort& p) { p.PrintRasterImage(0, 2, 0, 3, 0, kImage); },
     {{0x1D, 0x76, 0x30, 0x00, 2, 0, 3, 0}, Bytes(std::begin(kImage), std::end(kImage))}},
    {"PrintRasterImageWithoutDataSendsNothing",
     [](CPrinterPort& p) { p.PrintRasterImage(0, 2, 0, 3, 0, nullptr); },
     {}},
    {"SetTabStops",
     [](CPrinterPort& p) { p.SetTabStops(kTabs, 3); },
     {{0x1B, 0x44}, {12, 24, 36}, {0x00}}},
    {"SetTabStopsCountZero",
     [](CPrinterPort& p) { p.SetTabStops(kTabs, 0); },
     {{0x1B, 0x44}, {0x00}}},
    {"SetTabStopsNegativeCountSendsNothing", [](CPrinterPort& p) { p.SetTabStops(kTabs, -1); }, {}},
    {"HorizontalTab", [](CPrinterPort& p) { p.HorizontalTab(); }, {{0x09}}},
    {"PrintTableRow", [](CPrinterPort& p) { p.PrintTable(5, kBoundaries, 2, kCells); },
     Join({{0x1C, 0x56, 5}, Bytes(std::begin(kBoundaries), std::end(kBoundaries))},
          OneWritePerByte({2, 0x02, 0x0A, 0x02, 'a', 'b', 0x00, 0x01, 0x00}))},
    {"PrintTableNoCells",
     [](CPrinterPort& p) { p.PrintTable(5, kBoundaries, 0, nullptr); },
     {{0x1C, 0x56, 5}, Bytes(std::begin(kBoundaries), std::end(kBoundaries)), {0x00}}},
    {"PrintTableMissingCellTextSendsNothing",
     [](CPrinterPort& p) {
         const TableCell broken[] = {{0x02, 0x02, 3, nullptr}};
         p.PrintTable(5, kBoundaries, 1, broken);
     },
     {}},
    {"SetBarcodeHeight", [](CPrinterPort& p) { p.SetBarcodeHeight(80); }, {{0x1D, 0x68, 80}}},
    {"SetBarcodeWidth", [](CPrinterPort& p) { p.SetBarcodeWidth(3); }, {{0x1D, 0x77, 3}}},
    {"SetBarcodeTextPosition",
     [](CPrinterPort& p) { p.SetBarcodeTextPosition(2); },
     {{0x1D, 0x48, 2}}},
    {"PrintBarcodeEan13",
     [](CPrinterPort& p) { p.PrintBarcode(2, kBarcode, 12); },
     {{0x1D, 0x6B, 0x43, 0x0C}, Text("012345678900")}},
    {"PrintBarcodeEmptyData",
     [](CPrinterPort& p) { p.PrintBarcode(8, kBarcode, 0); },
     {{0x1D, 0x6B, 0x49, 0x00}}},
    {"PrintBarcodeTypeKeptTo8Bits",
     [](CPrinterPort& p) { p.PrintBarcode(INT_MAX, kBarcode, 12); },
     {{0x1D, 0x6B, 0x40, 0x0C}, Text("012345678900")}},
    {"PrintBarcodeLongerThanLengthByteSendsNothing",
     [](CPrinterPort& p) {
         const Bytes data(256, '1');
         p.PrintBarcode(8, data.data(), 256);
     },
     {}},
    {"PrintBarcodeNegativeLengthSendsNothing",
     [](CPrinterPort& p) { p.PrintBarcode(2, kBarcode, -1); },
     {}},
    {"InitializePrinter", [](CPrinterPort& p) { p.InitializePrinter(); }, {{0x1B, 0x40}}},
    {"ClearBuffers",
     [](CPrinterPort& p) { p.ClearBuffers(); },
     {{0x10, 0x14, 0x08, 0x01, 0x03, 0x14, 0x01, 0x06, 0x02, 0x08}}},
    {"CutPaperPartialModeGoesFirst",
     [](CPrinterPort& p) { p.CutPaper(50, 66); },
     {{0x1D, 0x56, 0x42, 0x32}}},
    {"CutPaperFull", [](CPrinterPort& p) { p.CutPaper(50, 65); }, {{0x1D, 0x56, 0x41, 0x32}}},
    {"SetAutoStatusBackMasksBit4",
     [](CPrinterPort& p) { p.SetAutoStatusBack(255); },
     {{0x1D, 0x61, 0xEF}}},
    {"SetAutoStatusBackConditions",
     [](CPrinterPort& p) { p.SetAutoStatusBack(47); },
     {{0x1D, 0x61, 0x2F}}},
    {"SetPrinterBaudRate109SendsNothing", [](CPrinterPort& p) { p.SetPrinterBaudRate(109); }, {}},
    {"SetPrinterBaudRate110", [](CPrinterPort& p) { p.SetPrinterBaudRate(110); },
     Join({{0x1D, 0x28, 0x45, 0x05, 0x00, 0x0B, 0x01}}, OneWritePerByte(Text("110")))},
    {"SetPrinterBaudRate9600", [](CPrinterPort& p) { p.SetPrinterBaudRate(9600); },
     Join({{0x1D, 0x28, 0x45, 0x06, 0x00, 0x0B, 0x01}}, OneWritePerByte(Text("9600")))},
    {"SetPrinterBaudRate19200", [](CPrinterPort& p) { p.SetPrinterBaudRate(19200); },
     Join({{0x1D, 0x28, 0x45, 0x07, 0x00, 0x0B, 0x01}}, OneWritePerByte(Text("19200")))},
    {"SetPrinterBaudRate115200", [](CPrinterPort& p) { p.SetPrinterBaudRate(115200); },
     Join({{0x1D, 0x28, 0x45, 0x08, 0x00, 0x0B, 0x01}}, OneWritePerByte(Text("115200")))},
    {"SetPrinterBaudRate115201SendsNothing",
     [](CPrinterPort& p) { p.SetPrinterBaudRate(115201); },
     {}},
    {"SetPrinterBaudRate256000SendsNothing",
     [](CPrinterPort& p) { p.SetPrinterBaudRate(256000); },
     {}},
    {"SetPrinterFlowControl",
     [](CPrinterPort& p) { p.SetPrinterFlowControl(48); },
     {{0x1D, 0x28, 0x45, 0x03, 0x00, 0x0B, 0x03, 48}}},
    {"EnterSleep", [](CPrinterPort& p) { p.EnterSleep(); }, {{0x10, 0x14, 0x02, 0x01, 0x08}}},
    {"ExitSleep", [](CPrinterPort& p) { p.ExitSleep(); }, {{0x10, 0x14, 0x02, 0x02, 0x08}}},
    {"QueryStatusRequest", [](CPrinterPort& p) { p.QueryStatus(nullptr); }, {{0x10, 0x04, 0x05}}},
};

// Failure messages name the row.
void PrintTo(const EncoderCase& row, std::ostream* out) { *out << row.name; }

class EncoderTest : public ::testing::TestWithParam<EncoderCase> {};

// The writes as recorded at the port, and the same bytes as they reach the other end of the line.
TEST_P(EncoderTest, SendsItsBytesInItsWrites) {
    const EncoderCase& row = GetParam();
    ObservedPrinterPort port;
    PrinterOnPty line(port);
    ASSERT_TRUE(line.IsOpen());

    testsupport::WireRecorder recorder;
    ASSERT_TRUE(recorder.Ok()) << recorder.Error();
    row.operation(port);
    const std::vector<Bytes> writes = recorder.Stop();
    EXPECT_EQ(writes, row.writes);

    Bytes expected;
    for (const Bytes& w : row.writes) expected.insert(expected.end(), w.begin(), w.end());
    EXPECT_EQ(line.ReadFromHost(expected.size(), 2000), expected);
    EXPECT_TRUE(line.NothingMoreFromHost(50));
}

INSTANTIATE_TEST_SUITE_P(Commands, EncoderTest, ::testing::ValuesIn(kEncoderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// On a closed port nothing is written and the results say so.
TEST(EncoderClosedPort, WritesNothingAndReportsZero) {
    ObservedPrinterPort port;
    testsupport::WireRecorder recorder;
    ASSERT_TRUE(recorder.Ok()) << recorder.Error();
    EXPECT_EQ(port.PrintText("abc"), 0u);
    EXPECT_EQ(port.SetTabStops(kTabs, 3), 0u);
    EXPECT_EQ(port.PrintTable(5, kBoundaries, 2, kCells), 0u);
    EXPECT_EQ(port.PrintBarcode(2, kBarcode, 12), 0u);
    EXPECT_TRUE(recorder.Stop().empty());
}

// The results are those of the last write.
TEST(EncoderResults, AreTheLastWritesCount) {
    ObservedPrinterPort port;
    PrinterOnPty line(port);
    ASSERT_TRUE(line.IsOpen());
    EXPECT_EQ(port.PrintText("Hello"), 5u);
    EXPECT_EQ(port.SetAbsolutePosition(100), 4u);
    EXPECT_EQ(port.SetTabStops(kTabs, 3), 1u);
    EXPECT_EQ(port.PrintTable(5, kBoundaries, 2, kCells), 1u);
    EXPECT_EQ(port.PrintBarcode(2, kBarcode, 12), 12u);
    EXPECT_EQ(port.PrintBarcode(2, kBarcode, -5), 0u);
}

}  // namespace
}  // namespace printertest
