// Internal to platform/: printf-style formatting of wide text with the original platform's
// conversions, on top of the C library's wide printf.
#pragma once

#include <cstdarg>
#include <optional>
#include <string>

namespace platform::detail {

// Rewrites a format of the original platform into one for the C library's wide printf. There,
// %s and %c in a wide format take wide arguments and %hs, %hc, %S, %C narrow ones; the C library
// reads %s and %c as narrow and %ls, %lc as wide. %I64 becomes %ll. Everything else is kept.
std::wstring TranslateWideFormat(const wchar_t* format);

// The whole formatted text (no length limit), or nothing when the arguments cannot be formatted
// (a narrow string that is not valid in the current locale).
std::optional<std::wstring> FormatWide(const wchar_t* format, va_list args);

}  // namespace platform::detail
