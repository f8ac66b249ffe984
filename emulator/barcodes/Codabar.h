// CODABAR (NW-7): the data carries its own start and stop characters A-D (either case) around
// digits and - $ : / . +; without them, or with any other byte, the data is rejected. Wide
// elements are three modules.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/barcodes/BarcodeSymbol.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeCodabar(const std::vector<std::uint8_t>& data);

}  // namespace emu
