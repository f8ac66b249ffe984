#include "emulator/barcodes/Gs1Data.h"

namespace emu {
namespace {

struct AiShape {
    int digits;  // of the identifier
    int fixed;   // data length, 0 for variable (up to FNC1 or the end)
};

// By the identifier's first two digits, as GS1 assigns them.
std::optional<AiShape> ShapeOf(char a, char b) {
    const int p = (a - '0') * 10 + (b - '0');
    if (p == 0) return AiShape{2, 18};
    if (p >= 1 && p <= 3) return AiShape{2, 14};
    if (p == 4) return AiShape{2, 16};
    if (p >= 11 && p <= 19) return AiShape{2, 6};
    if (p == 20) return AiShape{2, 2};
    if (p == 10 || p == 21 || p == 22 || p == 30 || p == 37 || p >= 90) return AiShape{2, 0};
    if (p >= 31 && p <= 36) return AiShape{4, 6};
    if (p == 41) return AiShape{3, 13};
    if ((p >= 23 && p <= 25) || p == 40 || p == 42 || p == 71) return AiShape{3, 0};
    if (p == 39 || p == 43 || p == 70 || p == 72 || (p >= 80 && p <= 82)) return AiShape{4, 0};
    return std::nullopt;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::string> Gs1Bracketed(const std::vector<std::uint8_t>& data) {
    // FNC1 as "{1" or GS becomes one separator byte; spaces and asterisks are for the eye only.
    std::string text;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '{' && i + 1 < data.size() && data[i + 1] == '1') {
            text += '\x1D';
            ++i;
        } else if (c != ' ' && c != '*') {
            text += c;
        }
    }
    if (text.empty()) return std::nullopt;
    std::string out;
    if (text.find('(') != std::string::npos) {
        for (char c : text) {
            if (c == '(')
                out += '[';
            else if (c == ')')
                out += ']';
            else if (c != '\x1D')
                out += c;
        }
        return out;
    }
    std::size_t i = text.front() == '\x1D' ? 1 : 0;
    while (i < text.size()) {
        if (i + 1 >= text.size() || !Digit(text[i]) || !Digit(text[i + 1])) return std::nullopt;
        const auto shape = ShapeOf(text[i], text[i + 1]);
        if (!shape || i + shape->digits > text.size()) return std::nullopt;
        out += '[' + text.substr(i, shape->digits) + ']';
        i += shape->digits;
        std::size_t end = shape->fixed ? i + shape->fixed : text.find('\x1D', i);
        if (end == std::string::npos || end > text.size()) end = text.size();
        out += text.substr(i, end - i);
        i = end;
        if (i < text.size() && text[i] == '\x1D') ++i;
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> Gs1Gtin(std::vector<std::uint8_t> data) {
    const std::string text(data.begin(), data.end());
    for (const char* prefix : {"(01)", "01"}) {
        const std::string p(prefix);
        if (text.size() > 14 && text.compare(0, p.size(), p) == 0) {
            data.erase(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(p.size()));
            break;
        }
    }
    if (data.size() != 13 && data.size() != 14) return std::nullopt;
    for (std::uint8_t b : data)
        if (!Digit(static_cast<char>(b))) return std::nullopt;
    return data;
}

}  // namespace emu
