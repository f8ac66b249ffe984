// The scalable CJK font (FreeType, found through fontconfig), rendered at 24 px: what characters
// outside the baked bitmap fonts print in. It is opened when the first such character comes.
// printer-emulator loads it, with FreeType and fontconfig, from its module only then
// (program/FontModuleLoader.cpp), so its runs start without those libraries; every other program
// gets it from the emulator library (FreeTypeFont.cpp).
#pragma once

#include <memory>
#include <string>

#include "emulator/rendering/Glyph.h"

namespace emu {

class ScalableFont {
  public:
    virtual ~ScalableFont() = default;
    // A cell as wide as the face sets the character: 12 dots, or 24 for a full-width one; false
    // when the face has no glyph for it.
    virtual bool Render(char32_t c, Glyph& cell) = 0;
    // Into the cell given (its width kept); false when the face has no glyph for it.
    virtual bool RenderInto(char32_t c, Glyph& cell) = 0;
};

// The font, or null with what is wrong said in a line of *problems.
std::unique_ptr<ScalableFont> OpenScalableFont(std::string* problems);

}  // namespace emu
