// CODE128 as printers take it: the data opens with a code set selector "{A", "{B" or "{C".
// Inside it "{A"/"{B"/"{C" switch sets, "{S" shifts one character between A and B, "{1".."{4"
// are FNC1..FNC4 and "{{" is a literal brace. In set C each byte is one value 0..99 (two digits).
// A missing selector, an unknown "{x" or a byte outside the current set rejects the data.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/barcodes/BarcodeSymbol.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeCode128(const std::vector<std::uint8_t>& data);

}  // namespace emu
