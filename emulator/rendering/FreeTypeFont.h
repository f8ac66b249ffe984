// The scalable CJK font through FreeType and fontconfig (see ScalableFont.h).
#pragma once

#include <memory>
#include <string>

#include "emulator/rendering/ScalableFont.h"

namespace emu {

// WenQuanYi Zen Hei, as fontconfig finds it; null with the problem said in a line of *problems.
std::unique_ptr<ScalableFont> OpenFreeTypeFont(std::string* problems);

}  // namespace emu
