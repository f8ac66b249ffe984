#include "emulator/rendering/UserCharacters.h"

#include <algorithm>

namespace emu {

UserCharacters::Slot* UserCharacters::At(FontSet::Face face, std::uint8_t code) {
    if (code < kFirst || code >= kFirst + kCount) return nullptr;
    return &m_slots[face == FontSet::Face::B ? 1 : 0][code - kFirst];
}

bool UserCharacters::Define(FontSet::Face face, std::uint8_t code, int width, int bytes,
                            const std::vector<std::uint8_t>& columns, const Glyph& cell) {
    Slot* slot = At(face, code);
    if (slot == nullptr || width > cell.width) return false;
    Glyph& glyph = slot->glyph;
    glyph.width = width;
    glyph.height = cell.height;
    glyph.ascent = cell.ascent;
    glyph.ink.assign(static_cast<std::size_t>(width) * cell.height, 0);
    const int rows = std::min(bytes * 8, cell.height);
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < rows; ++y) {
            const std::size_t at = static_cast<std::size_t>(x) * bytes + y / 8;
            if (at < columns.size() && (columns[at] & (0x80 >> (y % 8))))
                glyph.ink[static_cast<std::size_t>(y) * width + x] = 1;
        }
    }
    slot->defined = true;
    return true;
}

void UserCharacters::Cancel(FontSet::Face face, std::uint8_t code) {
    if (Slot* slot = At(face, code)) slot->defined = false;
}

void UserCharacters::Clear() {
    for (auto& face : m_slots)
        for (Slot& slot : face) slot.defined = false;
}

const Glyph* UserCharacters::Find(FontSet::Face face, std::uint8_t code) const {
    Slot* slot = const_cast<UserCharacters*>(this)->At(face, code);
    return slot != nullptr && slot->defined ? &slot->glyph : nullptr;
}

}  // namespace emu
