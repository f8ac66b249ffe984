// ITF (interleaved 2 of 5): an even number of digits, at least two; odd counts and non-digits
// reject the data. Wide elements are three modules.
#pragma once

#include "emulator/BarcodeSymbol.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace emu {

std::optional<BarcodeSymbol> EncodeItf(const std::vector<std::uint8_t>& data);

}  // namespace emu
