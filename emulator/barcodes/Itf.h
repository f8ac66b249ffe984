// ITF (interleaved 2 of 5): an even number of digits, at least two; odd counts and non-digits
// reject the data. Wide elements are three modules.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/barcodes/BarcodeSymbol.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeItf(const std::vector<std::uint8_t>& data);

}  // namespace emu
