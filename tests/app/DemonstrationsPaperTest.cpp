// Each demonstration, captured from a real printer channel on a pseudo-terminal and rendered by
// the virtual printer, must be understood command by command and come out as paper; the barcode
// must scan as the EAN-13 number the printer completes with its check digit.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "app/Demonstrations.h"
#include "printer/PrinterPort.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/PtyPeer.h"
#include "tests/support/TempDir.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kPort = 7;

struct Button {
    const char* name;
    void (*run)(CPrinterPort&);
};

void PrintTo(const Button& button, std::ostream* out) { *out << button.name; }

const Button kButtons[] = {
    {"FontStyle", PrintFontStyleDemo},         {"PrintAndFeed", PrintPrintAndFeedDemo},
    {"PageMargins", PrintPageMarginsDemo},     {"AbsolutePosition", PrintAbsolutePositionDemo},
    {"GrayLevel", PrintGrayLevelDemo},         {"HorizontalTab", PrintHorizontalTabDemo},
    {"VerticalTable", PrintVerticalTableDemo}, {"RasterImage", PrintRasterImageDemo},
    {"Alignment", PrintAlignmentDemo},         {"Barcode", PrintBarcodeDemo},
    {"CutPaper", PrintCutPaperDemo},
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

class DemonstrationPaper : public ::testing::TestWithParam<Button> {
  protected:
    // Presses the button on an open channel and keeps what reached the line in a file.
    fs::path Capture(void (*run)(CPrinterPort&)) {
        testsupport::PtyPeer peer;
        EXPECT_TRUE(peer.Ok());
        EXPECT_TRUE(platform::MapPort(kPort, peer.SlavePath()));
        std::vector<std::uint8_t> stream;
        {
            CPrinterPort printer;
            EXPECT_TRUE(printer.Open(kPort, 9600, 0, 8, 0));
            auto pressed = std::async(std::launch::async, [&] { run(printer); });
            for (std::vector<std::uint8_t> got; !(got = peer.Read(65536, 300ms)).empty();)
                stream.insert(stream.end(), got.begin(), got.end());
            pressed.get();
            printer.Close(500);
        }
        platform::MapPort(kPort, "");
        const fs::path file = m_dir / "stream.bin";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(stream.data()),
                   static_cast<std::streamsize>(stream.size()));
        return file;
    }

    // Renders a stream; the trace lists every command as the printer understood it.
    std::string Render(const fs::path& stream) {
        const fs::path trace = m_dir / "trace.txt";
        const std::string command = Quoted(PRINTER_EMULATOR) + " --input " + Quoted(stream) +
                                    " --out " + Quoted(m_dir.Path()) + " --trace " + Quoted(trace);
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return ReadText(trace);
    }

    testsupport::TempDir m_dir;
};

TEST_P(DemonstrationPaper, EveryCommandIsUnderstoodAndPaperComesOut) {
    ASSERT_FALSE(m_dir.Path().empty());
    const std::string trace = Render(Capture(GetParam().run));
    EXPECT_FALSE(trace.empty());
    EXPECT_EQ(trace.find("skipped"), std::string::npos) << trace;
    EXPECT_TRUE(fs::exists(m_dir / "receipt-001.png"));
}

INSTANTIATE_TEST_SUITE_P(AllDemonstrations, DemonstrationPaper, ::testing::ValuesIn(kButtons),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DemonstrationPaper, BarcodeScansWithItsCheckDigit) {
    ASSERT_FALSE(m_dir.Path().empty());
    Render(Capture(PrintBarcodeDemo));
    EXPECT_EQ(testsupport::ScanBarcodes((m_dir / "receipt-001.png").string()),
              "EAN-13:0123456789005");
}

}  // namespace
