// The receipt being printed: one byte per dot (0 black .. 255 white), a fixed width, growing
// downward in chunks as the head advances. Rows are capped so that no input grows a receipt
// without bound; the print engine cuts before the cap. The rows are one block, reserved for the
// cap at once (only the rows reached are touched), so they never move as the paper grows and a
// finished receipt is handed on as it is (Take), not copied.
#pragma once

#include <cstdint>
#include <vector>

#include "emulator/rendering/PaperImage.h"
#include "emulator/rendering/Surface.h"

namespace emu {

class Paper : public Surface {
  public:
    static constexpr int kMaxRows = 8192;  // about one metre at 8 dots/mm
    static constexpr int kChunkRows = 256;

    explicit Paper(int width);

    int Width() const override { return m_width; }
    int HeadRow() const { return m_head; }
    // Rows from the top of the receipt to the furthest the head or any dot has reached.
    int Length() const;
    bool HasInk() const { return m_inkBottom > 0; }

    void Darken(int y, int x0, int x1, std::uint8_t shade) override;
    // Darkens row y dot by dot to at most the given row's shades (Width() of them).
    void Burn(int y, const std::uint8_t* shades);
    // Moves the head; forward stops at kMaxRows, backward at the top of the receipt.
    void Advance(int rows);
    void Reverse(int rows);
    // Turns rows top..top+rows-1 half a turn (upside-down printing).
    void TurnHalf(int top, int rows);

    PaperImage Image() const;
    // The receipt's picture, its rows moved out; the paper is blank and at its top again.
    PaperImage Take();

  private:
    std::uint8_t* Row(int y);

    int m_width;
    int m_head = 0;
    int m_headMax = 0;
    int m_inkBottom = 0;               // one past the lowest row with a dot
    std::vector<std::uint8_t> m_dots;  // the rows reached so far, top to bottom
};

}  // namespace emu
