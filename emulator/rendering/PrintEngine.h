// The printer mechanism behind the command decoder: it sets type into a line buffer, burns lines,
// raster rows, table rows and barcodes onto the paper with the head, feeds and reverse-feeds, and
// cuts. One call per decoded printing command, in stream order.
//
// Behaviour of this module's commands, as the engine defines them:
// - Text: single bytes in Font A (12x24); GBK pairs in 24x24 glyphs; a pair without a glyph
//   prints as a hollow box. Lines wrap at the right edge of the printable area.
// - ESC ! n: bit 1 italic, bit 3 bold, bit 4 double height, bit 5 double width, bit 7 underline
//   two dots thick. GS ! sets the multipliers 1..8, ESC E bold, ESC - the underline (0..2 dots).
//   Characters of different heights on one line share a baseline.
// - Line spacing (ESC 3 n, default 30 dots, ESC 2 restores it) is the feed of one line of
//   single-height text; a taller line feeds its height plus the same gap (spacing - 24).
// - Margins: ESC l / ESC Q in 8-dot units, GS L in dots, GS W sets the area width from the left
//   margin. They take effect at the start of the next line. A margin that would leave less than
//   one full-width character is ignored.
// - ESC $ n: the next character of the line starts n dots right of the left margin.
// - ESC D: tab stops in 12-dot columns, times the current width multiplier; HT past the last stop
//   does nothing, and a stop beyond the printable area ends the line (the next character wraps).
// - ESC a: applied to the whole line when it is printed, and to raster images and barcodes.
// - ESC m n (gray level 1..8, default 8): dot darkness 255 - 255 * n / 8, so 8 is black and 4 is
//   mid gray. Other values are ignored. Applies to everything burnt afterwards.
// - Feeds: ESC J / ESC K n dots; ESC d / ESC e n lines of the height of the line just printed
//   (an empty line counts as one single-height line). Reverse feeds stop at the receipt's top.
// - GS v 0 m: 0 normal, 1 double width, 2 double height, 3 both (48..51 likewise); rows stream
//   to the paper as they arrive, clipped to the printable area.
// - FS V (vertical table row): boundaries are 12-dot character columns from the left margin and
//   carry 2-dot vertical rules; 2-dot rules run above and below the row, and a row that follows
//   another directly shares its rule, so the rows form one grid. A cell's text starts at its
//   column `position` (leading blanks dropped: the position already indents it) and is clipped
//   to its cell. Format 2 is a heading cell (bold), any other format a data cell (normal weight).
// - Barcodes: GS h height (default 162), GS w module 1..6 (default 3), GS H caption 0 none,
//   1 above, 2 below, 3 both, in Font A. Ten-module quiet zones on both sides. Data a system
//   cannot carry, a wrong check digit, or bars wider than the printable area print nothing (the
//   quiet zones may run into the margins and off the paper).
// - Cuts feed first; every cut, full or partial, hands the receipt to the page callback and
//   starts a fresh one; a partial cut first draws a perforation at the receipt's end. A receipt
//   reaching Paper::kMaxRows is cut there automatically.
// - ESC * m (bit image): a stripe placed in the line like a character, 24 dots high: 8-dot modes
//   (0, 1) draw each dot 3 rows high, single density (0, 32) 2 columns wide. The line feed after
//   it moves the paper by the line spacing (at least the stripe), so stripes sent with ESC 3 0 or
//   ESC 3 24 join. Columns beyond the printable area are dropped.
// - GS ( L / GS 8 L: graphics stored in the print buffer (function 112) print with function 50,
//   at their scale and the alignment in force, like a raster image; printing empties the buffer.
// - GS ( k symbols print at their module size and the alignment in force; one wider than the
//   printable area (or longer than a receipt) prints nothing and says so.
// - ESC @ resets every setting and drops the unprinted line; ClearBuffer drops it only. Pending
//   text is printed as a line before a raster image, table row, barcode or cut.
// - Single bytes read through the code table (ESC t; the module starts in Latin-1, the ESC/POS
//   models in PC437 with double-byte mode off until FS &) and the international set (ESC R).
// - Font B (ESC M 1, ESC ! bit 0, ESC SI) is 9x17; GS B prints white on black including the
//   character spacing (ESC SP); ESC { turns each printed text line, image, table row, barcode and
//   2D symbol half a turn within the paper; ESC V turns characters a quarter turn, single- and
//   double-byte; SO doubles the width until the line prints.
// - FS ! / FS - / FS W / FS S style double-byte characters only: double width and height,
//   underline, quadruple size, left and right spacing.
// - ESC $ and ESC \ count in GS P horizontal motion units (1/x inch; 0 or unset: dots).
// - ESC d 0, like ESC J 0, still feeds past the line it prints.
// - UTF-8 (FS ( C function 48): ASCII prints in the font in force; any other character from the
//   first of the two fonts function 60 ranks (default: ANK, then Simplified Chinese) that has it,
//   a double-byte font's glyph in the double-byte styles. A sequence that is not UTF-8 prints as
//   '?', a character neither font has as the hollow box. ESC t, ESC R and FS & do not apply.
// - Page mode (ESC L, ESC/POS models): everything is composed in a PageBuffer, turned to the
//   print direction (ESC T) within the print area (ESC W), and printed where the paper is by FF
//   (back to standard mode) or ESC FF (the page stays, to print again); then the paper moves past
//   the page. ESC S leaves the page unprinted, CAN empties the area in force. The print position
//   is the baseline the next line sits on (GS $, GS \ move it; ESC $, ESC \, HT along the line,
//   in the motion unit of that axis): lines sit on it, and images, barcodes and symbols stand on
//   it at the horizontal position, which moves past them; whatever would stick out above the
//   area, or above the line a feed started, pushes the position down. LF moves the baseline by the
//   line spacing, or further when the line's descent and the usual gap need it; ESC J n by n dots,
//   at least the line's height; ESC d n by n line feeds. Margins, alignment, upside-down, reverse
//   feeds and cuts act in standard mode only; CR does nothing in either.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/PrinterModel.h"
#include "emulator/decoding/CommandSink.h"
#include "emulator/decoding/GbkPairer.h"
#include "emulator/decoding/TextFonts.h"
#include "emulator/rendering/FontSet.h"
#include "emulator/rendering/LineBuffer.h"
#include "emulator/rendering/PageBuffer.h"
#include "emulator/rendering/Paper.h"
#include "emulator/rendering/PaperImage.h"
#include "emulator/rendering/TextStyle.h"
#include "emulator/rendering/UserCharacters.h"

namespace emu {

struct BarcodeSymbol;

class PrintEngine : public CommandSink {
  public:
    explicit PrintEngine(int widthDots = 384, CommandSet commands = CommandSet::Module);

    // Called with each finished receipt at a full cut (or at the length limit); the picture is
    // the callee's to keep, so a receipt's dots are not copied on their way to the file.
    void SetPageCallback(std::function<void(PaperImage&&)> onPage);
    // Hands the receipt in progress to the page callback as a cut does, without feeding or
    // printing the line still in the buffer, and starts a fresh one.
    void EndReceipt() { FinishReceipt(); }
    // The receipt in progress, without the line still in the buffer.
    PaperImage Snapshot() const;
    bool HasContent() const;
    int WidthDots() const;
    std::uint64_t DotRowsPrinted() const;
    // Fonts that could not be found, one line each; empty when all are installed.
    std::string FontProblems() const;

    void Text(std::uint8_t byte) override;
    void Unicode(char32_t c) override;
    void LineFeed() override;
    void CarriageReturn() override;
    void HorizontalTab() override;
    void FeedDots(std::uint8_t n) override;
    void ReverseFeedDots(std::uint8_t n) override;
    void FeedLines(std::uint8_t n) override;
    void ReverseFeedLines(std::uint8_t n) override;
    void SetLeftMargin(std::uint8_t units) override;
    void SetRightMargin(std::uint8_t units) override;
    void SetAbsolutePosition(std::uint16_t dots) override;
    void SetPrintMode(std::uint8_t bits) override;
    void SetRelativePosition(std::int16_t units) override;
    void SetMotionUnits(std::uint8_t x, std::uint8_t y) override;
    void SetDoubleStrike(bool on) override;
    void SetItalic(bool on) override;
    void SetFont(std::uint8_t n) override;
    void SetCondensed(bool on) override;
    void SetOneLineDoubleWidth(bool on) override;
    void SetReverse(bool on) override;
    void SetUpsideDown(bool on) override;
    void SetRotation(bool on) override;
    void SetRightSpacing(std::uint8_t dots) override;
    void SelectInternationalSet(std::uint8_t n) override;
    void SetKanjiPrintMode(std::uint8_t bits) override;
    void SetKanjiUnderline(std::uint8_t n) override;
    void SetKanjiSpacing(std::uint8_t left, std::uint8_t right) override;
    void SetKanjiQuadruple(bool on) override;
    void SelectUtf8(bool on) override;
    void SetFontPriority(std::uint8_t rank, std::uint8_t font) override;
    void SetAlignment(std::uint8_t n) override;
    void SetGrayLevel(std::uint8_t n) override;
    void SetTabStops(const std::vector<std::uint8_t>& columns) override;
    void Initialize() override;
    void ClearBuffer() override;
    void RasterBegin(std::uint8_t m, std::uint16_t widthBytes, std::uint16_t height) override;
    void RasterRow(const std::uint8_t* row) override;
    void RasterEnd() override;
    void TableRow(const std::vector<std::uint8_t>& boundaries,
                  const std::vector<TableCell>& cells) override;
    void SetBarcodeHeight(std::uint8_t dots) override;
    void SetBarcodeWidth(std::uint8_t n) override;
    void SetBarcodeTextPosition(std::uint8_t n) override;
    std::string PrintBarcode(std::uint8_t system, const std::vector<std::uint8_t>& data) override;
    void Cut(bool partial, std::uint8_t feed) override;
    void SetEmphasized(bool on) override;
    void SetUnderline(std::uint8_t n) override;
    void SetLineSpacing(std::uint8_t dots) override;
    void SetDefaultLineSpacing() override;
    void SelectCodeTable(std::uint8_t n) override;
    void SetKanjiMode(bool on) override;
    void SetCharacterSize(std::uint8_t n) override;
    void SetLeftMarginDots(std::uint16_t dots) override;
    void SetPrintAreaWidth(std::uint16_t dots) override;
    void BitImage(std::uint8_t mode, std::uint16_t columns,
                  const std::vector<std::uint8_t>& data) override;
    void StoreGraphics(const RasterGraphics& graphics) override;
    std::string PrintGraphics() override;
    std::string PrintImage(const RasterGraphics& picture) override;
    void DefineUserCharacter(std::uint8_t code, std::uint8_t width, std::uint8_t bytes,
                             const std::vector<std::uint8_t>& columns) override;
    void SelectUserCharacters(bool on) override;
    void CancelUserCharacter(std::uint8_t code) override;
    std::string PrintMatrix(const DotMatrix& symbol) override;
    void EnterPageMode() override;
    void LeavePageMode() override;
    void SetPageArea(std::uint16_t x, std::uint16_t y, std::uint16_t width,
                     std::uint16_t height) override;
    void SetPageDirection(std::uint8_t n) override;
    void SetPageVerticalPosition(std::uint16_t units) override;
    void MovePageVertical(std::int16_t units) override;
    void PrintPage(bool keep) override;
    void CancelPage() override;

  private:
    static std::vector<int> EveryEighthColumn();
    struct Settings {
        TextStyle style;
        bool emphasized = false;
        bool doubleStrike = false;
        bool fontB = false;
        bool condensed = false;
        bool oneLineWide = false;
        bool upsideDown = false;
        bool rotated = false;
        bool userCharacters = false;  // ESC % 1
        std::uint8_t codeTable = 0;
        std::uint8_t internationalSet = 0;
        // FS ( C function 60: the fonts UTF-8 text tries, first and second.
        std::array<std::uint8_t, 2> fontPriority{kAnkFont, kSimplifiedChineseFont};
        int motionX = 0;  // GS P: 1/x inch; 0 counts dots
        int motionY = 0;
        // Double-byte characters only (FS !, FS -, FS W, FS S).
        bool kanjiWide = false, kanjiTall = false, kanjiQuadruple = false;
        int kanjiUnderline = 0, kanjiLeft = 0, kanjiRight = 0;
        int leftMargin = 0;   // dots
        int rightMargin = 0;  // dots
        int alignment = 0;
        std::uint8_t shade = 0;
        std::vector<int> tabColumns = EveryEighthColumn();
        int lineSpacing = 30;
        int barcodeHeight = 162;
        int barcodeModule = 3;
        int captionPosition = 0;
        PageArea pageArea;  // kept in standard mode for the next page
        int pageDirection = 0;
    };
    struct Raster {
        bool active = false;
        int scaleX = 1, scaleY = 1;
        int widthBytes = 0, rowsLeft = 0;
        int left = 0, right = 0;
        int width = 0;  // dots, scaled
        int top = 0;    // in a page: the next row's top; on paper: the image's first row
    };
    // What a page's current line holds, for the feed that ends it.
    struct PageLine {
        int height = 0;   // tallest text cell developed on it
        int descent = 0;  // its deepest descent below the baseline
    };

    Settings DefaultSettings() const;
    void ForgetGlyphs() { m_singles.fill(nullptr); }
    const Glyph& SingleGlyph(std::uint8_t byte);
    FontSet::Face CurrentFace() const;
    TextStyle CharStyle() const;
    TextStyle PairStyle() const;
    // Dots for units along the text's lines (ESC $, ESC \) or across them (GS $, GS \).
    int MotionDots(int units, bool alongLines) const;
    int AreaLeft() const;
    int AreaRight() const;
    int AlignedStart(int width, int left, int right) const;
    void PlaceChar(const TextChar& c);
    // A double-byte character's cell, in the double-byte styles (FS !, FS S, FS W, FS -).
    void PlaceDoubleByte(const Glyph& glyph);
    void PlaceGlyph(const Glyph& glyph, const TextStyle& style, int extra);
    // Burns the buffered line at the head; returns its height in dots (0 when empty).
    int PrintLine();
    int LineAdvance(int height) const;
    void PrintPendingLine();
    void Advance(int rows);
    void Reverse(int rows);
    void MakeRoom(int rows);
    void FinishReceipt();
    // The surface in force and the row its head is at.
    Surface& Target();
    int HeadRow() const;
    // Where a block (table row, barcode, symbol) of width x height dots goes: its left column
    // at the alignment in force between left and right, and its top row. PassBlock moves on
    // past it.
    struct Spot {
        int x;
        int top;
    };
    Spot PlaceBlock(int width, int height, int left, int right);
    void PassBlock(int width, int height);

    // Page mode (PrintEnginePage.cpp).
    // Paints the buffered text on the page at the print position; the line goes on from there.
    void DevelopLine();
    Spot PlaceInPage(int height);
    int PageLineHeight();
    int PageLineAdvance();
    // Ends the page's line: the position moves down by rows, back to the line's start.
    void PageNewLine(int rows);
    void StartPageAt(int baseline);
    void BurnPage();
    void DrawCaption(const std::string& text, int centre, int top);

    int m_width;
    CommandSet m_commands;
    Settings m_settings;
    // Single-byte glyphs under the current font, table and rotation, looked up once each.
    std::array<const Glyph*, 256> m_singles{};
    FontSet& m_fonts;  // shared by every engine in the process
    GbkPairer m_pairer;
    UserCharacters m_userCharacters;
    LineBuffer m_line;
    std::unique_ptr<Paper> m_paper;
    Raster m_raster;
    std::deque<Glyph> m_lineImages;  // bit images placed in the line buffer, until it prints
    std::optional<RasterGraphics> m_graphics;  // stored graphics, until printed
    std::unique_ptr<PageBuffer> m_page;        // in page mode only
    std::unique_ptr<PageBuffer> m_spare;       // the last page's, emptied
    int m_pageY = 0;                           // the print position's baseline row in the page
    // Nothing on the page's line rises above this row: the area's top, or where a line feed
    // started the line; GS $ and GS \ leave the placing to the client.
    int m_pageLineTop = 0;
    PageLine m_pageLine;
    int m_tableEnd = -1;  // head row where the last table row ended, for joining rows
    std::uint64_t m_rowsPrinted = 0;
    std::function<void(PaperImage&&)> m_onPage;
};

}  // namespace emu
