#include "platform/internal/WideFormat.h"

#include <cwchar>
#include <vector>

namespace platform::detail {

namespace {

bool IsFlagOrWidth(wchar_t c) { return c != 0 && std::wcschr(L"-+ #0123456789.*", c) != nullptr; }

}  // namespace

std::wstring TranslateWideFormat(const wchar_t* format) {
    std::wstring out;
    const wchar_t* p = format;
    while (*p != 0) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        out += *p++;
        if (*p == L'%') {
            out += *p++;
            continue;
        }
        while (IsFlagOrWidth(*p)) out += *p++;

        std::wstring length;
        if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            length = L"ll";
            p += 3;
        } else {
            while (*p != 0 && std::wcschr(L"hlLqjzt", *p) != nullptr) length += *p++;
        }
        const wchar_t conversion = *p;
        if (conversion == 0) {
            out += length;
            break;
        }
        ++p;
        if (conversion == L's' || conversion == L'c') {
            // Wide unless explicitly narrow.
            if (length == L"h")
                out += conversion;
            else
                out += std::wstring(L"l") + conversion;
        } else if (conversion == L'S' || conversion == L'C') {
            // Narrow unless explicitly wide.
            const wchar_t lower = conversion == L'S' ? L's' : L'c';
            if (length == L"l")
                out += std::wstring(L"l") + lower;
            else
                out += lower;
        } else {
            out += length;
            out += conversion;
        }
    }
    return out;
}

std::optional<std::wstring> FormatWide(const wchar_t* format, va_list args) {
    const std::wstring translated = TranslateWideFormat(format);
    // vswprintf cannot tell truncation from an encoding error, so grow up to a generous cap
    // before calling it an error.
    constexpr std::size_t kLimit = std::size_t{1} << 22;
    for (std::size_t size = 1024; size <= kLimit; size *= 4) {
        std::vector<wchar_t> buffer(size);
        va_list attempt;
        va_copy(attempt, args);
        const int written = std::vswprintf(buffer.data(), size, translated.c_str(), attempt);
        va_end(attempt);
        if (written >= 0) return std::wstring(buffer.data(), static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

}  // namespace platform::detail
