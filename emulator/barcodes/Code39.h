// CODE39: digits, capitals, space and - . $ / + %, framed by the * start/stop character (added
// here; a data string already framed by * is accepted too). No check character is added. Wide
// elements are three modules. Any other byte rejects the data.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/barcodes/BarcodeSymbol.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeCode39(const std::vector<std::uint8_t>& data);

}  // namespace emu
