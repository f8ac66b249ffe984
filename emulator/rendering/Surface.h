// What the print engine composes on: rows of dots in the order the text reads them, darkened span
// by span. The receipt (standard mode) and the page buffer (page mode, turned to its print
// direction) are both surfaces, so text lines, images, tables, barcodes and symbols are drawn by
// one set of routines whichever mode is in force.
#pragma once

#include <cstdint>

namespace emu {

class Surface {
  public:
    virtual ~Surface() = default;

    // Dots across a row: the receipt's width, or the page area's extent along its lines.
    virtual int Width() const = 0;
    // Darkens dots x0..x1-1 of row y to at most shade; dots off the surface are ignored.
    // Overprinting keeps the darker dot, as a second burn of thermal paper can only darken it.
    virtual void Darken(int y, int x0, int x1, std::uint8_t shade) = 0;
};

}  // namespace emu
