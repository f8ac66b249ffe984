// The command decoder: an incremental state machine over the byte stream from the host. Bytes
// may arrive split anywhere; the calls it makes do not depend on how they were split. Which
// commands exist, their parameter counts and actions come from the model's CommandTable; the
// decoder's own states serve only commands with data of their own.
//
// Printing commands go to the CommandSink, status/sleep/real-time/line commands to the
// ControlHandler, and, when an observer is set, each command (and each run of text) is reported
// as a DecodedCommand for the trace. Unknown commands are skipped as a printer would: ESC, GS,
// FS or DLE with an unknown code skips the prefix and the code; a known command with a parameter
// it does not accept consumes its parameters and is skipped. Memory is bounded whatever the
// input: raster images stream row by row, and data the printer keeps (tab stops, table cells,
// barcode data) is capped.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "emulator/PrinterModel.h"
#include "emulator/barcodes/MatrixCodeStore.h"
#include "emulator/decoding/CommandSink.h"
#include "emulator/decoding/CommandTable.h"
#include "emulator/decoding/ControlHandler.h"
#include "emulator/decoding/DecodedCommand.h"
#include "emulator/decoding/GbkText.h"
#include "emulator/decoding/GraphicsBlock.h"
#include "emulator/decoding/Utf8Reader.h"
#include "emulator/memory/GraphicsMemory.h"

namespace emu {

class CommandDecoder {
  public:
    static constexpr std::size_t kMaxTabStops = 32;
    static constexpr std::size_t kMaxCellText = 255;          // a table cell's text bytes kept
    static constexpr std::size_t kMaxBarcodeData = 255;       // form-one barcode data bytes kept
    static constexpr std::size_t kTraceTextBytes = 96;        // text shown per trace line
    static constexpr std::size_t kMaxBitImageColumns = 1024;  // ESC * columns kept, beyond paper

    CommandDecoder(CommandSink& sink, ControlHandler& control,
                   CommandSet commands = CommandSet::Module);

    // Called once per decoded command; building the descriptions costs time, so none are built
    // without an observer.
    void SetObserver(std::function<void(const DecodedCommand&)> observer);

    // Decodes the bytes and returns how many it consumed: all of them, unless a control call
    // asked it to stop (RequestStop), in which case it stops right after that command.
    std::size_t Feed(const std::uint8_t* data, std::size_t length);
    void RequestStop() { m_stopRequested = true; }

    // End of the stream: reports the pending run of text, ends a raster image cut short and
    // reports any other unfinished command as dropped.
    void Finish();
    // Drops whatever command is unfinished (as Finish does) and continues at the given stream
    // offset, for bytes the printer discarded without decoding.
    void Reset(std::uint64_t offset);

    std::uint64_t Offset() const { return m_offset; }
    // The graphics the printer keeps (NV and download), for attaching its state file.
    GraphicsMemory& Graphics() { return m_graphicsMemory; }
    // The ESC/POS models' page mode is in force (ESC L until FF, ESC S or ESC @).
    bool InPageMode() const { return m_pageMode; }

  private:
    enum class State : std::uint8_t {
        Idle,
        Prefix,
        Params,
        OptionalFlag,
        TabStops,
        RasterRows,
        TableBoundaries,
        TableCellCount,
        TablePositions,
        TableFormat,
        TableText,
        BarcodeText,
        BarcodeData,
        Block,
    };

    bool Step(const std::uint8_t* data, std::size_t length, std::size_t& i);
    void StartCommand(std::uint8_t prefix);
    void Take(std::uint8_t byte);
    void TakeMany(const std::uint8_t* bytes, std::size_t count);
    void OnCode(std::uint8_t code);
    void NeedParams(std::size_t count);
    void OnParams();
    void RunRow();
    void TrackTextState();
    void OnOptionalFlag(bool given, std::uint8_t n);
    void OnBitImage();
    void OnRaster();
    void OnCut();
    void OnBarcode();
    void OnBlock();
    // A length-prefixed block follows: consumes it whole, keeping its first `keep` bytes (and
    // streaming it to the graphics reader when `graphics`), then calls OnParams again with
    // m_paramCount == kBlockRead.
    void StartBlock(std::uint64_t length, std::size_t keep, bool graphics = false);
    void OnMatrixCode(std::uint64_t size);
    void OnSerialSetting(std::size_t size);
    void OnCharacterEncoding(std::uint64_t size);  // FS ( C
    void OnDleDc4();
    // Stored images and user-defined characters (StoredImages.cpp).
    void OnNvBitImages();
    void OnStoredImage();
    void OnDownloadImage();
    void OnUserChars();
    void OnTableStart();
    void OnBarcodeStart();
    void Complete(std::string mnemonic, std::string meaning);
    void CompleteUnknown(std::string mnemonic);
    void Finished();  // back to Idle; honours a stop request
    void TextByte(std::uint8_t byte);
    void Utf8Byte(std::uint8_t byte);
    void SendUtf8(Utf8Char c);
    void EndTextRun();
    void DropUnfinished(const char* why);
    std::string Mnemonic() const;
    std::string Quote(const std::vector<std::uint8_t>& bytes, std::size_t shownLimit);

    CommandSink& m_sink;
    ControlHandler& m_control;
    const CommandTable& m_table;
    const CommandSet m_commands;
    const CommandRow* m_command = nullptr;  // the command being decoded, when the table knows it
    std::function<void(const DecodedCommand&)> m_observer;
    std::unique_ptr<GbkText> m_gbk;  // made with the observer: only the trace needs text

    State m_state = State::Idle;
    std::uint64_t m_offset = 0;
    bool m_stopRequested = false;
    bool m_commandDone = false;

    // The command being decoded.
    DecodedCommand m_current;
    std::uint8_t m_prefix = 0;
    std::uint8_t m_code = 0;
    std::array<std::uint8_t, 8> m_params{};
    std::size_t m_paramCount = 0;
    std::size_t m_paramNeed = 0;

    // How the paper reads text, so that the trace shows what the paper shows.
    bool m_doubleByte = true;
    std::uint8_t m_codeTable = 0;
    std::uint8_t m_internationalSet = 0;
    bool m_pageMode = false;
    bool m_utf8 = false;  // FS ( C: text is UTF-8
    Utf8Reader m_utf8Reader;

    // Text run.
    bool m_textRun = false;
    DecodedCommand m_textRecord;
    std::vector<std::uint8_t> m_textShown;
    std::size_t m_invalidUtf8 = 0;  // sequences in the run that are not UTF-8

    // Variable parts.
    std::vector<std::uint8_t> m_list;  // tab stops, table boundaries, barcode data
    std::vector<TableCell> m_cells;
    std::size_t m_cellIndex = 0;
    std::size_t m_expected = 0;  // table boundaries, barcode bytes
    bool m_overlong = false;
    std::vector<std::uint8_t> m_row;
    std::size_t m_rowFill = 0;
    std::uint32_t m_rowsLeft = 0;
    std::uint64_t m_blockLeft = 0;
    std::vector<std::uint8_t> m_block;  // first bytes of a length-prefixed block
    std::size_t m_blockKeep = 0;
    static constexpr std::size_t kBlockRead = 7;
    bool m_graphicsData = false;  // the block in progress is GS ( L / GS 8 L data
    GraphicsBlock m_graphicsBlock;
    MatrixCodeStore m_matrixCodes;
    GraphicsMemory m_graphicsMemory;
    std::vector<RasterGraphics> m_pictures;  // FS q: the images read so far
    std::size_t m_itemsRead = 0;             // FS q images, ESC & characters
    bool m_itemBad = false;                  // FS q: an image out of range or too large
};

}  // namespace emu
