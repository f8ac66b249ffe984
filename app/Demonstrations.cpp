#include "app/Demonstrations.h"

#include <initializer_list>

#include "demo_texts/DemoImage.h"
#include "demo_texts/DemoTexts.h"
#include "printer/PrinterPort.h"

using namespace demo_texts;

namespace {

// Print mode values: 0x0A for titles, 0x30 double height and width, 0x82 italic and underline,
// 0x08 for the tab demonstration's heading row.
constexpr BYTE kModeNormal = 0;
constexpr BYTE kModeTitle = 10;
constexpr BYTE kModeDoubleHeightWidth = 48;
constexpr BYTE kModeItalicUnderline = 130;
constexpr BYTE kModeHeading = 8;

const BYTE* bytes(const char* text) { return reinterpret_cast<const BYTE*>(text); }

void lineFeeds(CPrinterPort& printer, int count) {
    for (int i = 0; i < count; ++i) printer.LineFeed();
}

// One line of cells, a tab between neighbours.
void printTabbedRow(CPrinterPort& printer, std::initializer_list<const char*> cells) {
    bool first = true;
    for (const char* cell : cells) {
        if (!first) printer.HorizontalTab();
        printer.PrintText(cell);
        first = false;
    }
    printer.LineFeed();
}

}  // namespace

void PrintDemoTitle(CPrinterPort& printer, const char* title) {
    printer.SetPrintMode(kModeTitle);
    printer.PrintText(title);
    printer.LineFeed();
    printer.SetPrintMode(kModeNormal);
}

void PrintFontStyleDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleFontStyle);
    // Both samples share one printed line; only the mode changes between them.
    printer.SetPrintMode(kModeDoubleHeightWidth);
    printer.PrintText(kDoubleHeightWidth);
    printer.SetPrintMode(kModeItalicUnderline);
    printer.PrintText(kItalicUnderline);
    printer.LineFeed();
    printer.SetPrintMode(kModeNormal);
    lineFeeds(printer, 2);
}

void PrintPrintAndFeedDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleFeedByDots);
    printer.PrintText(kFeed100Dots);
    printer.FeedDots(100);
    printer.PrintText(kReverseFeed24Dots);
    printer.ReverseFeedDots(24);
    // The leading spaces move this text clear of the line printed before the reverse feed.
    printer.PrintText(kPrintedAfterReverseFeed);
    lineFeeds(printer, 2);

    PrintDemoTitle(printer, kTitleFeedByLines);
    printer.PrintText(kFeed2Lines);
    printer.FeedLines(2);
    printer.PrintText(kReverseFeed1Line);
    printer.ReverseFeedLines(1);
    printer.PrintText(kPrintedAfterReverseFeed);
    lineFeeds(printer, 3);
}

void PrintPageMarginsDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitlePageMargins);
    // Margins count in units of 8 dots: 10 gives the 80 dots the text announces.
    printer.SetLeftMargin(10);
    printer.SetRightMargin(10);
    printer.PrintText(kMarginsNote);
    printer.LineFeed();
    printer.SetLeftMargin(0);
    printer.SetRightMargin(0);
    lineFeeds(printer, 2);
}

void PrintAbsolutePositionDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleAbsolutePosition);
    printer.SetAbsolutePosition(100);
    printer.PrintText(kAbsolutePosition100);
    printer.LineFeed();
    // No position command here: the line shows that the position held for one line only.
    printer.PrintText(kAbsolutePositionOnce);
    lineFeeds(printer, 3);
}

void PrintGrayLevelDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleGrayLevel);
    printer.SetGrayLevel(8);
    printer.PrintText(kGrayLevel8);
    printer.LineFeed();
    printer.SetGrayLevel(4);
    printer.PrintText(kGrayLevel4);
    printer.LineFeed();
    lineFeeds(printer, 2);
}

void PrintHorizontalTabDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleHorizontalTab);
    static constexpr BYTE kTabStops[] = {12, 24, 36};
    printer.SetTabStops(kTabStops, 3);

    printer.SetPrintMode(kModeHeading);
    printTabbedRow(printer, {kItemA, kItemB, kItemC, kItemD});
    printer.SetPrintMode(kModeNormal);
    printTabbedRow(printer, {kData1, kData2, kData3, kData4});
    lineFeeds(printer, 2);
}

void PrintVerticalTableDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleVerticalTable);
    static constexpr BYTE kBoundaries[] = {0, 8, 16, 24, 32};
    // Each cell starts 2 past its column's left boundary; the heading cell has format 2. The
    // lengths 9 and 7 are the cells' full texts, spaces included (checked where they are made).
    const char* const headings[] = {kCellItemA, kCellItemB, kCellItemC, kCellItemD};
    for (const char* heading : headings) {
        const TableCell row[] = {
            {2, 2, 9, bytes(heading)},
            {10, 1, 7, bytes(kCellData1)},
            {18, 1, 7, bytes(kCellData2)},
            {26, 1, 7, bytes(kCellData3)},
        };
        printer.PrintTable(5, kBoundaries, 4, row);
    }
    lineFeeds(printer, 2);
}

void PrintRasterImageDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleRasterImage);
    // 48 bytes (384 dots) a row, 91 rows.
    static_assert(sizeof kDemoImage == 48 * 91);
    printer.PrintRasterImage(0, 48, 0, 91, 0, kDemoImage);
    lineFeeds(printer, 2);
}

void PrintAlignmentDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleAlignment);
    printer.SetAlignment(0);
    printer.PrintText(kAlignLeft);
    printer.LineFeed();
    printer.SetAlignment(1);
    printer.PrintText(kAlignCentre);
    printer.LineFeed();
    printer.SetAlignment(2);
    printer.PrintText(kAlignRight);
    printer.LineFeed();
    printer.SetAlignment(0);
    lineFeeds(printer, 2);
}

void PrintBarcodeDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleBarcode);
    printer.SetBarcodeWidth(2);
    printer.SetBarcodeHeight(96);
    printer.SetBarcodeTextPosition(2);
    // Type 2 is EAN-13; the printer computes the check digit from the twelve digits sent.
    printer.PrintBarcode(2, bytes(kBarcodeData), sizeof kBarcodeData - 1);
    lineFeeds(printer, 2);
}

void PrintCutPaperDemo(CPrinterPort& printer) {
    PrintDemoTitle(printer, kTitleCutPaper);
    printer.PrintText(kPartialCut);
    printer.LineFeed();
    printer.CutPaper(50, 66);
    printer.PrintText(kFullCut);
    printer.LineFeed();
    printer.CutPaper(50, 65);
    lineFeeds(printer, 2);
}
