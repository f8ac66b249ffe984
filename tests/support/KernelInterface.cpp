#include "tests/support/KernelInterface.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "platform/internal/DeviceTermios.h"

namespace testsupport {

namespace {

// Runs a probe on the slave end of a fresh pseudo-terminal.
template <typename Probe>
bool OnPty(Probe probe) {
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    bool result = probe(slave);
    close(slave);
    close(master);
    return result;
}

}  // namespace

bool ArbitraryRatesAvailable() {
    static const bool available = OnPty([](int fd) {
        platform::detail::DeviceTermios t;
        if (platform::detail::ReadDeviceTermios(fd, t) != 0) return false;
        platform::detail::SetDeviceBaudRate(t, 256000);
        return platform::detail::WriteDeviceTermios(fd, t) == 0;
    });
    return available;
}

bool MarkSpaceParityAvailable() {
    static const bool available = OnPty([](int fd) {
        termios t{};
        if (tcgetattr(fd, &t) != 0) return false;
        t.c_cflag |= PARENB | CMSPAR;
        termios back{};
        return tcsetattr(fd, TCSANOW, &t) == 0 && tcgetattr(fd, &back) == 0 &&
               (back.c_cflag & CMSPAR) != 0;
    });
    return available;
}

}  // namespace testsupport
