// Internal to platform/: a terminal device (a UART, a USB adapter, a pseudo-terminal) as the
// device behind a serial-port handle, over termios and the tty ioctls.
#pragma once

#include <string>

#include "platform/internal/SerialDevice.h"

namespace platform::detail {

// Opens the device at path for exclusive use (flock, TIOCEXCL and the UUCP lock file), raw, with
// the settings it had otherwise kept.
OpenedDevice OpenTtyDevice(const std::string& path);

}  // namespace platform::detail
