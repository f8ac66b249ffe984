#include "emulator/decoding/Peripheral.h"

namespace emu {

std::string Describe(const Peripheral& pulse) {
    if (const auto* kick = std::get_if<DrawerKick>(&pulse)) {
        return "drawer " + std::to_string(kick->drawer) + ": pulse " +
               std::to_string(kick->pulseMs) + " ms, off " + std::to_string(kick->offMs) + " ms";
    }
    const Buzzer& buzzer = std::get<Buzzer>(pulse);
    if (buzzer.beepMs == 0) return "buzzer: one beep";
    return "buzzer: " + std::to_string(buzzer.beeps) + " beeps of " +
           std::to_string(buzzer.beepMs) + " ms";
}

}  // namespace emu
