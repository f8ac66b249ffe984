#include "emulator/decoding/GbkPairer.h"

namespace emu {
namespace {

bool IsLead(std::uint8_t b) { return b >= 0x81 && b <= 0xFE; }
bool IsTrail(std::uint8_t b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

}  // namespace

int GbkPairer::Push(std::uint8_t byte, TextChar out[2]) {
    int count = 0;
    if (m_pending) {
        m_pending = false;
        if (IsTrail(byte)) {
            out[0] = TextChar{m_lead, byte};
            return 1;
        }
        out[count++] = TextChar{0, m_lead};
    }
    if (m_doubleByte && IsLead(byte)) {
        m_pending = true;
        m_lead = byte;
        return count;
    }
    out[count++] = TextChar{0, byte};
    return count;
}

void GbkPairer::SetDoubleByte(bool on) {
    m_doubleByte = on;
    m_pending = false;
}

}  // namespace emu
