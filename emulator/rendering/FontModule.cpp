// The entry point of the scalable font's module (ce-molv-fonts.so), which printer-emulator loads
// when a character first needs the font.
#include "emulator/rendering/FontModule.h"

#include "emulator/rendering/FreeTypeFont.h"

extern "C" emu::ScalableFont* ce_molv_open_scalable_font(std::string* problems) {
    return emu::OpenFreeTypeFont(problems).release();
}
