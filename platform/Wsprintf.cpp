#include <algorithm>
#include <cstdarg>

#include "platform/internal/WideFormat.h"
#include "platform/win32.h"

namespace {
// The original output buffer: 1024 characters including the terminating NUL.
constexpr std::size_t kMaxOutput = 1024;
}  // namespace

int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...) {
    if (lpOut == nullptr || lpFmt == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    va_list args;
    va_start(args, lpFmt);
    const std::optional<std::wstring> text = platform::detail::FormatWide(lpFmt, args);
    va_end(args);
    if (!text) {
        lpOut[0] = 0;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t count = std::min(text->size(), kMaxOutput - 1);
    std::copy_n(text->data(), count, lpOut);
    lpOut[count] = 0;
    return static_cast<int>(count);
}
