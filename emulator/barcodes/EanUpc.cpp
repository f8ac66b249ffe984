#include "emulator/barcodes/EanUpc.h"

#include <string>

namespace emu {
namespace {

const char* const kLeftOdd[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                  "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* const kLeftEven[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                                   "0111001", "0000101", "0010001", "0001001", "0010111"};
const char* const kRight[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                "1001110", "1010000", "1000100", "1001000", "1110100"};
// Parity of the six left digits of EAN-13, chosen by its first digit ('E' = even set).
const char* const kEan13Parity[10] = {"OOOOOO", "OOEOEE", "OOEEOE", "OOEEEO", "OEOOEE",
                                      "OEEOOE", "OEEEOO", "OEOEOE", "OEOEEO", "OEEOEO"};
// Parity of the six UPC-E digits for number system 0, chosen by the check digit.
const char* const kUpcEParity[10] = {"EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE", "EOEEOO",
                                     "EOOEEO", "EOOOEE", "EOEOEO", "EOEOOE", "EOOEOE"};

std::optional<std::string> Digits(const std::vector<std::uint8_t>& data) {
    std::string digits;
    for (std::uint8_t b : data) {
        if (b < '0' || b > '9') return std::nullopt;
        digits.push_back(static_cast<char>(b));
    }
    return digits;
}

// Brings the digits to full length: appends the check digit when it is missing, verifies it
// when it is there. Any other length is invalid.
std::optional<std::string> WithCheckDigit(const std::vector<std::uint8_t>& data, std::size_t full) {
    auto digits = Digits(data);
    if (!digits) return std::nullopt;
    if (digits->size() == full - 1)
        return *digits + static_cast<char>('0' + EanCheckDigit(*digits));
    if (digits->size() == full &&
        EanCheckDigit(digits->substr(0, full - 1)) == (*digits)[full - 1] - '0')
        return digits;
    return std::nullopt;
}

// The left half in the given parities, the centre guard and the right half.
BarcodeSymbol Halves(const std::string& left, const char* parity, const std::string& right) {
    BarcodeSymbol symbol;
    symbol.AppendModules("101");
    for (std::size_t i = 0; i < left.size(); ++i)
        symbol.AppendModules(parity[i] == 'E' ? kLeftEven[left[i] - '0'] : kLeftOdd[left[i] - '0']);
    symbol.AppendModules("01010");
    for (char c : right) symbol.AppendModules(kRight[c - '0']);
    symbol.AppendModules("101");
    return symbol;
}

std::string ExpandUpcE(char system, const std::string& six) {
    const char last = six[5];
    std::string a(1, system);
    if (last <= '2')
        a += six.substr(0, 2) + last + "0000" + six.substr(2, 3);
    else if (last == '3')
        a += six.substr(0, 3) + "00000" + six.substr(3, 2);
    else if (last == '4')
        a += six.substr(0, 4) + "00000" + six[4];
    else
        a += six.substr(0, 5) + "0000" + last;
    return a;
}

// The six UPC-E digits of an 11-digit UPC-A body, if it has a zero-suppressed form.
std::optional<std::string> SuppressZeros(const std::string& upcA) {
    const std::string m = upcA.substr(1, 5), p = upcA.substr(6, 5);
    const std::string candidates[] = {m.substr(0, 2) + p.substr(2, 3) + m[2],
                                      m.substr(0, 3) + p.substr(3, 2) + "3",
                                      m.substr(0, 4) + p[4] + "4", m + p[4]};
    for (const std::string& six : candidates)
        if (ExpandUpcE(upcA[0], six) == upcA) return six;
    return std::nullopt;
}

}  // namespace

int EanCheckDigit(const std::string& digits) {
    int sum = 0, weight = 3;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it, weight = 4 - weight)
        sum += (*it - '0') * weight;
    return (10 - sum % 10) % 10;
}

std::optional<BarcodeSymbol> EncodeUpcA(const std::vector<std::uint8_t>& data) {
    auto digits = WithCheckDigit(data, 12);
    if (!digits) return std::nullopt;
    BarcodeSymbol symbol = Halves(digits->substr(0, 6), "OOOOOO", digits->substr(6, 6));
    symbol.text = *digits;
    return symbol;
}

std::optional<BarcodeSymbol> EncodeUpcE(const std::vector<std::uint8_t>& data) {
    auto digits = Digits(data);
    if (!digits) return std::nullopt;
    char system = '0';
    std::string six;
    std::optional<char> givenCheck;
    switch (digits->size()) {
        case 6:
            six = *digits;
            break;
        case 7:
        case 8:
            system = (*digits)[0];
            six = digits->substr(1, 6);
            if (digits->size() == 8) givenCheck = (*digits)[7];
            break;
        case 11:
        case 12: {
            system = (*digits)[0];
            auto suppressed = SuppressZeros(digits->substr(0, 11));
            if (!suppressed) return std::nullopt;
            six = *suppressed;
            if (digits->size() == 12) givenCheck = (*digits)[11];
            break;
        }
        default:
            return std::nullopt;
    }
    if (system != '0' && system != '1') return std::nullopt;
    const int check = EanCheckDigit(ExpandUpcE(system, six));
    if (givenCheck && *givenCheck - '0' != check) return std::nullopt;
    BarcodeSymbol symbol;
    symbol.AppendModules("101");
    const char* parity = kUpcEParity[check];
    for (int i = 0; i < 6; ++i) {
        const bool even = (parity[i] == 'E') == (system == '0');
        symbol.AppendModules(even ? kLeftEven[six[i] - '0'] : kLeftOdd[six[i] - '0']);
    }
    symbol.AppendModules("010101");
    symbol.text = std::string(1, system) + six + static_cast<char>('0' + check);
    return symbol;
}

std::optional<BarcodeSymbol> EncodeEan13(const std::vector<std::uint8_t>& data) {
    auto digits = WithCheckDigit(data, 13);
    if (!digits) return std::nullopt;
    BarcodeSymbol symbol =
        Halves(digits->substr(1, 6), kEan13Parity[(*digits)[0] - '0'], digits->substr(7, 6));
    symbol.text = *digits;
    return symbol;
}

std::optional<BarcodeSymbol> EncodeEan8(const std::vector<std::uint8_t>& data) {
    auto digits = WithCheckDigit(data, 8);
    if (!digits) return std::nullopt;
    BarcodeSymbol symbol = Halves(digits->substr(0, 4), "OOOO", digits->substr(4, 4));
    symbol.text = *digits;
    return symbol;
}

}  // namespace emu
