// A one-dimensional symbol as the printer draws it: narrow modules from left to right (true =
// bar), without quiet zones, and the human-readable text to print with it.
#pragma once

#include <string>
#include <vector>

namespace emu {

struct BarcodeSymbol {
    std::vector<bool> modules;
    std::string text;
};

}  // namespace emu
