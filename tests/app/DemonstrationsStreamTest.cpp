// Each demonstration, run on a real printer channel whose port is a pseudo-terminal, must put on
// the line exactly the stream written out here from the command table.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <ostream>
#include <string>

#include "printer/PrinterPort.h"
#include "tests/app/DemoCapture.h"
#include "tests/app/ExpectedStream.h"
#include "tests/support/PtyPeer.h"

using apptest::Bytes;
using apptest::ExpectedStream;
using apptest::Gbk;
using apptest::Hex;
using namespace std::chrono_literals;

namespace {

constexpr int kPort = 7;
const std::string kSeventeenSpaces(17, ' ');

Bytes FontStyle() {
    return ExpectedStream()
        .Title("打印示例：字体")
        .Mode(0x30)
        .Text("倍高+倍宽")
        .Mode(0x82)
        .Text("斜体+下划线")  // same line: no LF between the samples
        .LineFeeds(1)
        .Mode(0x00)
        .LineFeeds(2)
        .bytes();
}

Bytes PrintAndFeed() {
    return ExpectedStream()
        .Title("打印示例：打印与走纸-单位为点")
        .Text("打印后进纸100点")
        .Raw({0x1B, 0x4A, 100})
        .Text("打印后倒纸24点")
        .Raw({0x1B, 0x4B, 24})
        .Text(kSeventeenSpaces + "倒纸后打印")
        .LineFeeds(2)
        .Title("打印示例：打印与走纸-单位为字")
        .Text("打印后进纸2行")
        .Raw({0x1B, 0x64, 2})
        .Text("打印后倒纸1行")
        .Raw({0x1B, 0x65, 1})
        .Text(kSeventeenSpaces + "倒纸后打印")
        .LineFeeds(3)
        .bytes();
}

Bytes PageMargins() {
    return ExpectedStream()
        .Title("打印示例：页边距")
        .Raw({0x1B, 0x6C, 10, 0x1B, 0x51, 10})
        .Text("左右页边距各80点，打印缓冲区此时也会根据页边距进行自动打印控制")
        .LineFeeds(1)
        .Raw({0x1B, 0x6C, 0, 0x1B, 0x51, 0})
        .LineFeeds(2)
        .bytes();
}

Bytes AbsolutePosition() {
    return ExpectedStream()
        .Title("打印示例：水平绝对坐标")
        .Raw({0x1B, 0x24, 0x64, 0x00})
        .Text("水平绝对坐标为100点")
        .LineFeeds(1)
        .Text("水平绝对坐标只有效一次")
        .LineFeeds(3)
        .bytes();
}

Bytes GrayLevel() {
    return ExpectedStream()
        .Title("打印示例：打印灰度")
        .Raw({0x1B, 0x6D, 8})
        .Text("打印灰度为8")
        .LineFeeds(1)
        .Raw({0x1B, 0x6D, 4})
        .Text("打印灰度为4")
        .LineFeeds(1)
        .LineFeeds(2)
        .bytes();
}

Bytes HorizontalTab() {
    return ExpectedStream()
        .Title("打印示例：水平制表打印")
        .Raw({0x1B, 0x44, 12, 24, 36, 0x00})
        .Mode(0x08)
        .Text("项目A")
        .Raw({0x09})
        .Text("项目B")
        .Raw({0x09})
        .Text("项目C")
        .Raw({0x09})
        .Text("项目D")
        .LineFeeds(1)
        .Mode(0x00)
        .Text("数据1")
        .Raw({0x09})
        .Text("数据2")
        .Raw({0x09})
        .Text("数据3")
        .Raw({0x09})
        .Text("数据4")
        .LineFeeds(1)
        .LineFeeds(2)
        .bytes();
}

Bytes VerticalTable() {
    ExpectedStream s;
    s.Title("打印示例：打印纵向表格，部分型号支持");
    for (const char* item : {"A", "B", "C", "D"}) {
        // FS V, 5 boundaries, 4 cells at 2, 10, 18, 26; each cell: format, text, NUL.
        s.Raw({0x1C, 0x56, 5, 0, 8, 16, 24, 32, 4, 2, 10, 18, 26})
            .Raw({2})
            .Text(std::string("  项目") + item + "  ")
            .Raw({0})
            .Raw({1})
            .Text("  数据1")
            .Raw({0})
            .Raw({1})
            .Text("  数据2")
            .Raw({0})
            .Raw({1})
            .Text("  数据3")
            .Raw({0});
    }
    return s.LineFeeds(2).bytes();
}

Bytes RasterImage() {
    return ExpectedStream()
        .Title("打印示例：打印横向取模图像")
        .Raw({0x1D, 0x76, 0x30, 0, 48, 0, 91, 0})
        .Raw(apptest::LogoPixels())
        .LineFeeds(2)
        .bytes();
}

// Written out byte for byte, title included, as the reference the other cases are built like.
Bytes Alignment() {
    Bytes s{0x1B, 0x21, 0x0A};
    const Bytes title = Gbk("打印示例：水平对齐方式");
    EXPECT_EQ(title.size(), 22u);
    s.insert(s.end(), title.begin(), title.end());
    s.insert(s.end(), {0x0A, 0x1B, 0x21, 0x00, 0x1B, 0x61, 0x00, 0xBE, 0xD3, 0xD7, 0xF3,
                       0x0A, 0x1B, 0x61, 0x01, 0xBE, 0xD3, 0xD6, 0xD0, 0x0A, 0x1B, 0x61,
                       0x02, 0xBE, 0xD3, 0xD3, 0xD2, 0x0A, 0x1B, 0x61, 0x00, 0x0A, 0x0A});
    return s;
}

Bytes Barcode() {
    return ExpectedStream()
        .Title("打印示例：打印条码，部分型号支持")
        .Raw({0x1D, 0x77, 2, 0x1D, 0x68, 96, 0x1D, 0x48, 2})
        .Raw({0x1D, 0x6B, 0x43, 12})  // EAN-13, twelve digits, no check digit added
        .Raw({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '0'})
        .LineFeeds(2)
        .bytes();
}

Bytes CutPaper() {
    return ExpectedStream()
        .Title("打印示例：切纸方式，部分型号支持")
        .Text("半切")
        .LineFeeds(1)
        .Raw({0x1D, 0x56, 66, 50})  // partial cut first
        .Text("全切")
        .LineFeeds(1)
        .Raw({0x1D, 0x56, 65, 50})
        .LineFeeds(2)
        .bytes();
}

// The stream each demonstration button must send, by control id.
const std::map<int, Bytes (*)()> kExpected = {
    {IDC_BUTTON_FONTSTYLE, FontStyle},  {IDC_BUTTON_PRINTFEED, PrintAndFeed},
    {IDC_BUTTON_MARGINS, PageMargins},  {IDC_BUTTON_ABSPOSITION, AbsolutePosition},
    {IDC_BUTTON_GRAYLEVEL, GrayLevel},  {IDC_BUTTON_HTAB, HorizontalTab},
    {IDC_BUTTON_VTABLE, VerticalTable}, {IDC_BUTTON_IMAGE, RasterImage},
    {IDC_BUTTON_ALIGNMENT, Alignment},  {IDC_BUTTON_BARCODE, Barcode},
    {IDC_BUTTON_CUTPAPER, CutPaper},
};

// A demonstration with no stream written out here fails rather than passing unchecked.
Bytes ExpectedFor(const Demonstration& demo) {
    const auto found = kExpected.find(demo.controlId);
    if (found == kExpected.end()) {
        ADD_FAILURE() << demo.handler << ": no expected stream written out";
        return {};
    }
    return found->second();
}

class DemonstrationStream : public ::testing::TestWithParam<Demonstration> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_peer.Ok());
        ASSERT_TRUE(platform::MapPort(kPort, m_peer.SlavePath()));
        ASSERT_TRUE(m_printer.Open(kPort, 9600, 0, 8, 0));
    }
    void TearDown() override {
        m_printer.Close(500);
        platform::MapPort(kPort, "");
    }

    // Runs the demonstration while the peer reads, so a long stream never waits on a full line,
    // then collects anything sent beyond the expected length.
    Bytes Press(void (*run)(CPrinterPort&), size_t expectedLength) {
        auto pressed = std::async(std::launch::async, [&] { run(m_printer); });
        Bytes got = m_peer.Read(expectedLength, 5s);
        pressed.get();
        const Bytes extra = m_peer.Read(1, 100ms);
        got.insert(got.end(), extra.begin(), extra.end());
        return got;
    }

    testsupport::PtyPeer m_peer;
    CPrinterPort m_printer;
};

TEST_P(DemonstrationStream, SendsTheStreamOfTheCommandTable) {
    const Bytes expected = ExpectedFor(GetParam());
    ASSERT_FALSE(expected.empty());
    const Bytes got = Press(GetParam().print, expected.size());
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_EQ(Hex(got), Hex(expected));
}

TEST_P(DemonstrationStream, SendsTheSameStreamEveryPress) {
    const size_t length = ExpectedFor(GetParam()).size();
    const Bytes first = Press(GetParam().print, length);
    const Bytes second = Press(GetParam().print, length);
    EXPECT_EQ(first.size(), length);
    EXPECT_EQ(Hex(second), Hex(first));
}

INSTANTIATE_TEST_SUITE_P(AllDemonstrations, DemonstrationStream,
                         ::testing::ValuesIn(kDemonstrations),
                         [](const auto& info) { return std::string(info.param.Name()); });

// With no port open every step still runs, nothing reaches the line and nothing breaks.
TEST(DemonstrationWithoutPort, SendsNothingAndRunsToTheEnd) {
    testsupport::PtyPeer peer;
    ASSERT_TRUE(peer.Ok());
    ASSERT_TRUE(platform::MapPort(kPort, peer.SlavePath()));
    {
        CPrinterPort printer;
        for (const Demonstration& demo : kDemonstrations) demo.print(printer);
        ASSERT_TRUE(printer.Open(kPort, 9600, 0, 8, 0));
        printer.Close(500);
        for (const Demonstration& demo : kDemonstrations) demo.print(printer);
    }
    platform::MapPort(kPort, "");
    EXPECT_EQ(Hex(peer.Read(1, 200ms)), "");
}

}  // namespace
