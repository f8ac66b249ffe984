#include "emulator/barcodes/Barcode.h"

#include "emulator/barcodes/Codabar.h"
#include "emulator/barcodes/Code128.h"
#include "emulator/barcodes/Code39.h"
#include "emulator/barcodes/Code93.h"
#include "emulator/barcodes/EanUpc.h"
#include "emulator/barcodes/Itf.h"

namespace emu {

std::optional<BarcodeSymbol> EncodeBarcode(std::uint8_t system,
                                           const std::vector<std::uint8_t>& data) {
    switch (system) {
        case 65:
            return EncodeUpcA(data);
        case 66:
            return EncodeUpcE(data);
        case 67:
            return EncodeEan13(data);
        case 68:
            return EncodeEan8(data);
        case 69:
            return EncodeCode39(data);
        case 70:
            return EncodeItf(data);
        case 71:
            return EncodeCodabar(data);
        case 72:
            return EncodeCode93(data);
        case 73:
            return EncodeCode128(data);
        default:
            return std::nullopt;
    }
}

}  // namespace emu
