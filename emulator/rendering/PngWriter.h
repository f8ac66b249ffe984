// Receipts as PNG at the cost of their dots: paper that is only black and white (thermal paper
// nearly always is) as a 1-bit picture, paper with gray dots (gray levels below 8) as 8-bit gray.
// The compression was chosen by measurement: see kReceiptPng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/rendering/PaperImage.h"

namespace emu {

struct PngSettings {
    int level;    // zlib level, 0..9
    int filters;  // libpng's filter mask: PNG_FILTER_NONE 0x08, SUB 0x10, UP 0x20, ...
    bool rle;     // zlib's run-length strategy instead of its default one
};

struct PngEncoding {
    PngSettings oneBit;       // black-and-white paper, a bit a dot
    PngSettings gray;         // paper with gray dots, a byte a dot
    bool allowOneBit = true;  // false: a byte a dot even for black-and-white paper
};

// Measured on the client libraries' receipts and a gray-level one (bench_png_encoding, CPU time),
// against the 8-bit, adaptive-filter, level-6 files saved before. Black and white: no filter at
// level 3 takes a fifteenth of the old time for 59 % of the old size (level 1: a tenth faster
// still, 63 %; level 6: 1.7 times level 3's time for 47 %; adaptive filters: twice the time for
// larger files). Gray: no filter at level 1, a seventh of the old time for files half as large
// again; level 3 took three times as long, level 6 as long as before.
inline constexpr PngEncoding kReceiptPng{{3, 0x08, false}, {1, 0x08, false}};

// True when every dot is pure black or pure white, so one bit a dot keeps the picture exact.
bool IsBlackAndWhite(const PaperImage& image);

// The image encoded as a PNG file's bytes; false with the reason in *error when it cannot be.
bool EncodePng(const PaperImage& image, std::vector<std::uint8_t>* png, std::string* error,
               const PngEncoding& encoding = kReceiptPng);

}  // namespace emu
