#include "emulator/rendering/BakedFont.h"

#include <algorithm>

namespace emu {

const BakedGlyph* BakedFont::Find(std::uint32_t code) const {
    const BakedGlyph* end = glyphs + count;
    const BakedGlyph* found = std::lower_bound(
        glyphs, end, code, [](const BakedGlyph& glyph, std::uint32_t c) { return glyph.code < c; });
    return found != end && found->code == code ? found : nullptr;
}

}  // namespace emu
