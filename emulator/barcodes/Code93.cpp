#include "emulator/barcodes/Code93.h"

#include <cstring>

namespace emu {
namespace {

constexpr const char* kAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
constexpr int kShiftDollar = 43, kShiftPercent = 44, kShiftSlash = 45, kShiftPlus = 46;
const char* const kPatterns[47] = {
    "100010100", "101001000", "101000100", "101000010", "100101000", "100100100", "100100010",
    "101010000", "100010010", "100001010", "110101000", "110100100", "110100010", "110010100",
    "110010010", "110001010", "101101000", "101100100", "101100010", "100110100", "100011010",
    "101011000", "101001100", "101000110", "100101100", "100010110", "110110100", "110110010",
    "110101100", "110100110", "110010110", "110011010", "101101100", "101100110", "100110110",
    "100111010", "100101110", "111010100", "111010010", "111001010", "101101110", "101110110",
    "110101110", "100100110", "111011010", "111010110", "100110010"};
constexpr const char* kStartStop = "101011110";

int Value(char c) { return static_cast<int>(std::strchr(kAlphabet, c) - kAlphabet); }

// The symbol values for one ASCII byte: itself, or a shift character and a letter.
void AppendByte(std::vector<int>& values, std::uint8_t b) {
    const char c = static_cast<char>(b);
    if (c != '\0' && std::strchr(kAlphabet, c)) {
        values.push_back(Value(c));
        return;
    }
    auto pair = [&](int shift, char letter) {
        values.insert(values.end(), {shift, Value(letter)});
    };
    if (b == 0)
        pair(kShiftPercent, 'U');
    else if (b <= 0x1A)
        pair(kShiftDollar, static_cast<char>('A' + b - 1));
    else if (b <= 0x1F)
        pair(kShiftPercent, static_cast<char>('A' + b - 0x1B));
    else if (b <= 0x2C)
        pair(kShiftSlash, static_cast<char>('A' + b - 0x21));
    else if (b == 0x3A)
        pair(kShiftSlash, 'Z');
    else if (b <= 0x3F)
        pair(kShiftPercent, static_cast<char>('F' + b - 0x3B));
    else if (b == 0x40)
        pair(kShiftPercent, 'V');
    else if (b <= 0x5F)
        pair(kShiftPercent, static_cast<char>('K' + b - 0x5B));
    else if (b == 0x60)
        pair(kShiftPercent, 'W');
    else if (b <= 0x7A)
        pair(kShiftPlus, static_cast<char>('A' + b - 0x61));
    else
        pair(kShiftPercent, static_cast<char>('P' + b - 0x7B));
}

int CheckValue(const std::vector<int>& values, int maxWeight) {
    int sum = 0, weight = 1;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        sum += *it * weight;
        weight = weight == maxWeight ? 1 : weight + 1;
    }
    return sum % 47;
}

}  // namespace

std::optional<BarcodeSymbol> EncodeCode93(const std::vector<std::uint8_t>& data) {
    if (data.empty()) return std::nullopt;
    std::vector<int> values;
    BarcodeSymbol symbol;
    for (std::uint8_t b : data) {
        if (b > 0x7F) return std::nullopt;
        AppendByte(values, b);
        symbol.text.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : ' ');
    }
    values.push_back(CheckValue(values, 20));
    values.push_back(CheckValue(values, 15));
    symbol.AppendModules(kStartStop);
    for (int v : values) symbol.AppendModules(kPatterns[v]);
    symbol.AppendModules(kStartStop);
    symbol.AppendModules("1");  // termination bar
    return symbol;
}

}  // namespace emu
