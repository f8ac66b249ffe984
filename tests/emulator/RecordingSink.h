// A CommandSink and ControlHandler that record every call as one line of text, so tests compare
// what the decoder did with what they expect.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "emulator/decoding/CommandSink.h"
#include "emulator/decoding/ControlHandler.h"
#include "emulator/decoding/Utf8Reader.h"

namespace emutest {

inline std::string HexBytes(const std::uint8_t* bytes, std::size_t length) {
    std::string text;
    for (std::size_t k = 0; k < length; ++k) {
        char buf[4];
        std::snprintf(buf, sizeof buf, k ? " %02X" : "%02X", bytes[k]);
        text += buf;
    }
    return text;
}
inline std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    return HexBytes(bytes.data(), bytes.size());
}

class RecordingSink : public emu::CommandSink, public emu::ControlHandler {
  public:
    std::vector<std::string> calls;

    void Text(std::uint8_t b) override { Add("Text " + HexBytes(&b, 1)); }
    void Unicode(char32_t c) override {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%X", static_cast<unsigned>(c));
        Add(c == emu::Utf8Char::kInvalid ? std::string("Unicode invalid")
                                         : "Unicode " + std::string(buf));
    }
    void SelectUtf8(bool on) override { Add("SelectUtf8", on); }
    void SetFontPriority(std::uint8_t rank, std::uint8_t font) override {
        Add("SetFontPriority " + std::to_string(rank) + " " + std::to_string(font));
    }
    void LineFeed() override { Add("LineFeed"); }
    void CarriageReturn() override { Add("CarriageReturn"); }
    void HorizontalTab() override { Add("HorizontalTab"); }
    void FeedDots(std::uint8_t n) override { Add("FeedDots", n); }
    void ReverseFeedDots(std::uint8_t n) override { Add("ReverseFeedDots", n); }
    void FeedLines(std::uint8_t n) override { Add("FeedLines", n); }
    void ReverseFeedLines(std::uint8_t n) override { Add("ReverseFeedLines", n); }
    void SetLeftMargin(std::uint8_t n) override { Add("SetLeftMargin", n); }
    void SetRightMargin(std::uint8_t n) override { Add("SetRightMargin", n); }
    void SetAbsolutePosition(std::uint16_t n) override { Add("SetAbsolutePosition", n); }
    void SetPrintMode(std::uint8_t n) override { Add("SetPrintMode", n); }
    void SetAlignment(std::uint8_t n) override { Add("SetAlignment", n); }
    void SetGrayLevel(std::uint8_t n) override { Add("SetGrayLevel", n); }
    void SetTabStops(const std::vector<std::uint8_t>& c) override {
        Add("SetTabStops [" + HexBytes(c) + "]");
    }
    void Initialize() override { Add("Initialize"); }
    void ClearBuffer() override { Add("ClearBuffer"); }
    void RasterBegin(std::uint8_t m, std::uint16_t w, std::uint16_t h) override {
        Add("RasterBegin " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(h));
        m_rasterWidth = w;
    }
    void RasterRow(const std::uint8_t* row) override {
        // Long rows are recorded by their first bytes: enough to tell rows apart.
        Add("RasterRow " + HexBytes(row, m_rasterWidth < 8 ? m_rasterWidth : 8));
    }
    void RasterEnd() override { Add("RasterEnd"); }
    void TableRow(const std::vector<std::uint8_t>& b,
                  const std::vector<emu::TableCell>& cells) override {
        std::string text = "TableRow [" + HexBytes(b) + "]";
        for (const emu::TableCell& c : cells) {
            text += " {" + std::to_string(c.position) + " " + std::to_string(c.format) + " [" +
                    HexBytes(c.text) + "]}";
        }
        Add(text);
    }
    void SetBarcodeHeight(std::uint8_t n) override { Add("SetBarcodeHeight", n); }
    void SetBarcodeWidth(std::uint8_t n) override { Add("SetBarcodeWidth", n); }
    void SetBarcodeTextPosition(std::uint8_t n) override { Add("SetBarcodeTextPosition", n); }
    std::string PrintBarcode(std::uint8_t s, const std::vector<std::uint8_t>& d) override {
        Add("PrintBarcode " + std::to_string(s) + " [" + HexBytes(d) + "]");
        return {};
    }
    void Cut(bool partial, std::uint8_t feed) override {
        Add(std::string(partial ? "Cut partial " : "Cut full ") + std::to_string(feed));
    }
    void SetEmphasized(bool on) override { Add("SetEmphasized", on); }
    void SetUnderline(std::uint8_t n) override { Add("SetUnderline", n); }
    void SetLineSpacing(std::uint8_t n) override { Add("SetLineSpacing", n); }
    void SetDefaultLineSpacing() override { Add("SetDefaultLineSpacing"); }
    void BitImage(std::uint8_t m, std::uint16_t columns,
                  const std::vector<std::uint8_t>& data) override {
        Add("BitImage " + std::to_string(m) + " " + std::to_string(columns) + " [" +
            HexBytes(data) + "]");
    }
    static std::string Picture(const emu::RasterGraphics& g) {
        return std::to_string(g.widthDots) + "x" + std::to_string(g.height) + " scale " +
               std::to_string(g.scaleX) + "x" + std::to_string(g.scaleY) + " [" + HexBytes(g.bits) +
               "]";
    }
    void StoreGraphics(const emu::RasterGraphics& g) override {
        Add("StoreGraphics " + Picture(g));
    }
    std::string PrintImage(const emu::RasterGraphics& g) override {
        return Add("PrintImage " + Picture(g)), "";
    }
    void DefineUserCharacter(std::uint8_t code, std::uint8_t width, std::uint8_t bytes,
                             const std::vector<std::uint8_t>& columns) override {
        Add("DefineUserCharacter " + HexBytes(&code, 1) + " " + std::to_string(width) + "x" +
            std::to_string(bytes) + " [" + HexBytes(columns) + "]");
    }
    void SelectUserCharacters(bool on) override { Add("SelectUserCharacters", on); }
    void CancelUserCharacter(std::uint8_t code) override { Add("CancelUserCharacter", code); }
    std::string Transmit(const std::vector<std::uint8_t>& bytes) override {
        return Add("Transmit " + HexBytes(bytes)), "";
    }
    std::string PrintGraphics() override {
        Add("PrintGraphics");
        return {};
    }
    std::string PrintMatrix(const emu::DotMatrix& m) override {
        Add("PrintMatrix " + std::to_string(m.columns) + "x" + std::to_string(m.rows) + " at " +
            std::to_string(m.moduleWidth) + "x" + std::to_string(m.moduleHeight));
        return {};
    }
    void SelectCodeTable(std::uint8_t n) override { Add("SelectCodeTable", n); }
    void SetKanjiMode(bool on) override { Add("SetKanjiMode", on); }
    void SetCharacterSize(std::uint8_t n) override { Add("SetCharacterSize", n); }
    void SetLeftMarginDots(std::uint16_t n) override { Add("SetLeftMarginDots", n); }
    void SetPrintAreaWidth(std::uint16_t n) override { Add("SetPrintAreaWidth", n); }
    void EnterPageMode() override { Add("EnterPageMode"); }
    void LeavePageMode() override { Add("LeavePageMode"); }
    void SetPageArea(std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h) override {
        Add("SetPageArea " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(w) +
            " " + std::to_string(h));
    }
    void SetPageDirection(std::uint8_t n) override { Add("SetPageDirection", n); }
    void SetPageVerticalPosition(std::uint16_t n) override { Add("SetPageVerticalPosition", n); }
    void MovePageVertical(std::int16_t n) override { Add("MovePageVertical " + std::to_string(n)); }
    void PrintPage(bool keep) override { Add("PrintPage", keep); }
    void CancelPage() override { Add("CancelPage"); }

    std::string StatusRequest(std::uint64_t offset, std::uint8_t n) override {
        return Add("StatusRequest @" + std::to_string(offset) + " " + std::to_string(n)), "";
    }
    std::string ClearBuffers(std::uint64_t offset) override {
        return Add("ClearBuffers @" + std::to_string(offset)), "";
    }
    std::string Sleep(std::uint64_t offset, bool enter) override {
        return Add(std::string(enter ? "EnterSleep @" : "LeaveSleep @") + std::to_string(offset)),
               "";
    }
    std::string AutoStatus(std::uint8_t n) override { return Add("AutoStatus", n), ""; }
    std::string SetBaudRate(std::uint32_t baud) override { return Add("SetBaudRate", baud), ""; }
    std::string Recover(std::uint64_t offset, std::uint8_t n) override {
        return Add("Recover @" + std::to_string(offset) + " " + std::to_string(n)), "";
    }
    std::string Pulse(std::uint64_t offset, std::uint8_t pin, std::uint8_t time) override {
        return Add("Pulse @" + std::to_string(offset) + " " + std::to_string(pin) + " " +
                   std::to_string(time)),
               "";
    }
    std::string SetHandshake(emu::Handshake mode) override {
        return Add("SetHandshake", static_cast<unsigned>(mode)), "";
    }

  private:
    void Add(const std::string& text) { calls.push_back(text); }
    void Add(const char* name, unsigned value) {
        calls.push_back(std::string(name) + " " + std::to_string(value));
    }
    std::size_t m_rasterWidth = 0;
};

}  // namespace emutest
