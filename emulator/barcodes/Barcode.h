// Chooses the encoder for a barcode system code (65 UPC-A .. 73 CODE128, 74 GS1-128, 75..78 GS1
// DataBar Omnidirectional, Truncated, Limited, Expanded). An unknown system or
// data the system cannot carry gives no symbol.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/barcodes/BarcodeSymbol.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeBarcode(std::uint8_t system,
                                           const std::vector<std::uint8_t>& data);

}  // namespace emu
