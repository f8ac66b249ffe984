// The one place that speaks the kernel's termios2 record: <asm/termbits.h> redefines what
// <termios.h> defines, so nothing else here may include it.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "platform/internal/DeviceTermios.h"

namespace platform::detail {

namespace {

static_assert(NCCS == DeviceTermios::kControlChars, "control characters must match the kernel");

void ToKernel(const DeviceTermios& in, termios2& out) {
    out.c_iflag = in.iflag;
    out.c_oflag = in.oflag;
    out.c_cflag = in.cflag;
    out.c_lflag = in.lflag;
    out.c_line = in.line;
    std::memcpy(out.c_cc, in.cc, sizeof out.c_cc);
    out.c_ispeed = in.ispeed;
    out.c_ospeed = in.ospeed;
}

void FromKernel(const termios2& in, DeviceTermios& out) {
    out.iflag = in.c_iflag;
    out.oflag = in.c_oflag;
    out.cflag = in.c_cflag;
    out.lflag = in.c_lflag;
    out.line = in.c_line;
    std::memcpy(out.cc, in.c_cc, sizeof out.cc);
    out.ispeed = in.c_ispeed;
    out.ospeed = in.c_ospeed;
}

struct StandardRate {
    unsigned code;
    std::uint32_t baud;
};

constexpr StandardRate kStandardRates[] = {
    {B0, 0},
    {B50, 50},
    {B75, 75},
    {B110, 110},
    {B134, 134},
    {B150, 150},
    {B200, 200},
    {B300, 300},
    {B600, 600},
    {B1200, 1200},
    {B1800, 1800},
    {B2400, 2400},
    {B4800, 4800},
    {B9600, 9600},
    {B19200, 19200},
    {B38400, 38400},
    {B57600, 57600},
    {B115200, 115200},
    {B230400, 230400},
    {B460800, 460800},
    {B500000, 500000},
    {B576000, 576000},
    {B921600, 921600},
    {B1000000, 1000000},
    {B1152000, 1152000},
    {B1500000, 1500000},
    {B2000000, 2000000},
    {B2500000, 2500000},
    {B3000000, 3000000},
    {B3500000, 3500000},
    {B4000000, 4000000},
};

std::uint32_t StandardBaud(unsigned code) {
    for (const StandardRate& rate : kStandardRates) {
        if (rate.code == code) return rate.baud;
    }
    return 0;
}

// termios2 begins with the classic record, so the two convert by their common prefix.
static_assert(offsetof(termios2, c_ispeed) >= sizeof(termios), "termios2 extends termios");

}  // namespace

// The classic TCGETS/TCSETS carry every standard rate; only an arbitrary rate (BOTHER) needs the
// termios2 calls. Asking for termios2 only then keeps the port usable where those calls are not
// implemented: qemu-user before 8, some sandboxes and compatibility layers.
int ReadDeviceTermios(int fd, DeviceTermios& out) {
    termios classic{};
    if (ioctl(fd, TCGETS, &classic) != 0) return errno;
    if ((classic.c_cflag & CBAUD) == BOTHER) {
        termios2 t{};
        if (ioctl(fd, TCGETS2, &t) != 0) return errno;
        FromKernel(t, out);
        return 0;
    }
    termios2 t{};
    std::memcpy(&t, &classic, sizeof classic);
    t.c_ospeed = StandardBaud(classic.c_cflag & CBAUD);
    unsigned input = (classic.c_cflag >> IBSHIFT) & CBAUD;
    t.c_ispeed = input == B0 ? t.c_ospeed : StandardBaud(input);
    FromKernel(t, out);
    return 0;
}

int WriteDeviceTermios(int fd, const DeviceTermios& in) {
    termios2 t{};
    ToKernel(in, t);
    bool arbitrary = (t.c_cflag & CBAUD) == BOTHER || ((t.c_cflag >> IBSHIFT) & CBAUD) == BOTHER;
    if (arbitrary) return ioctl(fd, TCSETS2, &t) != 0 ? errno : 0;
    termios classic{};
    std::memcpy(&classic, &t, sizeof classic);
    return ioctl(fd, TCSETS, &classic) != 0 ? errno : 0;
}

std::uint32_t DeviceBaudRate(const DeviceTermios& t) {
    unsigned code = t.cflag & CBAUD;
    if (code == BOTHER) return t.ospeed;
    return StandardBaud(code);
}

void SetDeviceBaudRate(DeviceTermios& t, std::uint32_t baud) {
    unsigned code = BOTHER;
    for (const StandardRate& rate : kStandardRates) {
        if (rate.baud == baud) code = rate.code;
    }
    t.cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.cflag |= code | (code << IBSHIFT);
    t.ospeed = baud;
    t.ispeed = baud;
}

}  // namespace platform::detail
