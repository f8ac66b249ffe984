// Receipts with images, QR codes and barcodes from ESC/POS client libraries (fixture streams
// written by tests/emulator/clients/write-image-fixtures.mjs and, for GS1 symbols and UTF-8 text,
// write-fixtures.mjs), printed by the common 58 mm
// receipt printer model: every symbol must scan from the paper and every picture must come out
// dot for dot.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "emulator/VirtualPrinter.h"
#include "tests/emulator/RenderHelpers.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/TempDir.h"

namespace {

// The picture every fixture prints, as the fixture script draws it.
constexpr int kWidth = 96, kHeight = 48;
bool PictureDark(int x, int y) {
    return x < 2 || y < 2 || x >= kWidth - 2 || y >= kHeight - 2 || ((x >> 3) + (y >> 3)) % 2 == 0;
}

using Picture = std::vector<bool>;  // kWidth x kHeight, row by row

Picture SourcePicture() {
    Picture picture;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) picture.push_back(PictureDark(x, y));
    return picture;
}

// receiptline dithers the picture it is given, so its dots are the ones in its first stored
// graphics (GS 8 L p1..p4 48 112 48 bx by c xL xH yL yH data), not the source's.
Picture StoredPicture(const std::vector<std::uint8_t>& stream) {
    const std::uint8_t command[] = {0x1D, 0x38, 0x4C};
    auto at = std::search(stream.begin(), stream.end(), std::begin(command), std::end(command));
    Picture picture;
    if (stream.end() - at < 3 + 4 + 10 + kWidth / 8 * kHeight) return picture;
    const auto data = at + 3 + 4 + 10;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            picture.push_back((data[y * (kWidth / 8) + x / 8] >> (7 - x % 8)) & 1);
    return picture;
}

// True when the picture appears somewhere on the paper dot for dot.
bool HasPicture(const emu::PaperImage& image, const Picture& picture) {
    if (picture.size() != static_cast<std::size_t>(kWidth * kHeight)) return false;
    for (int top = 0; top + kHeight <= image.height; ++top) {
        for (int left = 0; left + kWidth <= image.width; ++left) {
            bool same = true;
            for (int y = 0; same && y < kHeight; ++y)
                for (int x = 0; same && x < kWidth; ++x)
                    same = rendertest::Black(image, left + x, top + y) == picture[y * kWidth + x];
            if (same) return true;
        }
    }
    return false;
}

std::vector<std::uint8_t> Fixture(const std::string& name) {
    std::ifstream in(std::string(EMULATOR_FIXTURES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

emu::PaperImage Render(const std::vector<std::uint8_t>& bytes) {
    emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos58"), 0);
    std::vector<emu::PaperImage> pages;
    printer.SetReceiptCallback(
        [&pages](const emu::FinishedReceipt& receipt) { pages.push_back(receipt.image); });
    printer.Feed(bytes.data(), bytes.size());
    printer.Finish();
    // A client that sends no cut leaves the receipt unfinished on the printer.
    return pages.empty() ? printer.Snapshot() : pages.front();
}

std::string Scan(const emu::PaperImage& image) {
    testsupport::TempDir dir;
    const std::string path = (dir / "receipt.png").string();
    std::string error;
    if (!emu::WritePng(image, path, &error)) return "write failed: " + error;
    return testsupport::ScanBarcodes(path);
}

TEST(RenderClientImages, SymbolsScanAndPicturesMatch) {
    struct Case {
        const char* fixture;
        std::vector<std::string> symbols;  // what zbarimg must find
        bool dithered = false;             // the client dithers the picture itself
        bool picture = true;               // the receipt has the test picture
    };
    const Case cases[] = {
        {"images-point-of-sale-column.bin",
         {"QR-Code:https://example.com/pos/1", "EAN-13:3130630574613", "CODE-128:POS-128"}},
        {"images-point-of-sale-raster.bin",
         {"QR-Code:https://example.com/pos/1", "EAN-13:3130630574613", "CODE-128:POS-128"}},
        {"images-node-thermal-printer.bin",
         {"QR-Code:https://example.com/ntp/2", "CODE-128:NTP-128"}},
        {"images-escpos-buffer.bin", {"QR-Code:https://example.com/eb/3"}},
        {"images-receiptline.bin",
         {"QR-Code:https://example.com/rl/4", "CODE-128:RL-128", "EAN-13:4901234567894"},
         true},
        // GS1-128 reads as CODE-128 with its AIs run together; zbarimg reads no DataBar Limited.
        {"react-thermal-printer.bin",
         {"QR-Code:https://example.com/rtp/5", "CODE-128:0109501101530003101234",
          "DataBar:0109501101530003", "DataBar-Exp:01095011015300033103000525"},
         false,
         false},
        {"tillpos-xml.bin", {"QR-Code:https://example.com/tp/6"}, false, false},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> stream = Fixture(c.fixture);
        const emu::PaperImage receipt = Render(stream);
        if (c.picture) {
            EXPECT_TRUE(HasPicture(receipt, c.dithered ? StoredPicture(stream) : SourcePicture()))
                << c.fixture;
        }
        const std::string scanned = Scan(receipt);
        for (const std::string& symbol : c.symbols)
            EXPECT_NE(scanned.find(symbol), std::string::npos) << c.fixture << ": " << scanned;
    }
}

// UTF-8 lines each ended with ESC d 0 print one under the other, readable.
TEST(RenderClientImages, Utf8LinesEndedWithEscD0DoNotOverprint) {
    testsupport::TempDir dir;
    const std::string path = (dir / "receipt.png").string();
    std::string error;
    ASSERT_TRUE(emu::WritePng(Render(Fixture("tillpos-xml.bin")), path, &error)) << error;
    const std::string text = testsupport::ReadText(path);
    for (const char* line : {"Caf", "4,50", "7,90"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in:\n" << text;
}

}  // namespace
