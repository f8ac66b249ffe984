#include "emulator/barcodes/MatrixCode.h"

#include <zint.h>

#include <algorithm>
#include <iterator>

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
    }
    return "2D code";
}

MatrixSymbol EncodeMatrixCode(MatrixCode code, const MatrixCodeSettings& s,
                              const std::vector<std::uint8_t>& data) {
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
