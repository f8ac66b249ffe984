// Groups UTF-8 text bytes into characters, as the printer reads them with UTF-8 selected (FS ( C
// function 48). A sequence that is not well-formed UTF-8 (a stray continuation byte, a lead cut
// short, an overlong form, a surrogate, past U+10FFFF) comes out as one invalid character for its
// longest well-formed start, and the byte that broke it is read afresh.
#pragma once

#include <cstdint>

namespace emu {

struct Utf8Char {
    static constexpr char32_t kInvalid = 0xFFFFFFFF;
    char32_t c = 0;  // kInvalid for a sequence that is not UTF-8
};

class Utf8Reader {
  public:
    // Writes the characters the byte completes to out (0, 1 or 2) and returns their count.
    int Push(std::uint8_t byte, Utf8Char out[2]);
    // Ends the text: a sequence still open is invalid. Returns whether one was.
    bool Flush(Utf8Char& out);
    void Reset() { m_need = 0; }

  private:
    char32_t m_value = 0;
    int m_need = 0;             // continuation bytes still to come
    std::uint8_t m_low = 0x80;  // the range the next continuation byte must lie in
    std::uint8_t m_high = 0xBF;
};

}  // namespace emu
