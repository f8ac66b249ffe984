// The printers the emulator can be: this module, or a common ESC/POS receipt printer on 58 mm or
// 80 mm paper. A model fixes the paper width and which meaning a command takes where the module
// and the common printers differ (ESC m, ESC i, GS a, DLE EOT, GS r, GS I, the default code table
// and whether text starts in double-byte mode).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace emu {

enum class CommandSet : std::uint8_t { Module, EscPos };

struct PrinterModel {
    std::string_view name;
    std::string_view description;
    int widthDots;
    CommandSet commands;
};

std::span<const PrinterModel> PrinterModels();
const PrinterModel& DefaultPrinterModel();
// Null for a name no model has.
const PrinterModel* FindPrinterModel(std::string_view name);
// "module, escpos58, escpos80", for messages.
std::string PrinterModelNames();

}  // namespace emu
