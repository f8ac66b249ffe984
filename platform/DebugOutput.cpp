#include "platform/WideFormat.h"
#include "platform/win32.h"

#include <cerrno>
#include <cstdarg>
#include <string>

#include <unistd.h>

namespace {

// UTF-8 of wide text; code points that are not characters (surrogates, beyond U+10FFFF) become
// U+FFFD so the output is always valid UTF-8.
std::string ToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wide : text) {
        auto c = static_cast<std::uint32_t>(wide);
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

void NKDbgPrintfW(LPCWSTR lpszFmt, ...) {
    if (lpszFmt == nullptr) return;
    va_list args;
    va_start(args, lpszFmt);
    const std::optional<std::wstring> text = platform::detail::FormatWide(lpszFmt, args);
    va_end(args);
    if (!text || text->empty()) return;
    const std::string bytes = ToUtf8(*text);
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
