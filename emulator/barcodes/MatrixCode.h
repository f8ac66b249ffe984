// Two-dimensional symbols (GS ( k): the settings a printer keeps for each symbology and the
// encoding of stored data into modules by libzint.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/barcodes/DotMatrix.h"

namespace emu {

// The symbology numbers are the command's own (cn).
enum class MatrixCode : std::uint8_t {
    Pdf417 = 48,
    Qr = 49,
    MaxiCode = 50,
    DataBar = 51,  // the stacked GS1 DataBars
    Aztec = 53,
    DataMatrix = 54,
};

const char* MatrixCodeName(MatrixCode code);

// The printer's defaults, as after ESC @.
struct MatrixCodeSettings {
    int qrModel = 2;       // 1, 2, or 3 for Micro QR
    int qrModule = 3;      // dots, 1..16
    int qrLevel = 1;       // 1 L, 2 M, 3 Q, 4 H
    int pdfColumns = 0;    // 0 automatic, 1..30
    int pdfRows = 0;       // 0 automatic, 3..90
    int pdfModule = 3;     // dots, 2..8
    int pdfRowHeight = 3;  // module widths, 2..8
    int pdfLevel = -1;     // 0..8, -1 automatic
    bool pdfTruncated = false;
    int maxiMode = 2;  // 2..6
    bool aztecCompact = false;
    int aztecLayers = 0;    // 0 automatic
    int aztecModule = 3;    // dots, 2..16
    int aztecPercent = 23;  // error correction, 5..95 %
    bool dataMatrixRectangle = false;
    int dataMatrixColumns = 0;  // 0 automatic
    int dataMatrixRows = 0;
    int dataMatrixModule = 3;   // dots, 2..16
    int dataBarModule = 2;      // dots, 2..8
    int dataBarMaxWidth = 141;  // dots, 106..39528: how many segment pairs an Expanded row takes
};

struct MatrixSymbol {
    std::optional<DotMatrix> matrix;  // nothing when the data cannot be encoded
    std::string description;          // "version 2, 25×25 modules at 6 dots", or why not
};

// For DataBar the data starts with the symbol type: 72 Stacked, 73 Stacked Omnidirectional,
// 76 Expanded Stacked.
MatrixSymbol EncodeMatrixCode(MatrixCode code, const MatrixCodeSettings& settings,
                              const std::vector<std::uint8_t>& data);

}  // namespace emu
