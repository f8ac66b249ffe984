// What the printer drives besides its head: the cash drawer's kick-out pins and the buzzer. The
// decoder hands these to the printer (ControlHandler) so that whoever watches it learns of them
// as events rather than by reading the trace.
#pragma once

#include <string>
#include <variant>

namespace emu {

struct DrawerKick {
    int drawer = 1;        // 1 or 2: which connector pin pulses
    unsigned pulseMs = 0;  // on time
    unsigned offMs = 0;    // off time after it
};

struct Buzzer {
    unsigned beeps = 1;
    unsigned beepMs = 0;  // 0: the buzzer's own length
};

using Peripheral = std::variant<DrawerKick, Buzzer>;

// "drawer 1: pulse 100 ms, off 200 ms", "buzzer: 3 beeps of 100 ms"
std::string Describe(const Peripheral& pulse);

}  // namespace emu
