// Page mode on the common 58 mm printer, read back from the paper as a person would: the text of
// each print direction by OCR once the paper is turned back, the symbols by a scanner.
#include <gtest/gtest.h>

#include "tests/emulator/RenderHelpers.h"
#include "tests/emulator/StreamBytes.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/TempDir.h"

namespace {

using emutest::Bytes;
using emutest::H;
using emutest::T;
using emutest::operator+;
using rendertest::InkBox;
using rendertest::Print;

Bytes Word(int n) { return Bytes{static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8)}; }

struct Area {
    int x, y, width, height;
};

Bytes PageArea(Area a) {
    return H("1B 57") + Word(a.x) + Word(a.y) + Word(a.width) + Word(a.height);
}

Bytes Direction(int d) { return H("1B 54") + Bytes{static_cast<std::uint8_t>(d)}; }

// The area of the paper, turned so that what was laid out in the direction reads left to right.
emu::PaperImage TurnedBack(const emu::PaperImage& paper, Area a, int direction) {
    const bool across = direction % 2 == 1;
    emu::PaperImage out;
    out.width = across ? a.height : a.width;
    out.height = across ? a.width : a.height;
    out.gray.resize(static_cast<std::size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int px = x, py = y;
            if (direction == 1) px = y, py = a.height - 1 - x;
            if (direction == 2) px = a.width - 1 - x, py = a.height - 1 - y;
            if (direction == 3) px = a.width - 1 - y, py = x;
            out.gray[static_cast<std::size_t>(y) * out.width + x] = paper.At(a.x + px, a.y + py);
        }
    }
    return out;
}

std::string Read(const emu::PaperImage& image, bool symbols) {
    testsupport::TempDir dir;
    const std::string path = (dir / "paper.png").string();
    std::string error;
    if (!emu::WritePng(image, path, &error)) return error;
    return symbols ? testsupport::ScanBarcodes(path) : testsupport::ReadText(path);
}

Bytes Rows(const emu::PaperImage& paper, int from, int to) {
    return Bytes(paper.gray.begin() + static_cast<std::ptrdiff_t>(from) * paper.width,
                 paper.gray.begin() + static_cast<std::ptrdiff_t>(to) * paper.width);
}

// Text placed by ESC $ and GS $ in each direction reads back at its place: 40 dots along the
// line, its baseline 100 dots from the edge the direction starts at.
TEST(RenderPage, TextInEachDirectionReadsBackWhereItWasPlaced) {
    const Area area{0, 0, 384, 384};
    const char* const words[4] = {"EAST", "NORTH", "WEST", "SOUTH"};
    for (int d = 0; d < 4; ++d) {
        const Bytes stream = H("1B 4C") + PageArea(area) + Direction(d) + H("1B 24 28 00") +
                             H("1D 24 64 00 1D 21 11") + T(words[d]) + H("0C");
        const emu::PaperImage paper = Print(stream).paper;
        ASSERT_EQ(paper.height, area.height) << "the paper moves past the page, " << d;
        const emu::PaperImage turned = TurnedBack(paper, area, d);
        const auto box = InkBox(turned);
        EXPECT_NEAR(box.left, 40, 2) << d;
        EXPECT_NEAR(box.bottom, 100, 4) << d;
        EXPECT_NE(Read(turned, false).find(words[d]), std::string::npos) << d;
    }
}

// Three areas of one page: a QR code, text running down beside it, an upside-down barcode below.
TEST(RenderPage, SymbolsBesideRotatedTextScanAndTheTextReads) {
    const Area beside{200, 0, 184, 260};
    const Bytes qr = H("1D 28 6B 03 00 31 43 06 1D 28 6B 0D 00 31 50 30") + T("HELLO PAGE") +
                     H("1D 28 6B 03 00 31 51 30");
    const Bytes stream = H("1B 4C") + PageArea({0, 0, 200, 260}) + qr + PageArea(beside) +
                         Direction(3) + H("1D 21 11") + T("ROTATED") + H("0A 1D 21 00") +
                         PageArea({0, 260, 384, 140}) + Direction(2) + H("1D 68 50 1D 48 02") +
                         H("1D 6B 43 0D") + T("5012345678900") + H("0C");
    const emu::PaperImage paper = Print(stream).paper;
    ASSERT_EQ(paper.height, 400);
    const std::string symbols = Read(paper, true);
    EXPECT_NE(symbols.find("QR-Code:HELLO PAGE"), std::string::npos) << symbols;
    EXPECT_NE(symbols.find("EAN-13:5012345678900"), std::string::npos) << symbols;
    EXPECT_NE(Read(TurnedBack(paper, beside, 3), false).find("ROTATED"), std::string::npos);
}

// CAN empties the area and the page starts again from its corner; ESC S drops the page, and
// what follows prints in standard mode as if it had never been.
TEST(RenderPage, CancelledAndAbandonedPagesLeaveNothing) {
    const Bytes page = H("1B 4C") + PageArea({0, 0, 384, 120});
    EXPECT_EQ(Print(page + T("GONE\n") + H("18") + T("KEPT\n") + H("0C")).paper.gray,
              Print(page + T("KEPT\n") + H("0C")).paper.gray);
    EXPECT_EQ(Print(page + T("GONE\n") + H("1B 53") + T("KEPT\n")).paper.gray,
              Print(T("KEPT\n")).paper.gray);
}

// ESC FF prints the page and keeps it to print again; FF prints it and returns to standard mode.
// Page data the stream leaves without either is not printed, as on the printer, and the trace
// says so; the page is held for an FF that comes later.
TEST(RenderPage, EscFfPrintsAgainFfEndsThePageAndNoFfPrintsNothing) {
    const Bytes page = H("1B 4C") + PageArea({0, 0, 384, 100}) + T("COPY\n");
    const emu::PaperImage copies = Print(page + H("1B 0C 1B 0C 0C")).paper;
    ASSERT_EQ(copies.height, 300);
    EXPECT_EQ(Rows(copies, 0, 100), Rows(copies, 100, 200));
    EXPECT_EQ(Rows(copies, 0, 100), Rows(copies, 200, 300));
    EXPECT_FALSE(InkBox(copies, 0, 100).Empty());

    EXPECT_EQ(Print(page + H("0C") + T("after\n")).paper.height, 100 + 30);
    const rendertest::Printed unfinished = Print(page + H("1B 0C") + T("more\n"));
    EXPECT_EQ(unfinished.paper.height, 100) << "the second page waits for its FF";
    EXPECT_NE(unfinished.trace.find("page mode data not printed"), std::string::npos)
        << unfinished.trace;

    // The end of one host's input (a network job closing) leaves the page held for the next FF.
    emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos58"), 0);
    printer.Feed(page.data(), page.size());
    printer.Finish();
    const Bytes ff = H("0C");
    printer.Feed(ff.data(), ff.size());
    EXPECT_EQ(printer.Snapshot().gray, Rows(copies, 0, 100));
}

// An area larger than the paper is clipped to the paper's width and the longest page: a line
// ends at the paper's edge, and the character that does not fit begins the next.
TEST(RenderPage, AnAreaLargerThanThePaperIsClippedToIt) {
    const emu::PaperImage paper =
        Print(H("1B 4C") + PageArea({0, 0, 1000, 5000}) + H("1B 24 72 01") + T("AB") + H("0C"))
            .paper;
    EXPECT_EQ(paper.width, 384);
    EXPECT_EQ(paper.height, emu::PageBuffer::kMaxRows);
    EXPECT_GE(InkBox(paper, 0, 26).left, 370);
    EXPECT_LT(InkBox(paper, 26, 60).left, 12);
}

}  // namespace
