// What the command decoder hands to the print engine: one call per decoded printing command, in
// stream order. Status, sleep, real-time and line-setting commands stay with the virtual printer
// and never reach the sink. Every call does nothing by default, so a sink overrides only what it
// acts on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/barcodes/DotMatrix.h"

namespace emu {

struct TableCell {
    std::uint8_t position = 0;
    std::uint8_t format = 0;
    std::vector<std::uint8_t> text;  // GBK bytes as sent (the terminating 00 is not included)
};

// Graphics stored in the print buffer (GS ( L / GS 8 L function 112): rows of rowBytes bytes,
// one bit per dot, most significant bit leftmost.
struct RasterGraphics {
    int widthDots = 0;
    int height = 0;
    int scaleX = 1;  // 1 or 2
    int scaleY = 1;
    int rowBytes = 0;
    std::vector<std::uint8_t> bits;

    // The largest graphics a definition may make (and a stored file may hold).
    static constexpr int kMaxDefinedWidth = 8192;
    static constexpr int kMaxDefinedHeight = 2304;
};

class CommandSink {
  public:
    virtual ~CommandSink() = default;

    // One byte of printable text (a single byte or one byte of a GBK pair; the engine pairs them).
    virtual void Text(std::uint8_t) {}
    // With UTF-8 selected, text arrives as characters instead (Utf8Char::kInvalid for a sequence
    // that is not UTF-8).
    virtual void Unicode(char32_t) {}
    virtual void LineFeed() {}                                     // LF
    virtual void CarriageReturn() {}                               // CR
    virtual void HorizontalTab() {}                                // HT
    virtual void FeedDots(std::uint8_t) {}                         // ESC J n
    virtual void ReverseFeedDots(std::uint8_t) {}                  // ESC K n
    virtual void FeedLines(std::uint8_t) {}                        // ESC d n
    virtual void ReverseFeedLines(std::uint8_t) {}                 // ESC e n
    virtual void SetLeftMargin(std::uint8_t) {}                    // ESC l n, 8-dot units
    virtual void SetRightMargin(std::uint8_t) {}                   // ESC Q n, 8-dot units
    virtual void SetAbsolutePosition(std::uint16_t) {}             // ESC $ nL nH
    virtual void SetRelativePosition(std::int16_t) {}              // ESC \ nL nH
    virtual void SetMotionUnits(std::uint8_t, std::uint8_t) {}     // GS P x y
    virtual void SetPrintMode(std::uint8_t) {}                     // ESC ! n
    virtual void SetAlignment(std::uint8_t) {}                     // ESC a n
    virtual void SetGrayLevel(std::uint8_t) {}                     // ESC m n (this module)
    virtual void SetTabStops(const std::vector<std::uint8_t>&) {}  // ESC D ... 00
    virtual void Initialize() {}                                   // ESC @
    virtual void ClearBuffer() {}  // clear buffers: drop unprinted data
    // GS v 0: header, then each row (widthBytes bytes) as it arrives, then the end.
    virtual void RasterBegin(std::uint8_t, std::uint16_t, std::uint16_t) {}
    virtual void RasterRow(const std::uint8_t*) {}
    virtual void RasterEnd() {}
    // FS V: one vertical-table row.
    virtual void TableRow(const std::vector<std::uint8_t>&, const std::vector<TableCell>&) {}
    virtual void SetBarcodeHeight(std::uint8_t) {}        // GS h n
    virtual void SetBarcodeWidth(std::uint8_t) {}         // GS w n
    virtual void SetBarcodeTextPosition(std::uint8_t) {}  // GS H n
    // GS k: system is the second-form code (65..78); form-one codes 0..6 arrive as 65..71.
    // Returns why nothing was printed, or an empty string.
    virtual std::string PrintBarcode(std::uint8_t, const std::vector<std::uint8_t>&) { return {}; }
    // GS V, ESC i, ESC m: feed in dots before cutting.
    virtual void Cut(bool /*partial*/, std::uint8_t /*feed*/) {}

    virtual void SetEmphasized(bool) {}                          // ESC E n
    virtual void SetDoubleStrike(bool) {}                        // ESC G n
    virtual void SetUnderline(std::uint8_t) {}                   // ESC - n
    virtual void SetItalic(bool) {}                              // ESC 4 / ESC 5
    virtual void SetFont(std::uint8_t) {}                        // ESC M n
    virtual void SetCondensed(bool) {}                           // ESC SI / DC2
    virtual void SetOneLineDoubleWidth(bool) {}                  // SO, ESC SO / DC4, ESC DC4
    virtual void SetReverse(bool) {}                             // GS B n
    virtual void SetUpsideDown(bool) {}                          // ESC { n
    virtual void SetRotation(bool) {}                            // ESC V n
    virtual void SetRightSpacing(std::uint8_t) {}                // ESC SP n
    virtual void SetLineSpacing(std::uint8_t) {}                 // ESC 3 n
    virtual void SetDefaultLineSpacing() {}                      // ESC 2
    virtual void SelectCodeTable(std::uint8_t) {}                // ESC t n
    virtual void SelectInternationalSet(std::uint8_t) {}         // ESC R n
    virtual void SetKanjiMode(bool) {}                           // FS & / FS .
    virtual void SetKanjiPrintMode(std::uint8_t) {}              // FS ! n
    virtual void SetKanjiUnderline(std::uint8_t) {}              // FS - n
    virtual void SetKanjiSpacing(std::uint8_t, std::uint8_t) {}  // FS S n1 n2
    virtual void SetKanjiQuadruple(bool) {}                      // FS W n
    virtual void SelectUtf8(bool) {}  // FS ( C function 48: UTF-8, or the code tables
    // FS ( C function 60: the font tried first (rank 0) or second (rank 1) for a UTF-8 character.
    virtual void SetFontPriority(std::uint8_t /*rank*/, std::uint8_t /*font*/) {}
    virtual void SetCharacterSize(std::uint8_t) {}    // GS ! n
    virtual void SetLeftMarginDots(std::uint16_t) {}  // GS L nL nH
    virtual void SetPrintAreaWidth(std::uint16_t) {}  // GS W nL nH
    // ESC & y c1 c2: one character for the font in force, width dots of `bytes` bytes a column.
    virtual void DefineUserCharacter(std::uint8_t /*code*/, std::uint8_t /*width*/,
                                     std::uint8_t /*bytes*/, const std::vector<std::uint8_t>&) {}
    virtual void SelectUserCharacters(bool) {}         // ESC % n
    virtual void CancelUserCharacter(std::uint8_t) {}  // ESC ? n

    // Images and 2D symbols; the ones returning a string return why nothing was printed, or "".
    // ESC * m: one stripe of columns (1 byte each for m 0/1, 3 for m 32/33) into the line.
    virtual void BitImage(std::uint8_t /*mode*/, std::uint16_t /*columns*/,
                          const std::vector<std::uint8_t>& /*data*/) {}
    virtual void StoreGraphics(const RasterGraphics&) {}  // GS ( L / GS 8 L function 112
    virtual std::string PrintGraphics() { return {}; }    // function 50
    // A stored picture at its scale: NV and download graphics, NV and downloaded bit images.
    virtual std::string PrintImage(const RasterGraphics&) { return {}; }
    virtual std::string PrintMatrix(const DotMatrix&) { return {}; }  // GS ( k print

    // Page mode (the ESC/POS models).
    virtual void EnterPageMode() {}  // ESC L
    virtual void LeavePageMode() {}  // ESC S: the page is dropped
    virtual void SetPageArea(std::uint16_t /*x*/, std::uint16_t /*y*/, std::uint16_t /*width*/,
                             std::uint16_t /*height*/) {}   // ESC W, in dots
    virtual void SetPageDirection(std::uint8_t) {}          // ESC T n
    virtual void SetPageVerticalPosition(std::uint16_t) {}  // GS $ nL nH
    virtual void MovePageVertical(std::int16_t) {}          // GS \ nL nH
    virtual void PrintPage(bool /*keep*/) {}  // FF (back to standard mode), ESC FF (keep: stays)
    virtual void CancelPage() {}              // CAN: empties the print area in force
};

}  // namespace emu
