// A two-dimensional symbol as the head burns it: a grid of modules, each moduleWidth x
// moduleHeight dots, without quiet zones.
#pragma once

#include <cstdint>
#include <vector>

namespace emu {

struct DotMatrix {
    int columns = 0;
    int rows = 0;
    int moduleWidth = 1;
    int moduleHeight = 1;
    std::vector<std::uint8_t> dark;  // columns * rows, row by row, 1 for a dark module

    bool Dark(int column, int row) const {
        return dark[static_cast<std::size_t>(row) * columns + column] != 0;
    }
    int WidthDots() const { return columns * moduleWidth; }
    int HeightDots() const { return rows * moduleHeight; }
};

}  // namespace emu
