// Internal to platform/: setting the last error together with the errno text behind it.
#pragma once

#include <string>

#include "platform/win32.h"

namespace platform::detail {

// Sets the calling thread's last error to code and keeps "<context>: <strerror(err)>" (or the
// errno text alone for an empty context) for platform::LastErrorText.
void SetLastErrorFromErrno(DWORD code, int err, const std::string& context);
// Sets the calling thread's last error to code with text of the platform's own.
void SetLastErrorText(DWORD code, const std::string& text);

}  // namespace platform::detail
