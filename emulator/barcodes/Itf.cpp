#include "emulator/barcodes/Itf.h"

namespace emu {
namespace {

// Five elements per digit; '1' marks a wide one.
const char* const kDigits[10] = {"00110", "10001", "01001", "11000", "00101",
                                 "10100", "01100", "00011", "10010", "01010"};

}  // namespace

std::optional<BarcodeSymbol> EncodeItf(const std::vector<std::uint8_t>& data) {
    if (data.empty() || data.size() % 2 != 0) return std::nullopt;
    for (std::uint8_t b : data)
        if (b < '0' || b > '9') return std::nullopt;
    BarcodeSymbol symbol;
    symbol.AppendElements("1111");
    for (std::size_t i = 0; i < data.size(); i += 2) {
        const char* bars = kDigits[data[i] - '0'];
        const char* spaces = kDigits[data[i + 1] - '0'];
        for (int e = 0; e < 5; ++e) {
            symbol.modules.insert(symbol.modules.end(), bars[e] == '1' ? 3 : 1, true);
            symbol.modules.insert(symbol.modules.end(), spaces[e] == '1' ? 3 : 1, false);
        }
    }
    symbol.AppendElements("311");
    symbol.text.assign(data.begin(), data.end());
    return symbol;
}

}  // namespace emu
