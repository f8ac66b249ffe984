#include "emulator/decoding/Utf8Reader.h"

namespace emu {

int Utf8Reader::Push(std::uint8_t byte, Utf8Char out[2]) {
    int count = 0;
    if (m_need > 0) {
        if (byte >= m_low && byte <= m_high) {
            m_value = m_value << 6 | (byte & 0x3F);
            m_low = 0x80;
            m_high = 0xBF;
            if (--m_need == 0) out[count++] = Utf8Char{m_value};
            return count;
        }
        m_need = 0;
        out[count++] = Utf8Char{Utf8Char::kInvalid};
    }
    if (byte < 0x80) {
        out[count++] = Utf8Char{byte};
        return count;
    }
    // The lead byte fixes the length and, for E0, ED, F0 and F4, the second byte's range, which
    // rules out overlong forms, surrogates and code points past U+10FFFF.
    m_low = 0x80;
    m_high = 0xBF;
    if (byte >= 0xC2 && byte <= 0xDF) {
        m_need = 1;
        m_value = byte & 0x1F;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
        m_need = 2;
        m_value = byte & 0x0F;
        if (byte == 0xE0) m_low = 0xA0;
        if (byte == 0xED) m_high = 0x9F;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        m_need = 3;
        m_value = byte & 0x07;
        if (byte == 0xF0) m_low = 0x90;
        if (byte == 0xF4) m_high = 0x8F;
    } else {
        out[count++] = Utf8Char{Utf8Char::kInvalid};
    }
    return count;
}

bool Utf8Reader::Flush(Utf8Char& out) {
    if (m_need == 0) return false;
    m_need = 0;
    out = Utf8Char{Utf8Char::kInvalid};
    return true;
}

}  // namespace emu
