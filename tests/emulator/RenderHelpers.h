// Small helpers shared by the print-engine tests: feeding text, GBK conversion, reading dots.
#pragma once

#include <iconv.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/VirtualPrinter.h"
#include "emulator/rendering/PaperImage.h"
#include "emulator/rendering/PrintEngine.h"

namespace rendertest {

// Text bytes as the decoder hands them over; HT and LF become their commands.
inline void Feed(emu::PrintEngine& engine, std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\t')
            engine.HorizontalTab();
        else if (c == '\n')
            engine.LineFeed();
        else
            engine.Text(static_cast<std::uint8_t>(c));
    }
}

// The common ESC/POS printer on 58 mm paper, fed one stream; the paper as it stands after it.
struct Printed {
    emu::PaperImage paper;
    std::vector<std::uint8_t> replies;
    std::string trace;
};

inline Printed Print(const std::vector<std::uint8_t>& stream, const char* model = "escpos58",
                     std::vector<emu::Condition> conditions = {}) {
    emu::VirtualPrinter printer(*emu::FindPrinterModel(model), 0);
    for (emu::Condition c : conditions) printer.SetCondition(c, true);
    Printed out;
    printer.SetTraceCallback(
        [&](const std::string& line, const std::string&) { out.trace += line + "\n"; });
    printer.Feed(stream.data(), stream.size());
    printer.Finish();
    out.paper = printer.Snapshot();
    out.replies = printer.TakeReplies();
    return out;
}

inline std::string Gbk(const std::string& utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no UTF-8 to GBK converter");
    std::string in = utf8, out(utf8.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1))
        throw std::runtime_error("not convertible to GBK: " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

inline bool Black(const emu::PaperImage& image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width && y < image.height && image.At(x, y) < 128;
}

inline int Inked(const emu::PaperImage& image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width && y < image.height && image.At(x, y) < 255;
}

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
    bool Empty() const { return left > right; }
};

// The bounding box of all marked dots within rows [y0, y1).
inline Box InkBox(const emu::PaperImage& image, int y0 = 0, int y1 = INT_MAX) {
    Box box;
    for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) < 255) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

inline int InkCount(const emu::PaperImage& image) {
    int count = 0;
    for (std::uint8_t v : image.gray) count += v < 255;
    return count;
}

}  // namespace rendertest
