// User-defined characters (ESC &): codes 32..126, one set for Font A and one for Font B, drawn in
// place of the built-in glyphs while ESC % selects them. A glyph keeps its place once made, so a
// line still holding it stays valid when the character is redefined or cancelled.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "emulator/rendering/FontSet.h"
#include "emulator/rendering/Glyph.h"

namespace emu {

class UserCharacters {
  public:
    // cell: the face's built-in cell (its width is the widest allowed, its height and ascent are
    // the character's). Columns of `bytes` bytes, most significant bit on top; dots below the
    // cell are dropped. False, and nothing defined, for a code outside 32..126 or a character
    // wider than the cell.
    bool Define(FontSet::Face face, std::uint8_t code, int width, int bytes,
                const std::vector<std::uint8_t>& columns, const Glyph& cell);
    void Cancel(FontSet::Face face, std::uint8_t code);
    void Clear();
    // Null when the code has no user-defined character in that face.
    const Glyph* Find(FontSet::Face face, std::uint8_t code) const;

  private:
    struct Slot {
        bool defined = false;
        Glyph glyph;
    };
    static constexpr int kFirst = 32, kCount = 95;
    Slot* At(FontSet::Face face, std::uint8_t code);

    std::array<std::array<Slot, kCount>, 2> m_slots{};
};

}  // namespace emu
