// What the command decoder hands to the print engine: one call per decoded printing command, in
// stream order. Status, sleep, real-time and line-setting commands stay with the virtual printer
// and never reach the sink.
#pragma once

#include <cstdint>
#include <vector>

namespace emu {

struct TableCell {
    std::uint8_t position = 0;
    std::uint8_t format = 0;
    std::vector<std::uint8_t> text;  // GBK bytes as sent (the terminating 00 is not included)
};

class CommandSink {
  public:
    virtual ~CommandSink() = default;

    // One byte of printable text (ASCII or one byte of a GBK pair; the engine pairs them).
    virtual void Text(std::uint8_t byte) = 0;
    virtual void LineFeed() = 0;                                             // LF
    virtual void CarriageReturn() = 0;                                       // CR
    virtual void HorizontalTab() = 0;                                        // HT
    virtual void FeedDots(std::uint8_t n) = 0;                               // ESC J n
    virtual void ReverseFeedDots(std::uint8_t n) = 0;                        // ESC K n
    virtual void FeedLines(std::uint8_t n) = 0;                              // ESC d n
    virtual void ReverseFeedLines(std::uint8_t n) = 0;                       // ESC e n
    virtual void SetLeftMargin(std::uint8_t units) = 0;                      // ESC l n, 8-dot units
    virtual void SetRightMargin(std::uint8_t units) = 0;                     // ESC Q n, 8-dot units
    virtual void SetAbsolutePosition(std::uint16_t dots) = 0;                // ESC $ nL nH
    virtual void SetPrintMode(std::uint8_t bits) = 0;                        // ESC ! n
    virtual void SetAlignment(std::uint8_t n) = 0;                           // ESC a n
    virtual void SetGrayLevel(std::uint8_t n) = 0;                           // ESC m n
    virtual void SetTabStops(const std::vector<std::uint8_t>& columns) = 0;  // ESC D ... 00
    virtual void Initialize() = 0;                                           // ESC @
    virtual void ClearBuffer() = 0;  // clear buffers: drop unprinted data
    // GS v 0: header, then each row (widthBytes bytes) as it arrives, then the end.
    virtual void RasterBegin(std::uint8_t m, std::uint16_t widthBytes, std::uint16_t height) = 0;
    virtual void RasterRow(const std::uint8_t* row) = 0;
    virtual void RasterEnd() = 0;
    // FS V: one vertical-table row.
    virtual void TableRow(const std::vector<std::uint8_t>& boundaries,
                          const std::vector<TableCell>& cells) = 0;
    virtual void SetBarcodeHeight(std::uint8_t dots) = 0;     // GS h n
    virtual void SetBarcodeWidth(std::uint8_t n) = 0;         // GS w n
    virtual void SetBarcodeTextPosition(std::uint8_t n) = 0;  // GS H n
    // GS k: system is the second-form code (65..73); form-one codes 0..6 arrive as 65..71.
    virtual void PrintBarcode(std::uint8_t system, const std::vector<std::uint8_t>& data) = 0;
    // GS V: mode 0/48/65 full cut, 1/49/66 partial cut; feed in dots before cutting (65/66 only).
    virtual void Cut(bool partial, std::uint8_t feed) = 0;

    // Common ESC/POS commands that popular encoders emit.
    virtual void SetEmphasized(bool on) = 0;                 // ESC E n
    virtual void SetUnderline(std::uint8_t n) = 0;           // ESC - n
    virtual void SetLineSpacing(std::uint8_t dots) = 0;      // ESC 3 n
    virtual void SetDefaultLineSpacing() = 0;                // ESC 2
    virtual void SelectCodeTable(std::uint8_t n) = 0;        // ESC t n
    virtual void SetKanjiMode(bool on) = 0;                  // FS & / FS .
    virtual void SetCharacterSize(std::uint8_t n) = 0;       // GS ! n
    virtual void SetLeftMarginDots(std::uint16_t dots) = 0;  // GS L nL nH
    virtual void SetPrintAreaWidth(std::uint16_t dots) = 0;  // GS W nL nH
};

}  // namespace emu
