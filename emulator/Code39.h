// CODE39: digits, capitals, space and - . $ / + %, framed by the * start/stop character (added
// here; a data string already framed by * is accepted too). No check character is added. Wide
// elements are three modules. Any other byte rejects the data.
#pragma once

#include "emulator/BarcodeSymbol.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace emu {

std::optional<BarcodeSymbol> EncodeCode39(const std::vector<std::uint8_t>& data);

}  // namespace emu
