// Receipts as PNG at the cost of their dots: paper that is only black and white (thermal paper
// nearly always is) as a 1-bit picture, paper with gray dots (gray levels below 8) as 8-bit gray.
// The compression was chosen by measurement (bench_png_encoding): see kReceiptPng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/rendering/PaperImage.h"

namespace emu {

struct PngSettings {
    int level;           // zlib level, 0..9
    int filters;         // libpng's filter mask: PNG_FILTER_NONE 0x08, SUB 0x10, UP 0x20, ...
    bool rle;            // zlib's run-length strategy instead of its default one
    bool oneBit = true;  // false: 8-bit gray even for black-and-white paper
};

// Black-and-white paper: no filter and level 1 encode fastest; adaptive filters or higher
// levels spend two to four times as long for files a quarter to a third smaller.
// Gray paper: the same.
inline constexpr PngSettings kReceiptPng{1, 0x08, false};

// True when every dot is pure black or pure white, so one bit a dot keeps the picture exact.
bool IsBlackAndWhite(const PaperImage& image);

// The image encoded as a PNG file's bytes; false with the reason in *error when it cannot be.
bool EncodePng(const PaperImage& image, std::vector<std::uint8_t>* png, std::string* error,
               const PngSettings& settings = kReceiptPng);

}  // namespace emu
