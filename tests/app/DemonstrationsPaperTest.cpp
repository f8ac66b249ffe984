// Each demonstration, captured from a real printer channel on a pseudo-terminal and rendered by
// the virtual printer, must be understood command by command and come out as paper; the barcode
// must scan as the EAN-13 number the printer completes with its check digit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "tests/app/DemoCapture.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

class DemonstrationPaper : public ::testing::TestWithParam<Demonstration> {
  protected:
    // What the demonstration sends, kept in a file.
    fs::path Capture(void (*print)(CPrinterPort&)) {
        const std::vector<std::uint8_t> stream = apptest::SentBy(print);
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
    const std::string trace = Render(Capture(GetParam().print));
    EXPECT_FALSE(trace.empty());
    EXPECT_EQ(trace.find("skipped"), std::string::npos) << trace;
    EXPECT_TRUE(fs::exists(m_dir / "receipt-001.png"));
}

INSTANTIATE_TEST_SUITE_P(AllDemonstrations, DemonstrationPaper,
                         ::testing::ValuesIn(kDemonstrations),
                         [](const auto& info) { return std::string(info.param.Name()); });

TEST_F(DemonstrationPaper, BarcodeScansWithItsCheckDigit) {
    ASSERT_FALSE(m_dir.Path().empty());
    Render(Capture(PrintBarcodeDemo));
    EXPECT_EQ(testsupport::ScanBarcodes((m_dir / "receipt-001.png").string()),
              "EAN-13:0123456789005");
}

}  // namespace
