#include "emulator/barcodes/Code128.h"

namespace emu {
namespace {

// Bar and space widths of each symbol value, bar first; 106 is the stop with its final bar.
const char* const kPatterns[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122", "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123", "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331", "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};
constexpr int kStartA = 103, kStop = 106;
constexpr int kCodeC = 99, kCodeB = 100, kCodeA = 101, kShift = 98;
constexpr int kFnc1 = 102, kFnc2 = 97, kFnc3 = 96;

enum class Set { A, B, C };

std::optional<int> CharValue(Set set, std::uint8_t b) {
    if (set == Set::A) {
        if (b < 0x20) return b + 64;
        if (b < 0x60) return b - 32;
        return std::nullopt;
    }
    if (b >= 0x20 && b < 0x80) return b - 32;
    return std::nullopt;
}

std::optional<Set> SetOf(std::uint8_t b) {
    if (b == 'A') return Set::A;
    if (b == 'B') return Set::B;
    if (b == 'C') return Set::C;
    return std::nullopt;
}

}  // namespace

std::optional<BarcodeSymbol> EncodeCode128(const std::vector<std::uint8_t>& data) {
    if (data.size() < 3 || data[0] != '{' || !SetOf(data[1])) return std::nullopt;
    Set set = *SetOf(data[1]);
    std::vector<int> values{kStartA + static_cast<int>(set)};
    BarcodeSymbol symbol;
    bool shifted = false;
    for (std::size_t i = 2; i < data.size(); ++i) {
        std::uint8_t b = data[i];
        if (b == '{') {
            if (++i == data.size()) return std::nullopt;
            const std::uint8_t code = data[i];
            if (auto next = SetOf(code)) {
                if (*next == set) return std::nullopt;
                values.push_back(*next == Set::A ? kCodeA : *next == Set::B ? kCodeB : kCodeC);
                set = *next;
                continue;
            }
            if (code == '1') {
                values.push_back(kFnc1);
                continue;
            }
            if (set == Set::C)
                return std::nullopt;  // the other functions exist in sets A and B only
            if (code == 'S') {
                if (shifted || i + 1 == data.size()) return std::nullopt;
                values.push_back(kShift);
                shifted = true;
                continue;
            }
            if (code == '2')
                values.push_back(kFnc2);
            else if (code == '3')
                values.push_back(kFnc3);
            else if (code == '4')
                values.push_back(set == Set::A ? kCodeA : kCodeB);
            else if (code == '{')
                b = '{';
            else
                return std::nullopt;
            if (code != '{') continue;
        }
        if (set == Set::C) {
            if (b > 99) return std::nullopt;
            values.push_back(b);
            symbol.text += static_cast<char>('0' + b / 10);
            symbol.text += static_cast<char>('0' + b % 10);
            continue;
        }
        const Set charSet = shifted ? (set == Set::A ? Set::B : Set::A) : set;
        shifted = false;
        auto value = CharValue(charSet, b);
        if (!value) return std::nullopt;
        values.push_back(*value);
        symbol.text.push_back(b >= 0x20 && b < 0x7F ? static_cast<char>(b) : ' ');
    }
    if (values.size() < 2) return std::nullopt;
    int sum = values[0];
    for (std::size_t i = 1; i < values.size(); ++i) sum += values[i] * static_cast<int>(i);
    values.push_back(sum % 103);
    values.push_back(kStop);
    for (int v : values) symbol.AppendElements(kPatterns[v]);
    return symbol;
}

}  // namespace emu
