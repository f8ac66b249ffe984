// A picture of paper: one byte per dot, 0 black to 255 white (gray levels print lighter dots).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emu {

struct PaperImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> gray;  // width * height bytes, rows top to bottom

    std::uint8_t At(int x, int y) const { return gray[static_cast<std::size_t>(y) * width + x]; }
};

// Writes the image as an 8-bit grayscale PNG; false with a reason in *error on failure.
bool WritePng(const PaperImage& image, const std::string& path, std::string* error);

}  // namespace emu
