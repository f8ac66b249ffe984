// termios2 lives in <asm/termbits.h>, which clashes with <termios.h>: keep this file alone.
#include "emulator/link/SerialLine.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "emulator/link/HostLine.h"

namespace emu {

bool ConfigureSerialLine(int fd, std::uint32_t baud, bool rtsCts, std::string* error) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        *error = std::string("cannot read the line settings: ") + std::strerror(errno);
        return false;
    }
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CS8 | CREAD | CLOCAL | BOTHER | (rtsCts ? CRTSCTS : 0);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (ioctl(fd, TCSETS2, &tio) != 0) {
        *error = "cannot set " + std::to_string(baud) + " baud: " + std::strerror(errno);
        return false;
    }
    struct termios2 check {};
    if (ioctl(fd, TCGETS2, &check) != 0 || check.c_ospeed != baud ||
        ((check.c_cflag & CRTSCTS) != 0) != rtsCts) {
        *error = "the device did not take " + std::to_string(baud) + " baud" +
                 (rtsCts ? " with RTS/CTS" : "");
        return false;
    }
    return true;
}

bool ReadHostLine(int fd, HostLine* line) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
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
