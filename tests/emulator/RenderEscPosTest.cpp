#include <gtest/gtest.h>

#include <algorithm>

#include "emulator/VirtualPrinter.h"
#include "tests/emulator/RenderHelpers.h"
#include "tests/emulator/StreamBytes.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/TempDir.h"

namespace {

using emutest::Bytes;
using emutest::H;
using emutest::T;
using emutest::operator+;
using rendertest::Black;
using rendertest::InkBox;
using rendertest::Print;
using rendertest::Printed;

int InkWidth(const emu::PaperImage& paper) {
    const auto box = InkBox(paper);
    return box.Empty() ? 0 : box.right - box.left + 1;
}

// The widest run of black dots in a row.
int LongestRun(const emu::PaperImage& paper, int y) {
    int best = 0, run = 0;
    for (int x = 0; x < paper.width; ++x) {
        run = Black(paper, x, y) ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

TEST(RenderEscPos, FontBIsNineDotsWideAndFontAIsTwelve) {
    const Bytes ten = T("HHHHHHHHHH") + H("0A");
    const int fontA = InkWidth(Print(ten).paper);
    const int fontB = InkWidth(Print(H("1B 4D 01") + ten).paper);
    const int viaPrintMode = InkWidth(Print(H("1B 21 01") + ten).paper);
    EXPECT_GT(fontA, 9 * 12);
    EXPECT_LE(fontB, 10 * 9);
    EXPECT_GT(fontB, 9 * 9);
    EXPECT_EQ(viaPrintMode, fontB);
    EXPECT_LT(InkBox(Print(H("1B 4D 01") + ten).paper).bottom, 17) << "a 17-row cell";
}

TEST(RenderEscPos, CodeTablesAndInternationalSetsPickTheGlyph) {
    // PC437 box rules join from cell to cell.
    const emu::PaperImage rule = Print(H("C4 C4 C4 0A")).paper;
    int joined = 0;
    for (int y = 0; y < rule.height; ++y) joined = std::max(joined, LongestRun(rule, y));
    EXPECT_EQ(joined, 36);
    // Ä three ways: WPC1252 C4, PC850 8E and the German set's [.
    const emu::PaperImage latin = Print(H("1B 74 10 C4 0A")).paper;
    EXPECT_EQ(Print(H("1B 74 02 8E 0A")).paper.gray, latin.gray);
    EXPECT_EQ(Print(H("1B 52 02 5B 0A")).paper.gray, latin.gray);
    EXPECT_NE(Print(H("5B 0A")).paper.gray, latin.gray);
    // Cyrillic from PC866 is a glyph, not the missing-glyph box.
    const emu::PaperImage cyrillic = Print(H("1B 74 11 8B 0A")).paper;  // Л
    EXPECT_NE(cyrillic.gray, Print(H("1B 74 11 FF 0A")).paper.gray);
}

// UTF-8 text (FS ( C 48 2) draws each character from the first ranked font (FS ( C 60) that has
// it: the same glyphs the code tables and GBK give.
TEST(RenderEscPos, Utf8TextDrawsFromTheRankedFonts) {
    const Bytes utf8 = H("1C 28 43 02 00 30 02");
    const Bytes chineseFirst = H("1C 28 43 03 00 3C 00 14");
    const Bytes japaneseFirst = H("1C 28 43 03 00 3C 00 0B");
    const auto paper = [](const Bytes& stream) { return Print(stream + H("0A")).paper.gray; };
    EXPECT_EQ(paper(utf8 + T("é")), paper(H("1B 74 10 E9")));
    EXPECT_EQ(paper(utf8 + T("€")), paper(H("1B 74 13 D5")));
    EXPECT_EQ(paper(utf8 + T("测")), paper(H("1C 26 B2 E2")));
    // ° is in both Font A and GB2312: the font ranked first draws it.
    EXPECT_EQ(paper(utf8 + T("°")), paper(H("1B 74 10 B0")));
    EXPECT_EQ(paper(utf8 + chineseFirst + T("°")), paper(H("1C 26 A1 E3")));
    // The scalable CJK font draws kanji for the Japanese font, not the GB2312 bitmap glyph.
    EXPECT_NE(paper(utf8 + japaneseFirst + T("中")), paper(utf8 + T("中")));
    EXPECT_GT(InkWidth(Print(utf8 + T("中") + H("0A")).paper), 12);
    // What is not UTF-8 prints as '?'; ESC @ goes back to the code tables.
    EXPECT_EQ(paper(utf8 + H("C3 41")), paper(T("?A")));
    EXPECT_EQ(paper(utf8 + H("1B 40 E9")), paper(H("E9")));
}

emu::PaperImage TurnedHalf(const emu::PaperImage& paper) {
    emu::PaperImage turned = paper;
    std::reverse(turned.gray.begin(), turned.gray.end());
    return turned;
}

std::string Scanned(const emu::PaperImage& paper) {
    testsupport::TempDir dir;
    const std::string path = (dir / "paper.png").string();
    std::string error;
    if (!emu::WritePng(paper, path, &error)) return error;
    return testsupport::ScanBarcodes(path);
}

// Upside down (ESC { 1) turns each block half a turn where it prints, as it does a text line;
// the turned symbols still scan.
TEST(RenderEscPos, UpsideDownTurnsImagesBarcodesAndSymbols) {
    struct Row {
        const char* name;
        Bytes block;
        const char* symbol;  // what zbarimg reads on the turned paper, "" for none
    };
    const Row rows[] = {
        {"raster image", H("1D 76 30 00 02 00 03 00 F0 00 C0 00 80 01"), ""},
        {"stored graphics",
         H("1D 28 4C 0E 00 30 70 30 01 01 31 10 00 02 00 F0 01 80 00 1D 28 4C 02 00 30 32"), ""},
        {"NV graphics by key",
         H("1D 28 4C 0D 00 30 43 30 4B 31 01 08 00 02 00 31 F0 80 1D 28 4C 06 00 30 45 4B 31 01 "
           "01"),
         ""},
        {"EAN-13 with its caption", H("1D 48 02 1D 6B 43 0C") + T("590123412345"),
         "EAN-13:5901234123457"},
        {"CODE128", H("1D 6B 49 08 7B 42") + T("TURN-1"), "CODE-128:TURN-1"},
        {"QR code",
         H("1D 28 6B 03 00 31 43 04 1D 28 6B 09 00 31 50 30") + T("turned") +
             H("1D 28 6B 03 00 31 51 30"),
         "QR-Code:turned"},
    };
    for (const Row& row : rows) {
        const emu::PaperImage upright = Print(row.block).paper;
        const emu::PaperImage turned = Print(H("1B 7B 01") + row.block).paper;
        ASSERT_GT(rendertest::InkCount(upright), 0) << row.name;
        EXPECT_EQ(turned.gray, TurnedHalf(upright).gray) << row.name;
        if (*row.symbol) {
            EXPECT_NE(Scanned(turned).find(row.symbol), std::string::npos) << row.name;
        }
    }
    // In page mode ESC { is kept for standard mode: the page is not turned.
    const Bytes page = H("1B 4C") + rows[0].block + H("0C");
    EXPECT_EQ(Print(H("1B 7B 01") + page).paper.gray, Print(page).paper.gray);
}

// ESC V turns double-byte characters a quarter clockwise too: 一's stroke runs down.
TEST(RenderEscPos, QuarterTurnTurnsDoubleByteCharacters) {
    const auto upright = InkBox(Print(H("1C 26 D2 BB 0A")).paper);
    const auto turned = InkBox(Print(H("1C 26 1B 56 01 D2 BB 0A")).paper);
    EXPECT_GT(upright.right - upright.left, 4 * (upright.bottom - upright.top));
    EXPECT_GT(turned.bottom - turned.top, 4 * (turned.right - turned.left));
}

TEST(RenderEscPos, ReverseUpsideDownAndPositioning) {
    // A reversed space is a solid black cell.
    const emu::PaperImage reversed = Print(H("1D 42 01 20 0A")).paper;
    EXPECT_EQ(rendertest::InkCount(reversed), 12 * 24);

    // Upside down: the line turns within the paper, so T's bar is at the bottom right.
    const emu::PaperImage upright = Print(T("T") + H("0A")).paper;
    const emu::PaperImage turned = Print(H("1B 7B 01") + T("T") + H("0A")).paper;
    const auto box = InkBox(upright), turnedBox = InkBox(turned);
    EXPECT_EQ(turnedBox.right, 383 - box.left);
    EXPECT_EQ(LongestRun(turned, turnedBox.bottom), LongestRun(upright, box.top));
    EXPECT_LT(LongestRun(turned, turnedBox.top), LongestRun(turned, turnedBox.bottom));

    // A quarter turn makes a hyphen a vertical stroke.
    const auto hyphen = InkBox(Print(T("-\n")).paper);
    const auto turnedHyphen = InkBox(Print(H("1B 56 01") + T("-\n")).paper);
    EXPECT_GT(hyphen.right - hyphen.left, hyphen.bottom - hyphen.top);
    EXPECT_LT(turnedHyphen.right - turnedHyphen.left, turnedHyphen.bottom - turnedHyphen.top);

    // ESC \ moves right of the cursor; GS P makes its units 1/x inch.
    EXPECT_EQ(InkBox(Print(H("1B 5C 30 00") + T("I") + H("0A")).paper).left,
              InkBox(Print(T("    I\n")).paper).left);
    EXPECT_EQ(InkBox(Print(H("1D 50 66 00 1B 5C 18 00") + T("I") + H("0A")).paper).left,
              InkBox(Print(T("    I\n")).paper).left);

    // SO widens one line only.
    const emu::PaperImage wide = Print(H("0E") + T("I") + H("0A") + T("I") + H("0A")).paper;
    EXPECT_GT(InkWidth(emu::PaperImage{
                  wide.width, 30, {wide.gray.begin(), wide.gray.begin() + 30 * wide.width}}),
              InkWidth(Print(T("I\n")).paper));
}

TEST(RenderEscPos, DrawerAndBuzzerAreEventsNotInk) {
    const Printed p = Print(H("1B 70 00 32 FA 1B 42 02 03 07 0A"));
    EXPECT_EQ(rendertest::InkCount(p.paper), 0);
    EXPECT_NE(p.trace.find("drawer 1: pulse 100 ms"), std::string::npos) << p.trace;
    EXPECT_NE(p.trace.find("buzzer: 2 beeps of 150 ms"), std::string::npos) << p.trace;
}

constexpr emu::Condition kDrawer = emu::Condition::DrawerOpen;
constexpr emu::Condition kNearEnd = emu::Condition::PaperNearEnd;
constexpr emu::Condition kPaperOut = emu::Condition::PaperOut;
constexpr emu::Condition kCutter = emu::Condition::Cutter;
constexpr emu::Condition kCover = emu::Condition::Platen;

TEST(RenderEscPos, ModelsAnswerAsTheirPrinterDoes) {
    struct Row {
        const char* name;
        const char* model;
        Bytes stream;
        Bytes replies;
        std::vector<emu::Condition> conditions = {};
    };
    const Row rows[] = {
        {"printer status", "escpos58", H("10 04 01"), H("12")},
        {"paper sensor, paper out", "escpos58", H("10 04 04"), H("72"), {emu::Condition::PaperOut}},
        {"cover open is off-line", "escpos58", H("10 04 02"), H("16"), {emu::Condition::Platen}},
        {"model name", "escpos80", H("1D 49 43"), H("5F") + T("escpos80") + H("00")},
        {"automatic status back", "escpos58", H("1D 61 0F"), H("10 00 00 0F")},
        {"drawer pin 3 high", "escpos58", H("10 04 01 1D 72 02"), H("16 01"), {kDrawer}},
        {"paper near end", "escpos58", H("10 04 04 1D 72 01"), H("1E 03"), {kNearEnd}},
        {"cutter error", "escpos58", H("10 04 03 10 04 02"), H("1A 52"), {kCutter}},
        {"status back, near end and drawer",
         "escpos58",
         H("1D 61 0F"),
         H("14 00 03 0F"),
         {kNearEnd, kDrawer}},
        {"the module answers request 5 only", "module", H("10 04 01 10 04 05"), H("00")},
        {"the module's ESC m is gray, not a cut", "module", H("1B 6D 04"), {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Print(row.stream, row.model, row.conditions).replies, row.replies) << row.name;
    }
}

// Off-line (paper out, cover open, an error) holds printing; what waits prints once the cause is
// gone, or DLE ENQ recovers from a cutter error. Real-time commands act meanwhile.
TEST(RenderEscPos, PrintingHoldsWhileOffLineAndResumes) {
    struct Row {
        const char* name;
        emu::Condition cause;
        Bytes whileHeld;
        bool clearByHand;
        bool printsAfter;
        Bytes replies;
    };
    const Row rows[] = {
        {"cover open, closed again", kCover, T("A\n") + H("10 04 02"), true, true, H("16")},
        {"paper out, paper loaded", kPaperOut, T("A\n"), true, true, {}},
        {"near end does not hold", kNearEnd, T("A\n"), false, true, {}},
        {"cutter error, DLE ENQ 1", kCutter, T("A\n") + H("10 05 01 10 04 03"), false, true,
         H("12")},
        {"cutter error, DLE ENQ 2 drops what waits",
         kCutter,
         T("A\n") + H("10 05 02"),
         false,
         false,
         {}},
    };
    for (const Row& row : rows) {
        emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos58"), 0);
        printer.SetCondition(row.cause, true);
        printer.Feed(row.whileHeld.data(), row.whileHeld.size());
        EXPECT_EQ(printer.TakeReplies(), row.replies) << row.name;
        if (row.clearByHand) {
            EXPECT_GT(printer.Waiting(), 0u) << row.name;
            EXPECT_EQ(rendertest::InkCount(printer.Snapshot()), 0) << row.name;
            printer.SetCondition(row.cause, false);
        }
        EXPECT_EQ(rendertest::InkCount(printer.Snapshot()) > 0, row.printsAfter) << row.name;
        EXPECT_EQ(printer.Waiting(), 0u) << row.name;
    }
}

TEST(RenderEscPos, StatusBackFollowsTheKindsEnabled) {
    emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos58"), 0);
    const Bytes drawerOnly = H("1D 61 01");
    printer.Feed(drawerOnly.data(), drawerOnly.size());
    EXPECT_EQ(printer.TakeReplies(), H("10 00 00 0F"));
    printer.SetCondition(kCover, true);
    EXPECT_TRUE(printer.TakeReplies().empty()) << "on-line changes are not enabled";
    printer.SetCondition(kDrawer, true);
    EXPECT_EQ(printer.TakeReplies(), H("3C 00 00 0F")) << "drawer, off-line and cover bits";
}

TEST(RenderEscPos, RealTimePulseActsWhileHeld) {
    emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos58"), 0);
    std::string trace;
    printer.SetTraceCallback(
        [&](const std::string& line, const std::string&) { trace += line + "\n"; });
    printer.SetCondition(kCover, true);
    const Bytes pulse = H("10 14 01 01 03");
    printer.Feed(pulse.data(), pulse.size());
    EXPECT_NE(trace.find("drawer 2: pulse 300 ms (on arrival"), std::string::npos) << trace;
    printer.SetCondition(kCover, false);
    EXPECT_NE(trace.find("drawer 2: pulse 300 ms: done on arrival"), std::string::npos) << trace;
}

// ESC & draws its character in place of the built-in one while ESC % selects the set, for the
// font it was defined in; ESC ? and ESC @ take it back.
TEST(RenderEscPos, UserDefinedCharactersReplaceTheGlyph) {
    const Bytes solidA = H("1B 26 03 41 41 0C") + emutest::Repeat(0xFF, 36);  // 12 x 24, all ink
    struct Row {
        const char* name;
        Bytes stream;
        int ink;  // dots; -1: as the built-in "A"
    };
    const Row rows[] = {
        {"selected", solidA + H("1B 25 01") + T("A\n"), 12 * 24},
        {"defined, not selected", solidA + T("A\n"), -1},
        {"cancelled", solidA + H("1B 25 01 1B 3F 41") + T("A\n"), -1},
        {"Font B has its own set", solidA + H("1B 25 01 1B 4D 01") + T("A\n"), -2},
        {"ESC @ forgets them", solidA + H("1B 40 1B 25 01") + T("A\n"), -1},
        {"cut to Font B's 17 rows",
         H("1B 4D 01 1B 26 03 41 41 09") + emutest::Repeat(0xFF, 27) + H("1B 25 01") + T("A\n"),
         9 * 17},
    };
    const int builtIn = rendertest::InkCount(Print(T("A\n")).paper);
    const int builtInB = rendertest::InkCount(Print(H("1B 4D 01") + T("A\n")).paper);
    for (const Row& row : rows) {
        const int expected = row.ink == -1 ? builtIn : row.ink == -2 ? builtInB : row.ink;
        EXPECT_EQ(rendertest::InkCount(Print(row.stream).paper), expected) << row.name;
    }
}

// Stored bit images print at the scale asked for: FS p and GS / with m 0..3.
TEST(RenderEscPos, StoredBitImagesPrintAtTheirScale) {
    const Bytes nv = H("1C 71 01 02 00 01 00") + emutest::Repeat(0xFF, 16);  // 16 x 8, all ink
    const Bytes download = H("1D 2A 02 01") + emutest::Repeat(0xFF, 16);
    for (const Bytes& print : {nv + H("1C 70 01 03"), download + H("1D 2F 03")}) {
        const auto box = InkBox(Print(print).paper);
        EXPECT_EQ(box.right - box.left + 1, 32);
        EXPECT_EQ(box.bottom - box.top + 1, 16);
    }
}

TEST(RenderEscPos, EscMAndEscICutOnTheCommonPrinters) {
    emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos58"), 0);
    int pages = 0;
    printer.SetReceiptCallback([&](const emu::FinishedReceipt&) { ++pages; });
    const Bytes stream = T("A\n") + H("1B 69") + T("B\n") + H("1B 6D") + T("C\n");
    printer.Feed(stream.data(), stream.size());
    EXPECT_EQ(pages, 2) << "ESC i cuts full, ESC m partially: each ends a receipt";
    EXPECT_TRUE(printer.HasContent());
}

}  // namespace
