#include "emulator/barcodes/MatrixCodeStore.h"

namespace emu {
namespace {

std::optional<MatrixCode> CodeOf(std::uint8_t cn) {
    switch (cn) {
        case 48:
        case 49:
        case 50:
        case 51:
        case 53:
        case 54:
            return static_cast<MatrixCode>(cn);
        default:
            return std::nullopt;
    }
}

std::size_t Slot(MatrixCode code) {
    switch (code) {
        case MatrixCode::Pdf417:
            return 0;
        case MatrixCode::Qr:
            return 1;
        case MatrixCode::MaxiCode:
            return 2;
        case MatrixCode::Aztec:
            return 3;
        case MatrixCode::DataMatrix:
            return 4;
        case MatrixCode::DataBar:
            return 5;
    }
    return 0;
}

std::string N(int value) { return std::to_string(value); }

// Sets value to n when it lies in [low, high]; the meaning says what happened either way.
std::string SetIn(int& value, int n, int low, int high, const std::string& what) {
    if (n < low || n > high)
        return what + " " + N(n) + " out of range " + N(low) + ".." + N(high) + ", ignored";
    value = n;
    return what + " " + N(n);
}

}  // namespace

void MatrixCodeStore::Reset() {
    m_settings = MatrixCodeSettings{};
    for (auto& data : m_data) data.reset();
}

MatrixCodeStore::Outcome MatrixCodeStore::Apply(std::uint8_t cn, std::uint8_t fn,
                                                const std::vector<std::uint8_t>& args,
                                                std::size_t length) {
    const auto code = CodeOf(cn);
    if (!code) return {"2D symbology " + N(cn) + " not supported, skipped", std::nullopt};
    const std::string name = MatrixCodeName(*code);
    switch (fn) {
        case 80: {
            Outcome outcome = Store(*code, args, length);
            outcome.meaning = name + ": " + outcome.meaning;
            return outcome;
        }
        case 81: {
            Outcome outcome = Print(*code);
            outcome.meaning = name + ": " + outcome.meaning;
            return outcome;
        }
        case 82:
            return {name + ": size request, not answered", std::nullopt};
        default:
            return {name + ": " + Set(*code, fn, args, length), std::nullopt};
    }
}

std::string MatrixCodeStore::Set(MatrixCode code, std::uint8_t fn,
                                 const std::vector<std::uint8_t>& args, std::size_t length) {
    MatrixCodeSettings& s = m_settings;
    const int n = length >= 1 ? args[0] : -1;
    const int n2 = length >= 2 ? args[1] : -1;
    const int n3 = length >= 3 ? args[2] : -1;
    switch (code) {
        case MatrixCode::Qr:
            if (fn == 65) return SetIn(s.qrModel, n - 48, 1, 3, "model");
            if (fn == 67) return SetIn(s.qrModule, n, 1, 16, "module size");
            if (fn == 69 && n >= 48 && n <= 51) {
                s.qrLevel = n - 47;
                return std::string("error correction level ") + "LMQH"[n - 48];
            }
            break;
        case MatrixCode::Pdf417:
            if (fn == 65) return SetIn(s.pdfColumns, n, 0, 30, "columns");
            if (fn == 66) {
                if (n >= 1 && n <= 2) return "rows " + N(n) + " out of range 0, 3..90, ignored";
                return SetIn(s.pdfRows, n, 0, 90, "rows");
            }
            if (fn == 67) return SetIn(s.pdfModule, n, 2, 8, "module width");
            if (fn == 68) return SetIn(s.pdfRowHeight, n, 2, 8, "row height");
            if (fn == 69 && n == 48)
                return SetIn(s.pdfLevel, n2 - 48, 0, 8, "error correction level");
            if (fn == 69 && n == 49 && n2 >= 1 && n2 <= 40) {
                s.pdfLevel = -1;  // a ratio of the data: the library sizes it from the data
                return "error correction " + N(n2 * 10) + " % of the data";
            }
            if (fn == 70 && (n == 0 || n == 1)) {
                s.pdfTruncated = n == 1;
                return n == 1 ? "truncated" : "standard";
            }
            break;
        case MatrixCode::MaxiCode:
            if (fn == 65) return SetIn(s.maxiMode, n - 48, 2, 6, "mode");
            break;
        case MatrixCode::Aztec:
            if (fn == 66 && (n == 0 || n == 1) && n2 >= 0 && n2 <= (n == 1 ? 4 : 32)) {
                s.aztecCompact = n == 1;
                s.aztecLayers = n2;
                return std::string(n == 1 ? "compact" : "full-range") + ", " +
                       (n2 == 0 ? std::string("layers automatic") : N(n2) + " layers");
            }
            if (fn == 67) return SetIn(s.aztecModule, n, 2, 16, "module size");
            if (fn == 69) return SetIn(s.aztecPercent, n, 5, 95, "error correction %");
            break;
        case MatrixCode::DataMatrix:
            if (fn == 66 && (n == 0 || n == 1) && n2 >= 0 && n3 >= 0) {
                s.dataMatrixRectangle = n == 1;
                s.dataMatrixColumns = n2;
                s.dataMatrixRows = n == 1 ? n3 : n2;
                return std::string(n == 1 ? "rectangle" : "square") + ", " +
                       (n2 == 0 ? std::string("size automatic")
                                : N(n2) + " columns" + (n == 1 ? " x " + N(n3) + " rows" : ""));
            }
            if (fn == 67) return SetIn(s.dataMatrixModule, n, 2, 16, "module size");
            break;
        case MatrixCode::DataBar:
            if (fn == 67) return SetIn(s.dataBarModule, n, 2, 8, "module width");
            if (fn == 71 && length == 2)
                return SetIn(s.dataBarMaxWidth, n + n2 * 256, 106, 39528, "Expanded Stacked width");
            break;
    }
    return "function " + N(fn) + " with " + N(static_cast<int>(length)) +
           " parameter bytes not supported, skipped";
}

MatrixCodeStore::Outcome MatrixCodeStore::Store(MatrixCode code,
                                                const std::vector<std::uint8_t>& args,
                                                std::size_t length) {
    auto& slot = m_data[Slot(code)];
    slot.reset();
    if (length < 2) return {"store: no data, nothing stored", std::nullopt};
    const std::size_t bytes = length - 1;  // after the m byte
    if (bytes > kMaxData)
        return {"store " + N(static_cast<int>(bytes)) + " bytes: longer than " +
                    N(static_cast<int>(kMaxData)) + ", nothing stored",
                std::nullopt};
    slot.emplace(args.begin() + 1, args.begin() + 1 + static_cast<long>(bytes));
    return {"store " + N(static_cast<int>(bytes)) + " bytes", std::nullopt};
}

MatrixCodeStore::Outcome MatrixCodeStore::Print(MatrixCode code) {
    const auto& slot = m_data[Slot(code)];
    if (!slot) return {"print: no data stored, nothing printed", std::nullopt};
    MatrixSymbol symbol = EncodeMatrixCode(code, m_settings, *slot);
    if (!symbol.matrix) return {"print: " + symbol.description + ", nothing printed", std::nullopt};
    return {"print, " + symbol.description, std::move(symbol.matrix)};
}

}  // namespace emu
