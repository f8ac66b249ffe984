// termios2 lives in <asm/termbits.h>, which clashes with <termios.h>: keep this file alone.
#include "emulator/link/SerialLine.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "emulator/link/HostLine.h"

namespace emu {

namespace {

struct StandardRate {
    unsigned code;
    std::uint32_t baud;
};
// clang-format off
constexpr StandardRate kStandardRates[] = {
    {B50, 50}, {B75, 75}, {B110, 110}, {B134, 134}, {B150, 150}, {B200, 200}, {B300, 300},
    {B600, 600}, {B1200, 1200}, {B1800, 1800}, {B2400, 2400}, {B4800, 4800}, {B9600, 9600},
    {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    {B460800, 460800}, {B500000, 500000}, {B576000, 576000}, {B921600, 921600},
    {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000}, {B2000000, 2000000},
    {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000}};
// clang-format on

// The classic TCGETS carries every standard rate; termios2 is asked only for an arbitrary one,
// so the line is read where termios2 is not implemented (qemu-user before 8, some sandboxes).
bool ReadLineSettings(int fd, struct termios2& out) {
    struct termios classic {};
    if (ioctl(fd, TCGETS, &classic) != 0) return false;
    if ((classic.c_cflag & CBAUD) == BOTHER) return ioctl(fd, TCGETS2, &out) == 0;
    out = {};
    std::memcpy(&out, &classic, sizeof classic);
    for (const StandardRate& rate : kStandardRates) {
        if (rate.code == (classic.c_cflag & CBAUD)) out.c_ospeed = rate.baud;
    }
    return true;
}

}  // namespace

unsigned StandardRateCode(std::uint32_t baud) {
    for (const StandardRate& rate : kStandardRates)
        if (rate.baud == baud) return rate.code;
    return 0;
}

// A standard rate goes with its classic code, so the line is set where termios2 is missing too.
static bool WriteLineSettings(int fd, struct termios2 settings) {
    if (const unsigned code = StandardRateCode(settings.c_ospeed); code != 0) {
        struct termios classic {};
        std::memcpy(&classic, &settings, sizeof classic);
        classic.c_cflag = (classic.c_cflag & ~(CBAUD | CIBAUD)) | code;
        return ioctl(fd, TCSETS, &classic) == 0;
    }
    settings.c_cflag = (settings.c_cflag & ~(CBAUD | CIBAUD)) | BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = settings.c_ospeed;
    return ioctl(fd, TCSETS2, &settings) == 0;
}

bool ConfigureSerialLine(int fd, std::uint32_t baud, bool rtsCts, std::string* error) {
    struct termios2 tio {};
    if (!ReadLineSettings(fd, tio)) {
        *error = std::string("cannot read the line settings: ") + std::strerror(errno);
        return false;
    }
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CS8 | CREAD | CLOCAL | (rtsCts ? CRTSCTS : 0);
    tio.c_ospeed = baud;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (!WriteLineSettings(fd, tio)) {
        *error = "cannot set " + std::to_string(baud) + " baud: " + std::strerror(errno);
        return false;
    }
    struct termios2 check {};
    if (!ReadLineSettings(fd, check) || check.c_ospeed != baud ||
        ((check.c_cflag & CRTSCTS) != 0) != rtsCts) {
        *error = "the device did not take " + std::to_string(baud) + " baud" +
                 (rtsCts ? " with RTS/CTS" : "");
        return false;
    }
    return true;
}

bool ReadHostLine(int fd, HostLine* line) {
    struct termios2 tio {};
    if (!ReadLineSettings(fd, tio)) return false;
    line->baud = tio.c_ospeed;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            line->dataBits = 5;
            break;
        case CS6:
            line->dataBits = 6;
            break;
        case CS7:
            line->dataBits = 7;
            break;
        default:
            line->dataBits = 8;
            break;
    }
    line->parity = (tio.c_cflag & PARENB) == 0 ? 'N' : (tio.c_cflag & PARODD) != 0 ? 'O' : 'E';
    line->stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 1;
    line->handshake = (tio.c_cflag & CRTSCTS) != 0          ? Handshake::Hardware
                      : (tio.c_iflag & (IXON | IXOFF)) != 0 ? Handshake::Software
                                                            : Handshake::None;
    return true;
}

}  // namespace emu
