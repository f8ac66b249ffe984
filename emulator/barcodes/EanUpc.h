// UPC-A, UPC-E, EAN-13 and EAN-8. Given the data without its check digit the encoder adds it;
// given it with one, a wrong check digit rejects the data. Rejected data gives no symbol, and the
// printer then prints nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emulator/barcodes/BarcodeSymbol.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeUpcA(const std::vector<std::uint8_t>& data);
// 6 digits (number system 0), 7 (number system 0 or 1 first), 8 (with check digit), or the
// 11/12-digit UPC-A form when it can be zero-suppressed.
std::optional<BarcodeSymbol> EncodeUpcE(const std::vector<std::uint8_t>& data);
std::optional<BarcodeSymbol> EncodeEan13(const std::vector<std::uint8_t>& data);
std::optional<BarcodeSymbol> EncodeEan8(const std::vector<std::uint8_t>& data);

// The modulo-10 check digit of a digit string (weights 3, 1, 3, ... from the right).
int EanCheckDigit(const std::string& digits);

}  // namespace emu
