// The commands the decoder knows, one row each: prefix, code, fixed parameter count, the action
// on the print engine (or the printer itself), and the trace's description, which is built only
// when a trace observes it. Commands with data of their own (tab stops, images, barcodes, the
// vertical table, length-prefixed blocks, DLE DC4) name a dedicated decoder state instead of an
// action. Each model has its table: the rows common to all, then the rows where its meaning
// differs.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "emulator/PrinterModel.h"
#include "emulator/decoding/CommandSink.h"
#include "emulator/decoding/ControlHandler.h"

namespace emu {

namespace ascii {
inline constexpr std::uint8_t NUL = 0x00, EOT = 0x04, ENQ = 0x05, BEL = 0x07, HT = 0x09, LF = 0x0A,
                              VT = 0x0B, FF = 0x0C, CR = 0x0D, SO = 0x0E, SI = 0x0F, DLE = 0x10,
                              DC2 = 0x12, DC4 = 0x14, CAN = 0x18, ESC = 0x1B, FS = 0x1C, GS = 0x1D;
}

// What the decoder does after the fixed parameters, for commands that carry more.
enum class Dedicated : std::uint8_t {
    None,
    OptionalFlag,   // ESC 4 / ESC 5: a 0/1 parameter some clients send and others do not
    TabStops,       // ESC D n1 .. 00
    BitImage,       // ESC * m nL nH data
    Raster,         // GS v 0 m xL xH yL yH data
    Cut,            // GS V m [n]
    Barcode,        // GS k m data
    Table,          // FS V: boundaries and cells
    Block,          // GS ( x / FS ( x pL pH data
    DleDc4,         // DLE DC4 fn ...
    NvBitImages,    // FS q n [xL xH yL yH data]...
    StoredImage,    // FS p n m / GS / m
    DownloadImage,  // GS * x y data
    UserChars,      // ESC & y c1 c2 [x data]...
};

// Which of the ESC/POS models' two modes a command acts in. In the other it is traced as such:
// ignored, or its setting kept for the mode it belongs to.
enum class Modes : std::uint8_t {
    Both,
    PageOnly,         // ignored in standard mode
    StandardOnly,     // ignored in page mode
    PageSetting,      // in standard mode kept for the next page
    StandardSetting,  // in page mode kept for standard mode
};

using SinkAction = void (*)(CommandSink& sink, const std::uint8_t* params);
// Returns a note on what the printer did ("answered 04"), empty for none.
using ControlAction = std::string (*)(ControlHandler& control, std::uint64_t offset,
                                      const std::uint8_t* params);
using Meaning = std::string (*)(const std::uint8_t* params);

struct CommandRow {
    std::uint8_t prefix;  // 0 for a control byte on its own, else ESC, GS, FS or DLE
    std::uint8_t code;
    std::uint8_t params;  // fixed parameter bytes after the code
    const char* mnemonic;
    SinkAction act;  // at most one of act and control; neither: recognised, not acted on
    ControlAction control;
    Meaning meaning;  // null for dedicated commands, which describe themselves
    Dedicated dedicated;
    Modes modes = Modes::Both;
};

class CommandTable {
  public:
    static const CommandTable& For(CommandSet set);

    // Null for a command this model does not know.
    const CommandRow* Find(std::uint8_t prefix, std::uint8_t code) const {
        const int slot = Slot(prefix);
        return slot < 0 ? nullptr : m_index[slot][code];
    }
    // Every row in force, by prefix then code.
    std::span<const CommandRow* const> Rows() const { return {m_rows.data(), m_count}; }

  private:
    explicit CommandTable(CommandSet set);
    static int Slot(std::uint8_t prefix);
    void Add(std::span<const CommandRow> rows);

    std::array<std::array<const CommandRow*, 256>, 5> m_index{};
    std::array<const CommandRow*, 5 * 256> m_rows{};
    std::size_t m_count = 0;
};

}  // namespace emu
