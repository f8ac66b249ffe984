#include "emulator/FileWrite.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace emu {

namespace {

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, int* failure) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *failure = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes, int* failure) {
    return WriteAll(fd, bytes.data(), bytes.size(), failure);
}

bool WriteAll(int fd, const std::string& bytes, int* failure) {
    return WriteAll(fd, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), failure);
}

bool WriteAndClose(int fd, const std::vector<std::uint8_t>& bytes, const std::string& name,
                   std::string* error) {
    int failure = 0;
    const bool written = WriteAll(fd, bytes, &failure);
    if (::close(fd) != 0 && written) failure = errno;
    if (failure == 0) return true;
    if (error) *error = "cannot write " + name + ": " + std::strerror(failure);
    return false;
}

}  // namespace emu
