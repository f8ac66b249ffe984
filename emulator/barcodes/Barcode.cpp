#include "emulator/barcodes/Barcode.h"

#include <zint.h>

#include <algorithm>
#include <string>

#include "emulator/barcodes/Gs1Data.h"
#include "emulator/barcodes/ZintSymbol.h"

namespace emu {
namespace {

using Bytes = std::vector<std::uint8_t>;

bool AllDigits(const Bytes& data) {
    return std::all_of(data.begin(), data.end(),
                       [](std::uint8_t b) { return b >= '0' && b <= '9'; });
}

// The caption is drawn in the single-byte font: what it cannot show becomes a space.
std::string Printable(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b < 0xC0) continue;  // continuation bytes of one UTF-8 character
        out.push_back(b >= 0x20 && b < 0x7F ? c : ' ');
    }
    return out;
}

std::optional<BarcodeSymbol> Encode(int symbology, const Bytes& data, int inputMode = DATA_MODE) {
    ZintSymbol zint(symbology);
    zint.Options().input_mode = inputMode;
    if (!zint.Encode(data.data(), data.size()) || zint.Rows() != 1) return std::nullopt;
    BarcodeSymbol symbol;
    // The library may end a symbol with a space; the printer adds its own quiet zones.
    int first = 0, last = zint.Columns();
    while (first < last && !zint.Dark(0, first)) ++first;
    while (last > first && !zint.Dark(0, last - 1)) --last;
    for (int column = first; column < last; ++column)
        symbol.modules.push_back(zint.Dark(0, column));
    symbol.text = Printable(zint.Text());
    return symbol;
}

// EAN and UPC take the data without their check digit (the library adds it) or with it (the
// library verifies it); no other length is valid.
std::optional<BarcodeSymbol> EncodeEanUpc(const Bytes& data, std::size_t full, int withoutCheck,
                                          int withCheck) {
    if (!AllDigits(data)) return std::nullopt;
    if (data.size() == full - 1) return Encode(withoutCheck, data);
    if (data.size() == full) return Encode(withCheck, data);
    return std::nullopt;
}

// The UPC-A number a UPC-E symbol stands for: number system, six digits, no check digit.
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

// UPC-E takes 6 digits (number system 0), 7 (system 0 or 1 first), 8 (with check digit), or the
// 11/12-digit UPC-A form when it has a zero-suppressed one.
std::optional<BarcodeSymbol> EncodeUpcE(const Bytes& data) {
    if (data.empty() || !AllDigits(data)) return std::nullopt;
    if (data.size() == 6) return Encode(BARCODE_UPCE, data);
    if (data[0] != '0' && data[0] != '1') return std::nullopt;
    if (data.size() == 7) return Encode(BARCODE_UPCE, data);
    if (data.size() == 8) return Encode(BARCODE_UPCE_CHK, data);
    if (data.size() != 11 && data.size() != 12) return std::nullopt;
    const std::string upcA(data.begin(), data.begin() + 11);
    const std::string m = upcA.substr(1, 5), p = upcA.substr(6, 5);
    for (const std::string& six :
         {m.substr(0, 2) + p.substr(2, 3) + m[2], m.substr(0, 3) + p.substr(3, 2) + "3",
          m.substr(0, 4) + p[4] + "4", m + p[4]}) {
        if (ExpandUpcE(upcA[0], six) != upcA) continue;
        std::string upcE = static_cast<char>(data[0]) + six;
        if (data.size() == 12) upcE += static_cast<char>(data[11]);
        return Encode(data.size() == 12 ? BARCODE_UPCE_CHK : BARCODE_UPCE,
                      Bytes(upcE.begin(), upcE.end()));
    }
    return std::nullopt;
}

// CODE39 data may come framed by its start and stop characters; the printer's set has no lower
// case.
std::optional<BarcodeSymbol> EncodeCode39(Bytes data) {
    if (data.size() >= 2 && data.front() == '*' && data.back() == '*')
        data = Bytes(data.begin() + 1, data.end() - 1);
    if (std::any_of(data.begin(), data.end(), [](std::uint8_t b) { return b >= 'a' && b <= 'z'; }))
        return std::nullopt;
    return Encode(BARCODE_CODE39, data);
}

// CODE128 data names its code set first ({A, {B or {C) and may switch ({A/{B/{C), shift one
// character ({S), mark a character as extended ({4) or send a brace ({{); set C carries digit
// pairs as byte values 0..99. The library chooses its own code sets for the characters, so the
// symbol reads the same; FNC1..3 cannot be passed to it and reject the data.
std::optional<BarcodeSymbol> EncodeCode128(const Bytes& data) {
    if (data.size() < 2 || data[0] != '{') return std::nullopt;
    char set = static_cast<char>(data[1]);
    if (set != 'A' && set != 'B' && set != 'C') return std::nullopt;
    Bytes text;
    bool shifted = false, extended = false;
    for (std::size_t i = 2; i < data.size(); ++i) {
        std::uint8_t b = data[i];
        if (b == '{') {
            if (++i == data.size()) return std::nullopt;
            const char code = static_cast<char>(data[i]);
            if (code == 'A' || code == 'B' || code == 'C') {
                set = code;
                continue;
            }
            if (set == 'C' || shifted || extended) return std::nullopt;
            if (code == 'S') {
                shifted = true;
                continue;
            }
            if (code == '4') {
                extended = true;
                continue;
            }
            if (code != '{') return std::nullopt;
        }
        if (set == 'C') {
            if (b > 99) return std::nullopt;
            text.push_back(static_cast<std::uint8_t>('0' + b / 10));
            text.push_back(static_cast<std::uint8_t>('0' + b % 10));
            continue;
        }
        const char charSet = shifted ? (set == 'A' ? 'B' : 'A') : set;
        const bool valid = charSet == 'A' ? b < 0x60 : b >= 0x20 && b < 0x80;
        if (!valid) return std::nullopt;
        text.push_back(extended ? static_cast<std::uint8_t>(b + 0x80) : b);
        shifted = extended = false;
    }
    return Encode(BARCODE_CODE128, text);
}

// GS1-128 and DataBar Expanded carry element strings; the human-readable text shows the
// identifiers in parentheses.
std::optional<BarcodeSymbol> EncodeGs1(int symbology, const Bytes& data) {
    const auto bracketed = Gs1Bracketed(data);
    if (!bracketed) return std::nullopt;
    return Encode(symbology, Bytes(bracketed->begin(), bracketed->end()), GS1_MODE);
}

// DataBar Omnidirectional, Truncated and Limited carry one GTIN.
std::optional<BarcodeSymbol> EncodeGtinBar(int symbology, const Bytes& data) {
    const auto gtin = Gs1Gtin(data);
    if (!gtin) return std::nullopt;
    return Encode(symbology, *gtin);
}

}  // namespace

std::optional<BarcodeSymbol> EncodeBarcode(std::uint8_t system, const Bytes& data) {
    switch (system) {
        case 65:
            return EncodeEanUpc(data, 12, BARCODE_UPCA, BARCODE_UPCA_CHK);
        case 66:
            return EncodeUpcE(data);
        case 67:
            return EncodeEanUpc(data, 13, BARCODE_EANX, BARCODE_EANX_CHK);
        case 68:
            return EncodeEanUpc(data, 8, BARCODE_EANX, BARCODE_EANX_CHK);
        case 69:
            return EncodeCode39(data);
        case 70:
            if (data.size() % 2 != 0 || !AllDigits(data)) return std::nullopt;
            return Encode(BARCODE_C25INTER, data);
        case 71:
            return Encode(BARCODE_CODABAR, data);
        case 72:
            return Encode(BARCODE_CODE93, data);
        case 73:
            return EncodeCode128(data);
        case 74:
            return EncodeGs1(BARCODE_GS1_128, data);
        case 75:  // Truncated is the same symbol at a lower height, which GS h sets
        case 76:
            return EncodeGtinBar(BARCODE_DBAR_OMN, data);
        case 77:
            return EncodeGtinBar(BARCODE_DBAR_LTD, data);
        case 78:
            return EncodeGs1(BARCODE_DBAR_EXP, data);
        default:
            return std::nullopt;
    }
}

}  // namespace emu
