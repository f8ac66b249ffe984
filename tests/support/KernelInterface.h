// What the kernel interface under the tests carries. On hardware and a native kernel both are
// there; under qemu-user 7.2 (the ARM test runs on Debian 12) neither termios2, which sets a rate
// without a standard code, nor the mark/space parity flag is emulated, so the tests that need
// them skip, saying why.
#pragma once

namespace testsupport {

bool ArbitraryRatesAvailable();
bool MarkSpaceParityAvailable();

inline constexpr const char* kNotEmulated =
    "not carried by this kernel interface (qemu-user before 8 emulates neither termios2 nor "
    "CMSPAR)";

}  // namespace testsupport
