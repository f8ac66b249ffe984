// Burns one character cell onto a surface with its style, clipped to a band of columns (the
// printable area or a table cell). Shared by text lines, table cells and barcode captions.
#pragma once

#include <cstdint>

#include "emulator/rendering/Glyph.h"
#include "emulator/rendering/Surface.h"
#include "emulator/rendering/TextStyle.h"

namespace emu {

struct Clip {
    int left;
    int right;  // one past the last column
};

// (x, top) is the top-left corner of the scaled cell; the underline runs along the cell's
// bottom rows for the full advance.
void PaintGlyph(Surface& surface, const Glyph& glyph, const TextStyle& style, int x, int top,
                std::uint8_t shade, Clip clip);

}  // namespace emu
