// CODE93: any ASCII byte 0x00..0x7F (those outside its 43-character set go as shift pairs), with
// the two check characters C and K added. Bytes above 0x7F reject the data.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/barcodes/BarcodeSymbol.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeCode93(const std::vector<std::uint8_t>& data);

}  // namespace emu
