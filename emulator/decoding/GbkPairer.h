// Groups the text byte stream into characters: single bytes, and GBK pairs (lead 0x81..0xFE,
// trail 0x40..0x7E or 0x80..0xFE) while double-byte mode is on. A lead followed by a byte that
// cannot trail it stands alone (it prints as a box) and the byte is taken afresh.
#pragma once

#include <cstdint>

namespace emu {

struct TextChar {
    std::uint8_t lead = 0;  // 0 for a single byte
    std::uint8_t byte = 0;  // the single byte, or the trail of a pair
};

class GbkPairer {
  public:
    // Writes the characters the byte completes to out (0, 1 or 2 of them) and returns their count.
    int Push(std::uint8_t byte, TextChar out[2]);
    void Reset() { m_pending = false; }
    void SetDoubleByte(bool on);
    bool DoubleByte() const { return m_doubleByte; }

  private:
    bool m_doubleByte = true;
    bool m_pending = false;
    std::uint8_t m_lead = 0;
};

}  // namespace emu
