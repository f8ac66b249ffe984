// printer-emulator's scalable CJK font, from its module, when a character first needs it.
#include "emulator/program/Modules.h"
#include "emulator/rendering/FontModule.h"

namespace emu {

std::unique_ptr<ScalableFont> OpenScalableFont(std::string* problems) {
    std::string reason;
    const auto open = reinterpret_cast<CeMolvOpenScalableFont>(
        emutool::FindInModule("ce-molv-fonts.so", kOpenScalableFontSymbol, &reason));
    if (open == nullptr) {
        *problems += "the scalable CJK font: " + reason + "; GBK outside GB2312 prints as boxes\n";
        return nullptr;
    }
    return std::unique_ptr<ScalableFont>(open(problems));
}

}  // namespace emu
