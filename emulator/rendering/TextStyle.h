// How a character is burnt: its size multipliers and its emphasis.
#pragma once

namespace emu {

struct TextStyle {
    int scaleX = 1;        // 1..8
    int scaleY = 1;        // 1..8
    bool bold = false;     // overstruck one dot to the right
    bool italic = false;   // sheared to the right above the baseline
    int underline = 0;     // thickness in dots, 0..2
    bool reverse = false;  // white on black
    int rightSpacing = 0;  // dots after each character, before scaling
};

}  // namespace emu
