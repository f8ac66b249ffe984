// Page mode's buffer: the whole page, composed before any of it prints. Data is laid out in the
// print area (ESC W: an origin and a size in dots, clipped to what the paper can take) along the
// print direction (ESC T): 0 left to right from the area's upper-left corner, 1 bottom to top
// from its lower-left, 2 right to left from its lower-right, 3 top to bottom from its
// upper-right. As a Surface it is the area turned to that direction, so whatever the engine draws
// on it comes out rotated; the area and direction may change within a page and what was drawn
// stays. Its rows are those of the paper, as wide and at most kMaxRows long, so memory is bounded
// whatever the area asks for.
#pragma once

#include <cstdint>
#include <vector>

#include "emulator/rendering/Surface.h"

namespace emu {

struct PageArea {
    int x = 0, y = 0;  // origin on the page, in dots
    int width = 0, height = 0;
};

class PageBuffer : public Surface {
  public:
    static constexpr int kMaxRows = 1662;  // the common printers' longest page, in dots

    // The area is clipped; one with nothing on the page gives the whole page.
    PageBuffer(int paperWidth, PageArea area);

    // Clips an area to a page of that width (an area larger than the paper takes what there is);
    // false when none of it is on the page.
    static bool Clip(PageArea& area, int paperWidth);
    // The area, clipped.
    void SetArea(PageArea area);
    void SetDirection(int direction);
    const PageArea& Area() const { return m_area; }
    int Direction() const { return m_direction; }

    // The area as the direction lays it out: rows along its lines, Height() of them.
    int Width() const override;
    int Height() const;
    void Darken(int y, int x0, int x1, std::uint8_t shade) override;

    // Rows of the page from its top to the bottom of the lowest area drawn in or in force; one
    // paper row each.
    int Length() const;
    const std::uint8_t* Row(int y) const;
    // False for a row that is still blank paper.
    bool RowInked(int y) const;
    // Empties the page; its length starts again from the area in force.
    void Clear();
    // Empties the area in force only.
    void ClearArea();

  private:
    void Span(int py, int px0, int px1, std::uint8_t shade);

    int m_paperWidth;
    PageArea m_area;
    int m_direction = 0;
    int m_usedLength = 0;                  // bottom of the lowest area drawn in
    std::vector<std::uint8_t> m_dots;      // m_paperWidth dots a row, 255 white
    std::vector<std::uint8_t> m_rowInked;  // a flag a row: whether any dot in it was darkened
};

}  // namespace emu
