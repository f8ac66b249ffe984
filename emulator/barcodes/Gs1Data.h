// GS1 element strings as ESC/POS clients send them for GS1-128 and GS1 DataBar Expanded: the
// application identifiers in parentheses as the command reference writes them
// ("(01)09501101530003(17)140704"), or run together as sent ("0109501101530003171407041")
// with each variable-length field ended by FNC1 ("{1" or the GS byte) or by the data's end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace emu {

// The element string with its identifiers in square brackets, as libzint takes it; nothing when
// the data is not one.
std::optional<std::string> Gs1Bracketed(const std::vector<std::uint8_t>& data);

// The GTIN the fixed-length DataBars carry: 13 digits (the check digit is added) or 14, either
// behind the identifier (01) or not; nothing when the data is not one.
std::optional<std::vector<std::uint8_t>> Gs1Gtin(std::vector<std::uint8_t> data);

}  // namespace emu
