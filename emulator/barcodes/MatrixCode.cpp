#include "emulator/barcodes/MatrixCode.h"

#include <zint.h>

#include <algorithm>
#include <iterator>

#include "emulator/barcodes/Gs1Data.h"
#include "emulator/barcodes/ZintSymbol.h"

namespace emu {
namespace {

// MaxiCode has a fixed size, about 28 mm square: its hexagons are drawn from the library's
// bitmap at this scale (about 200 dots at 8 dots/mm) rather than as square modules.
constexpr float kMaxiCodeScale = 0.68f;

constexpr int kQrMask = 0;

std::string Size(int columns, int rows) {
    return std::to_string(columns) + "×" + std::to_string(rows) + " modules";
}

DotMatrix Modules(const ZintSymbol& zint, int moduleWidth, int moduleHeight) {
    DotMatrix matrix;
    matrix.columns = zint.Columns();
    matrix.rows = zint.Rows();
    matrix.moduleWidth = moduleWidth;
    matrix.moduleHeight = moduleHeight;
    matrix.dark.reserve(static_cast<std::size_t>(matrix.columns) * matrix.rows);
    for (int row = 0; row < matrix.rows; ++row)
        for (int column = 0; column < matrix.columns; ++column)
            matrix.dark.push_back(zint.Dark(row, column) ? 1 : 0);
    return matrix;
}

DotMatrix Bitmap(const ZintSymbol& zint) {
    DotMatrix matrix;
    matrix.columns = zint.BitmapWidth();
    matrix.rows = zint.BitmapHeight();
    matrix.dark.reserve(static_cast<std::size_t>(matrix.columns) * matrix.rows);
    for (int y = 0; y < matrix.rows; ++y)
        for (int x = 0; x < matrix.columns; ++x)
            matrix.dark.push_back(zint.BitmapDark(x, y) ? 1 : 0);
    return matrix;
}

// The library's Data Matrix size numbers, by rows and columns (1..24 square, 25..30 rectangular).
int DataMatrixSize(int rows, int columns) {
    static const int sizes[][2] = {
        {10, 10}, {12, 12}, {14, 14}, {16, 16}, {18, 18},   {20, 20},   {22, 22},   {24, 24},
        {26, 26}, {32, 32}, {36, 36}, {40, 40}, {44, 44},   {48, 48},   {52, 52},   {64, 64},
        {72, 72}, {80, 80}, {88, 88}, {96, 96}, {104, 104}, {120, 120}, {132, 132}, {144, 144},
        {8, 18},  {8, 32},  {12, 26}, {12, 36}, {16, 36},   {16, 48}};
    for (std::size_t i = 0; i < std::size(sizes); ++i)
        if (sizes[i][0] == rows && sizes[i][1] == columns) return static_cast<int>(i) + 1;
    return -1;
}

int AztecLevel(int percent) {
    if (percent <= 10) return 1;
    if (percent <= 23) return 2;
    if (percent <= 36) return 3;
    return 4;
}

// The stacked DataBars by their symbol type: Stacked and Stacked Omnidirectional carry a GTIN as
// DataBar Omnidirectional does, Expanded Stacked an element string as DataBar Expanded does, in
// as many segment pairs a row as the maximum width takes. Rows the symbology leaves open are
// drawn at the height its omnidirectional forms have.
struct StackedDataBar {
    std::uint8_t type;
    int symbology;
    int openRows;  // modules
    const char* name;
};
constexpr StackedDataBar kStackedDataBars[] = {
    {72, BARCODE_DBAR_STK, 0, "Stacked"},
    {73, BARCODE_DBAR_OMNSTK, 33, "Stacked Omnidirectional"},
    {76, BARCODE_DBAR_EXPSTK, 34, "Expanded Stacked"},
};

MatrixSymbol EncodeDataBar(const MatrixCodeSettings& s, const std::vector<std::uint8_t>& data) {
    MatrixSymbol result;
    const std::uint8_t type = data.empty() ? 0 : data[0];
    const auto bar = std::find_if(std::begin(kStackedDataBars), std::end(kStackedDataBars),
                                  [&](const StackedDataBar& b) { return b.type == type; });
    if (bar == std::end(kStackedDataBars)) {
        result.description = "symbol type " + std::to_string(type) + " is none of 72, 73, 76";
        return result;
    }
    const bool expanded = bar->symbology == BARCODE_DBAR_EXPSTK;
    const std::vector<std::uint8_t> content(data.begin() + 1, data.end());
    std::optional<std::vector<std::uint8_t>> input;
    if (!expanded) {
        input = Gs1Gtin(content);
    } else if (const auto bracketed = Gs1Bracketed(content)) {
        input.emplace(bracketed->begin(), bracketed->end());
    }
    const std::string name = bar->name;
    if (!input) {
        result.description = name + ": data that is no " +
                             (expanded ? "GS1 element string" : "GTIN of 13 or 14 digits");
        return result;
    }
    ZintSymbol zint(bar->symbology);
    if (expanded) {
        zint.Options().input_mode = GS1_MODE;
        // A row is two guard modules each side and 49 modules a segment pair.
        zint.Options().option_2 = std::clamp((s.dataBarMaxWidth / s.dataBarModule - 4) / 49, 1, 11);
    }
    if (!zint.Encode(input->data(), input->size())) {
        result.description = name + ": cannot encode: " + zint.Error();
        return result;
    }
    DotMatrix& m = result.matrix.emplace();
    m.columns = zint.Columns();
    m.moduleWidth = m.moduleHeight = s.dataBarModule;
    for (int row = 0; row < zint.Rows(); ++row) {
        const int height = zint.RowHeight(row) > 0 ? zint.RowHeight(row) : bar->openRows;
        for (int i = 0; i < height; ++i, ++m.rows)
            for (int column = 0; column < m.columns; ++column)
                m.dark.push_back(zint.Dark(row, column) ? 1 : 0);
    }
    result.description =
        name + ", " + Size(m.columns, m.rows) + " at " + std::to_string(m.moduleWidth) + " dots";
    return result;
}

}  // namespace

const char* MatrixCodeName(MatrixCode code) {
    switch (code) {
        case MatrixCode::Pdf417:
            return "PDF417";
        case MatrixCode::Qr:
            return "QR code";
        case MatrixCode::MaxiCode:
            return "MaxiCode";
        case MatrixCode::Aztec:
            return "Aztec code";
        case MatrixCode::DataMatrix:
            return "DataMatrix";
        case MatrixCode::DataBar:
            return "GS1 DataBar";
    }
    return "2D code";
}

MatrixSymbol EncodeMatrixCode(MatrixCode code, const MatrixCodeSettings& s,
                              const std::vector<std::uint8_t>& data) {
    if (code == MatrixCode::DataBar) return EncodeDataBar(s, data);
    MatrixSymbol result;
    std::string note;
    int moduleWidth = 1, moduleHeight = 1;
    int symbology = BARCODE_QRCODE;
    switch (code) {
        case MatrixCode::Qr:
            symbology = s.qrModel == 3 ? BARCODE_MICROQR : BARCODE_QRCODE;
            moduleWidth = moduleHeight = s.qrModule;
            if (s.qrModel == 1) note = " (model 1 drawn as model 2)";
            break;
        case MatrixCode::Pdf417:
            symbology = s.pdfTruncated ? BARCODE_PDF417COMP : BARCODE_PDF417;
            moduleWidth = s.pdfModule;
            moduleHeight = s.pdfModule * s.pdfRowHeight;
            break;
        case MatrixCode::MaxiCode:
            symbology = BARCODE_MAXICODE;
            break;
        case MatrixCode::Aztec:
            symbology = BARCODE_AZTEC;
            moduleWidth = moduleHeight = s.aztecModule;
            break;
        case MatrixCode::DataMatrix:
            symbology = BARCODE_DATAMATRIX;
            moduleWidth = moduleHeight = s.dataMatrixModule;
            break;
        case MatrixCode::DataBar:  // EncodeDataBar draws it
            break;
    }
    ZintSymbol zint(symbology);
    zint_symbol& o = zint.Options();
    switch (code) {
        case MatrixCode::Qr:
            o.option_1 = s.qrModel == 3 ? std::min(s.qrLevel, 3) : s.qrLevel;
            // One mask, rather than the library's search over all eight: any mask reads the
            // same, and the search is most of the cost of a symbol.
            o.option_3 = (kQrMask + 1) << 8;
            break;
        case MatrixCode::Pdf417:
            o.option_1 = s.pdfLevel;
            o.option_2 = s.pdfColumns;
            o.option_3 = s.pdfRows;
            break;
        case MatrixCode::MaxiCode:
            o.option_1 = s.maxiMode;
            break;
        case MatrixCode::Aztec:
            o.option_1 = AztecLevel(s.aztecPercent);
            if (s.aztecLayers > 0) o.option_2 = s.aztecCompact ? s.aztecLayers : s.aztecLayers + 4;
            break;
        case MatrixCode::DataMatrix:
            if (s.dataMatrixColumns > 0) {
                o.option_2 =
                    DataMatrixSize(s.dataMatrixRectangle ? s.dataMatrixRows : s.dataMatrixColumns,
                                   s.dataMatrixColumns);
                if (o.option_2 < 0) {
                    result.description =
                        "no DataMatrix size of " + Size(s.dataMatrixColumns, s.dataMatrixRows);
                    return result;
                }
            } else if (!s.dataMatrixRectangle) {
                o.option_3 = DM_SQUARE;
            }
            break;
        case MatrixCode::DataBar:
            break;
    }
    // MaxiCode modes 2 and 3 carry a structured carrier message first: postcode (9 digits, or 6
    // characters in mode 3), country and service class (3 digits each).
    std::size_t primary = 0;
    if (code == MatrixCode::MaxiCode && (s.maxiMode == 2 || s.maxiMode == 3)) {
        primary = std::min<std::size_t>(data.size(), s.maxiMode == 2 ? 15 : 12);
        std::copy(data.begin(), data.begin() + static_cast<long>(primary), o.primary);
        o.primary[primary] = '\0';
    }
    if (!zint.Encode(data.data() + primary, data.size() - primary)) {
        result.description = "cannot encode: " + zint.Error();
        return result;
    }
    if (code == MatrixCode::MaxiCode) {
        if (!zint.Render(kMaxiCodeScale)) {
            result.description = "cannot draw: " + zint.Error();
            return result;
        }
        result.matrix = Bitmap(zint);
        result.description = "mode " + std::to_string(s.maxiMode) + ", " +
                             std::to_string(result.matrix->columns) + "×" +
                             std::to_string(result.matrix->rows) + " dots";
        return result;
    }
    result.matrix = Modules(zint, moduleWidth, moduleHeight);
    const DotMatrix& m = *result.matrix;
    const std::string at = " at " + std::to_string(moduleWidth) + " dots";
    switch (code) {
        case MatrixCode::Qr:
            result.description = s.qrModel == 3 ? "version M" + std::to_string((m.columns - 9) / 2)
                                                : "version " + std::to_string((m.columns - 17) / 4);
            result.description += ", " + Size(m.columns, m.rows) + at + note;
            break;
        case MatrixCode::Pdf417:
            result.description = Size(m.columns, m.rows) + at + ", rows " +
                                 std::to_string(moduleHeight) + " dots high";
            break;
        default:
            result.description = Size(m.columns, m.rows) + at;
            break;
    }
    return result;
}

}  // namespace emu
