#include "framework/DialogUnits.h"

#include <cstdint>

int MulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (product < 0 ? -product : product);
    const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t rounded = (magnitude + divisor / 2) / divisor;
    return static_cast<int>(negative ? -rounded : rounded);
}

PixelRect MapDialogRect(int x, int y, int cx, int cy, const DialogBaseUnits& units) {
    return {MulDiv(x, units.cxChar, 4), MulDiv(y, units.cyChar, 8), MulDiv(cx, units.cxChar, 4),
            MulDiv(cy, units.cyChar, 8)};
}
