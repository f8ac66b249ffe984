#include "emulator/decoding/GraphicsBlock.h"

#include <algorithm>
#include <cstring>

namespace emu {
namespace {

// Functions 0..4 are also sent as 48..52.
const char* FunctionName(std::uint8_t fn) {
    switch (fn < 5 ? fn + 48 : fn) {
        case 48:
            return "NV graphics capacity request, not answered";
        case 49:
            return "set reference dot density, ignored";
        case 51:
            return "remaining NV capacity request, not answered";
        case 52:
            return "remaining download capacity request, not answered";
        case 64:
            return "NV key code request, not answered";
        case 65:
            return "delete all NV graphics (none kept), ignored";
        case 66:
            return "delete NV graphics (none kept), ignored";
        case 67:
        case 68:
            return "define NV graphics (not kept), skipped";
        case 69:
            return "print NV graphics (none kept), skipped";
        case 80:
            return "download key code request, not answered";
        case 81:
            return "delete all download graphics (none kept), ignored";
        case 82:
            return "delete download graphics (none kept), ignored";
        case 83:
        case 84:
            return "define download graphics (not kept), skipped";
        case 85:
            return "print download graphics (none kept), skipped";
        case 113:
            return "store column-format graphics (not supported), skipped";
        default:
            return nullptr;
    }
}

std::string N(std::uint64_t value) { return std::to_string(value); }

}  // namespace

void GraphicsBlock::Begin() {
    m_headFill = 0;
    m_dataBytes = 0;
    m_raster = false;
    m_graphics = RasterGraphics{};
}

void GraphicsBlock::StartRaster() {
    const int width = m_head[6] | m_head[7] << 8;
    const int height = m_head[8] | m_head[9] << 8;
    m_raster = m_head[2] == 48 && width > 0 && height > 0;
    if (!m_raster) return;
    m_fullRowBytes = (width + 7) / 8;
    m_graphics.widthDots = width;
    m_graphics.height = std::min(height, kMaxHeight);
    m_graphics.rowBytes = std::min(m_fullRowBytes, kMaxRowBytes);
    m_graphics.scaleX = m_head[3] == 2 ? 2 : 1;
    m_graphics.scaleY = m_head[4] == 2 ? 2 : 1;
    m_graphics.bits.assign(static_cast<std::size_t>(m_graphics.rowBytes) * m_graphics.height, 0);
}

void GraphicsBlock::Feed(const std::uint8_t* data, std::size_t count) {
    while (count > 0 && m_headFill < kHeadBytes) {
        m_head[m_headFill++] = *data++;
        --count;
        if (m_headFill == kHeadBytes && m_head[1] == 112) StartRaster();
    }
    if (!m_raster) {
        m_dataBytes += count;
        return;
    }
    // Copies the part of each row that is kept; rows past the kept height are only counted.
    while (count > 0) {
        const std::size_t fullRow = static_cast<std::size_t>(m_fullRowBytes);
        const std::size_t keptRow = static_cast<std::size_t>(m_graphics.rowBytes);
        const std::uint64_t row = m_dataBytes / fullRow;
        const std::size_t column = static_cast<std::size_t>(m_dataBytes % fullRow);
        const std::size_t inRow = std::min(count, fullRow - column);
        if (row < static_cast<std::uint64_t>(m_graphics.height) && column < keptRow) {
            const std::size_t keep = std::min(inRow, keptRow - column);
            std::memcpy(m_graphics.bits.data() + row * keptRow + column, data, keep);
        }
        data += inRow;
        count -= inRow;
        m_dataBytes += inRow;
    }
}

std::string GraphicsBlock::Finish(CommandSink& sink, std::uint64_t length) {
    if (m_headFill < 2) return "graphics: block too short, skipped";
    if (m_head[0] != 48) return "graphics: m " + N(m_head[0]) + " not 48, skipped";
    const std::uint8_t fn = m_head[1];
    if (fn == 50 || fn == 2) {
        const std::string note = sink.PrintGraphics();
        return note.empty() ? "graphics: print" : "graphics: print, " + note + ", nothing printed";
    }
    if (fn != 112) {
        const char* name = FunctionName(fn);
        return name ? std::string("graphics: ") + name
                    : "graphics: function " + N(fn) + " unknown, skipped";
    }
    if (m_headFill < kHeadBytes) return "graphics: store, header cut short, nothing stored";
    const int width = m_head[6] | m_head[7] << 8;
    const int height = m_head[8] | m_head[9] << 8;
    const std::string what = "graphics: store " + N(width) + "×" + N(height) + " dots";
    if (m_head[2] != 48) return what + ", multiple tone (not supported), nothing stored";
    if (m_head[5] != 49) return what + " in colour " + N(m_head[5]) + " (not printed by this head)";
    if ((m_head[3] != 1 && m_head[3] != 2) || (m_head[4] != 1 && m_head[4] != 2))
        return what + ", scale " + N(m_head[3]) + "×" + N(m_head[4]) + " invalid, nothing stored";
    if (!m_raster) return what + ", empty, nothing stored";
    const std::uint64_t expected =
        kHeadBytes + static_cast<std::uint64_t>(m_fullRowBytes) * static_cast<unsigned>(height);
    if (length != expected)
        return what + ": " + N(length) + " bytes sent, " + N(expected) +
               " expected, nothing stored";
    if (height > kMaxHeight) return what + ", taller than " + N(kMaxHeight) + ", nothing stored";
    sink.StoreGraphics(m_graphics);
    return what + (m_graphics.scaleX == 1 && m_graphics.scaleY == 1
                       ? std::string()
                       : ", scale " + N(m_graphics.scaleX) + "×" + N(m_graphics.scaleY));
}

}  // namespace emu
