#include <algorithm>
#include <cwchar>

#include "platform/win32.h"

// Decimal only: leading white space, an optional sign, digits up to the first other character;
// 0 when there are none. Out-of-range values clamp to the original platform's 32-bit long, so
// callers see the same number there and here.
long _wtol(LPCWSTR str) {
    if (str == nullptr) return 0;
    const long value = std::wcstol(str, nullptr, 10);
    return std::clamp<long>(value, INT32_MIN, INT32_MAX);
}
