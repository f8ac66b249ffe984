#include "emulator/PrinterModel.h"

#include <array>

namespace emu {
namespace {

constexpr std::array<PrinterModel, 3> kModels{{
    {"module", "this thermal printer module, 384 dots", 384, CommandSet::Module},
    {"escpos58", "common ESC/POS receipt printer, 58 mm paper, 384 dots", 384, CommandSet::EscPos},
    {"escpos80", "common ESC/POS receipt printer, 80 mm paper, 576 dots", 576, CommandSet::EscPos},
}};

}  // namespace

std::span<const PrinterModel> PrinterModels() { return kModels; }
const PrinterModel& DefaultPrinterModel() { return kModels[0]; }

const PrinterModel* FindPrinterModel(std::string_view name) {
    for (const PrinterModel& model : kModels)
        if (model.name == name) return &model;
    return nullptr;
}

std::string PrinterModelNames() {
    std::string names;
    for (const PrinterModel& model : kModels) {
        if (!names.empty()) names += ", ";
        names += model.name;
    }
    return names;
}

}  // namespace emu
