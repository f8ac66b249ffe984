// The scalable font made in the program itself; printer-emulator defines OpenScalableFont
// itself, loading it from its module, so this file and FreeTypeFont.cpp stay out of it.
#include "emulator/rendering/FreeTypeFont.h"

namespace emu {

std::unique_ptr<ScalableFont> OpenScalableFont(std::string* problems) {
    return OpenFreeTypeFont(problems);
}

}  // namespace emu
