#include "emulator/decoding/GraphicsBlock.h"

#include <algorithm>
#include <cstring>

#include "emulator/decoding/TraceText.h"

namespace emu {
namespace {

// Functions 0..4 are also sent as 48..52.
const char* FunctionName(std::uint8_t fn) {
    switch (fn < 5 ? fn + 48 : fn) {
        case 49:
            return "set reference dot density, ignored";
        case 113:
            return "store column-format graphics (not supported), skipped";
        default:
            return nullptr;
    }
}

bool IsDefine(std::uint8_t fn) { return fn == 67 || fn == 68 || fn == 83 || fn == 84; }

GraphicsMemory::Area AreaOf(std::uint8_t fn) {
    return fn < 80 ? GraphicsMemory::Area::Nv : GraphicsMemory::Area::Download;
}

bool IsKeyCode(std::uint8_t c) { return c >= 32 && c <= 126; }

// The capacity answers: header 37h, an identifier, the number in decimal digits, NUL.
std::vector<std::uint8_t> CapacityReply(std::uint8_t identifier, std::uint32_t bytes) {
    std::vector<std::uint8_t> reply{0x37, identifier};
    for (char digit : std::to_string(bytes)) reply.push_back(static_cast<std::uint8_t>(digit));
    reply.push_back(0x00);
    return reply;
}

// The key code list: header 37h, identifier 70h (NV) or 72h (download), status 40h (the list
// is complete), the two bytes of each key, NUL.
std::vector<std::uint8_t> KeyListReply(GraphicsMemory::Area area,
                                       const std::vector<std::uint16_t>& keys) {
    std::vector<std::uint8_t> reply{
        0x37, area == GraphicsMemory::Area::Nv ? std::uint8_t{0x70} : std::uint8_t{0x72}, 0x40};
    for (std::uint16_t key : keys) {
        reply.push_back(static_cast<std::uint8_t>(key >> 8));
        reply.push_back(static_cast<std::uint8_t>(key & 0xFF));
    }
    reply.push_back(0x00);
    return reply;
}

}  // namespace

void GraphicsBlock::Begin() {
    m_headFill = 0;
    m_dataBytes = 0;
    m_raster = false;
    m_define = false;
    m_overlong = false;
    m_kept.clear();
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
    if (m_define || (m_headFill < 2 && count > 0)) {
        const std::size_t keep = std::min(count, kMaxKept - std::min(kMaxKept, m_kept.size()));
        m_kept.insert(m_kept.end(), data, data + keep);
        m_overlong = m_overlong || keep < count;
    }
    while (count > 0 && m_headFill < kHeadBytes) {
        m_head[m_headFill++] = *data++;
        --count;
        if (m_headFill == 2) m_define = IsDefine(m_head[1]);
        if (m_headFill == kHeadBytes && m_head[1] == 112) StartRaster();
    }
    if (m_headFill >= 2 && !m_define) m_kept.clear();
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

std::string GraphicsBlock::Finish(CommandSink& sink, ControlHandler& control,
                                  GraphicsMemory& memory, std::uint64_t length) {
    if (m_headFill < 2) return "graphics: block too short, skipped";
    if (m_head[0] != 48) return "graphics: m " + N(m_head[0]) + " not 48, skipped";
    const std::uint8_t fn = m_head[1];
    using Area = GraphicsMemory::Area;
    switch (fn < 5 ? fn + 48 : fn) {
        case 48:
            return "graphics: NV capacity request: " +
                   control.Transmit(CapacityReply(0x30, memory.Capacity(Area::Nv)));
        case 51:
            return "graphics: remaining NV capacity request: " +
                   control.Transmit(CapacityReply(0x31, memory.Remaining(Area::Nv)));
        case 52:
            return "graphics: remaining download capacity request: " +
                   control.Transmit(CapacityReply(0x32, memory.Remaining(Area::Download)));
        case 65:
        case 66:
        case 81:
        case 82:
            return Erase(memory, length);
        case 67:
        case 68:
        case 83:
        case 84:
            return Define(memory, length);
        case 69:
        case 85:
            return PrintByKey(sink, memory, length);
        case 64:
        case 80: {
            const GraphicsMemory::Area area = AreaOf(fn);
            const char* name = area == Area::Nv ? "NV" : "download";
            if (length != 4 || m_head[2] != 'K' || m_head[3] != 'C')
                return std::string("graphics: ") + name +
                       " key code request without \"KC\", skipped";
            const std::vector<std::uint16_t> keys = memory.DefinedKeys(area);
            return std::string("graphics: ") + name + " key code request (" + N(keys.size()) +
                   (keys.size() == 1 ? " key): " : " keys): ") +
                   control.Transmit(KeyListReply(area, keys));
        }
        default:
            break;
    }
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
    const std::string what = "graphics: store " + Dots(width, height);
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

std::string GraphicsBlock::Erase(GraphicsMemory& memory, std::uint64_t length) {
    const std::uint8_t fn = m_head[1];
    const GraphicsMemory::Area area = AreaOf(fn);
    if (fn == 65 || fn == 81) {
        if (length != 5 || m_head[2] != 'C' || m_head[3] != 'L' || m_head[4] != 'R')
            return "graphics: erase all without \"CLR\", skipped";
        return "graphics: " + memory.EraseAll(area);
    }
    if (length != 4 || !IsKeyCode(m_head[2]) || !IsKeyCode(m_head[3]))
        return "graphics: erase with a malformed key, skipped";
    return "graphics: " + memory.Erase(area, Key(2));
}

std::string GraphicsBlock::PrintByKey(CommandSink& sink, const GraphicsMemory& memory,
                                      std::uint64_t length) {
    if (length != 6 || !IsKeyCode(m_head[2]) || !IsKeyCode(m_head[3]) || m_head[4] < 1 ||
        m_head[4] > 2 || m_head[5] < 1 || m_head[5] > 2)
        return "graphics: print by key with malformed arguments, skipped";
    const GraphicsMemory::Area area = AreaOf(m_head[1]);
    const char* name = area == GraphicsMemory::Area::Nv ? "NV graphics " : "download graphics ";
    const RasterGraphics* stored = memory.Find(area, Key(2));
    const std::string what =
        "graphics: print " + std::string(name) + GraphicsMemory::KeyName(Key(2));
    if (stored == nullptr) return what + ": not defined, nothing printed";
    RasterGraphics picture = *stored;
    picture.scaleX = m_head[4];
    picture.scaleY = m_head[5];
    const std::string note = sink.PrintImage(picture);
    return what + (note.empty() ? std::string() : ", " + note) +
           (picture.scaleX == 1 && picture.scaleY == 1
                ? std::string()
                : " at " + N(m_head[4]) + "×" + N(m_head[5]));
}

// Functions 67/83 (raster) and 68/84 (column): m fn a kc1 kc2 b xL xH yL yH, then b colours of
// c and the picture. One colour prints on this head; the first is kept.
std::string GraphicsBlock::Define(GraphicsMemory& memory, std::uint64_t length) {
    const std::uint8_t fn = m_head[1];
    if (m_headFill < kHeadBytes) return "graphics: define, header cut short, nothing stored";
    const int width = m_head[6] | m_head[7] << 8;
    const int height = m_head[8] | m_head[9] << 8;
    const int colours = m_head[5];
    const std::string what =
        "graphics: define " + Dots(static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (m_head[2] != 48) return what + ", multiple tone (not supported), nothing stored";
    if (!IsKeyCode(m_head[3]) || !IsKeyCode(m_head[4]))
        return what + ", key codes out of range, nothing stored";
    if (width < 1 || width > RasterGraphics::kMaxDefinedWidth || height < 1 ||
        height > RasterGraphics::kMaxDefinedHeight || colours < 1 || colours > 4)
        return what + ", size or colours out of range, nothing stored";
    const bool columns = fn == 68 || fn == 84;
    const std::uint64_t plane = columns ? static_cast<std::uint64_t>(width) * ((height + 7) / 8)
                                        : static_cast<std::uint64_t>((width + 7) / 8) * height;
    const std::uint64_t expected = kHeadBytes + colours * (1 + plane);
    if (length != expected)
        return what + ": " + N(length) + " bytes sent, " + N(expected) +
               " expected, nothing stored";
    if (m_overlong) return what + ", larger than the memory, nothing stored";
    const std::uint8_t* data = m_kept.data() + kHeadBytes + 1;
    RasterGraphics picture = columns ? GraphicsMemory::FromColumns(width, height, data)
                                     : GraphicsMemory::FromRows(width, height, data);
    return "graphics: " + memory.Define(AreaOf(fn), Key(3), std::move(picture)) +
           (colours > 1 ? " (the first of " + N(static_cast<unsigned>(colours)) + " colours)"
                        : std::string());
}

}  // namespace emu
