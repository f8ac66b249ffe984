// The one place that speaks the kernel's termios2 record: <asm/termbits.h> redefines what
// <termios.h> defines, so nothing else here may include it.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
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

}  // namespace

int ReadDeviceTermios(int fd, DeviceTermios& out) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return errno;
    FromKernel(t, out);
    return 0;
}

int WriteDeviceTermios(int fd, const DeviceTermios& in) {
    termios2 t{};
    ToKernel(in, t);
    if (ioctl(fd, TCSETS2, &t) != 0) return errno;
    return 0;
}

std::uint32_t DeviceBaudRate(const DeviceTermios& t) {
    unsigned code = t.cflag & CBAUD;
    if (code == BOTHER) return t.ospeed;
    for (const StandardRate& rate : kStandardRates) {
        if (rate.code == code) return rate.baud;
    }
    return t.ospeed;
}

void SetDeviceBaudRate(DeviceTermios& t, std::uint32_t baud) {
    t.cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.ospeed = baud;
    t.ispeed = baud;
}

}  // namespace platform::detail
