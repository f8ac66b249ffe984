// What a barcode encoder produces: the symbol as narrow modules from left to right (true = bar),
// without quiet zones, and the human-readable text to print with it.
#pragma once

#include <string>
#include <vector>

namespace emu {

struct BarcodeSymbol {
    std::vector<bool> modules;
    std::string text;

    // Appends alternating elements starting with a bar, each the given number of modules wide.
    void AppendElements(const char* widths) {
        bool bar = true;
        for (const char* w = widths; *w; ++w, bar = !bar)
            modules.insert(modules.end(), *w - '0', bar);
    }
    // Appends modules written as '1' (bar) and '0' (space).
    void AppendModules(const char* pattern) {
        for (const char* p = pattern; *p; ++p) modules.push_back(*p == '1');
    }
};

}  // namespace emu
