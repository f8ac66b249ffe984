#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <string>

#include "platform/internal/WideFormat.h"
#include "platform/win32.h"

void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
    if (lpszFmt == nullptr) return;
    va_list args;
    va_start(args, lpszFmt);
    const std::optional<std::wstring> text = platform::detail::FormatWide(lpszFmt, args);
    va_end(args);
    if (!text || text->empty()) return;
    const std::string bytes = platform::WideToUtf8(*text);
    // One write() per call keeps lines of concurrent threads whole; the loop only finishes a
    // write the kernel cut short.
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // debug output has nowhere to report its own failure
        }
        done += static_cast<std::size_t>(written);
    }
}
