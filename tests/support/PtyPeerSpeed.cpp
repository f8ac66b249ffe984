// termios2 lives in <asm/termbits.h>, which cannot share a file with <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace testsupport {

bool ReadTermios2BaudRate(int fd, std::uint32_t& out) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    out = t.c_ospeed;
    return true;
}

}  // namespace testsupport
