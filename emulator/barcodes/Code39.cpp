#include "emulator/barcodes/Code39.h"

#include <cstring>

namespace emu {
namespace {

constexpr const char* kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. *$/+%";
// Nine elements per character, bar first; '1' marks a wide element.
const char* const kPatterns[] = {
    "000110100", "100100001", "001100001", "101100000", "000110001", "100110000", "001110000",
    "000100101", "100100100", "001100100", "100001001", "001001001", "101001000", "000011001",
    "100011000", "001011000", "000001101", "100001100", "001001100", "000011100", "100000011",
    "001000011", "101000010", "000010011", "100010010", "001010010", "000000111", "100000110",
    "001000110", "000010110", "110000001", "011000001", "111000000", "010010001", "110010000",
    "011010000", "010000101", "110000100", "011000100", "010010100", "010101000", "010100010",
    "010001010", "000101010"};

void AppendChar(BarcodeSymbol& symbol, char c) {
    const char* pattern = kPatterns[std::strchr(kAlphabet, c) - kAlphabet];
    bool bar = true;
    for (const char* p = pattern; *p; ++p, bar = !bar)
        symbol.modules.insert(symbol.modules.end(), *p == '1' ? 3 : 1, bar);
    symbol.modules.push_back(false);  // gap between characters
}

}  // namespace

std::optional<BarcodeSymbol> EncodeCode39(const std::vector<std::uint8_t>& data) {
    std::size_t begin = 0, end = data.size();
    if (end >= 2 && data.front() == '*' && data.back() == '*') ++begin, --end;
    if (begin == end) return std::nullopt;
    BarcodeSymbol symbol;
    AppendChar(symbol, '*');
    for (std::size_t i = begin; i < end; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '*' || c == '\0' || !std::strchr(kAlphabet, c)) return std::nullopt;
        AppendChar(symbol, c);
    }
    AppendChar(symbol, '*');
    symbol.modules.pop_back();
    symbol.text = "*" +
                  std::string(data.begin() + static_cast<long>(begin),
                              data.begin() + static_cast<long>(end)) +
                  "*";
    return symbol;
}

}  // namespace emu
