// Writing a whole buffer to a file descriptor, as every file the printer keeps is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emu {

// Writes all the bytes, again after an interrupted write; false with the errno of the failure
// in *failure (ENOSPC for a write that took nothing).
bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes, int* failure);
bool WriteAll(int fd, const std::string& bytes, int* failure);

// Writes all the bytes to a file open for writing, then closes it; name is for the message.
// False with "cannot write NAME: reason" in *error.
bool WriteAndClose(int fd, const std::vector<std::uint8_t>& bytes, const std::string& name,
                   std::string* error);

}  // namespace emu
