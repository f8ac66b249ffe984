#include "emulator/barcodes/Codabar.h"

#include <cctype>
#include <cstring>

namespace emu {
namespace {

constexpr const char* kAlphabet = "0123456789-$:/.+ABCD";
// Seven elements per character, bar first; '1' marks a wide one.
const char* const kPatterns[] = {"0000011", "0000110", "0001001", "1100000", "0010010",
                                 "1000010", "0100001", "0100100", "0110000", "1001000",
                                 "0001100", "0011000", "1000101", "1010001", "1010100",
                                 "0010101", "0011010", "0101001", "0001011", "0001110"};

bool IsStartStop(char c) { return c >= 'A' && c <= 'D'; }

}  // namespace

std::optional<BarcodeSymbol> EncodeCodabar(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2) return std::nullopt;
    std::string text;
    for (std::uint8_t b : data) text.push_back(static_cast<char>(std::toupper(b)));
    if (!IsStartStop(text.front()) || !IsStartStop(text.back())) return std::nullopt;
    BarcodeSymbol symbol;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool edge = i == 0 || i + 1 == text.size();
        if (c == '\0' || !std::strchr(kAlphabet, c) || IsStartStop(c) != edge) return std::nullopt;
        const char* pattern = kPatterns[std::strchr(kAlphabet, c) - kAlphabet];
        bool bar = true;
        for (const char* p = pattern; *p; ++p, bar = !bar)
            symbol.modules.insert(symbol.modules.end(), *p == '1' ? 3 : 1, bar);
        if (i + 1 < text.size()) symbol.modules.push_back(false);  // gap between characters
    }
    symbol.text = text;
    return symbol;
}

}  // namespace emu
