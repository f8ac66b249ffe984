#include "emulator/rendering/FontSet.h"

#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "emulator/rendering/BakedFont.h"
#include "emulator/rendering/GlyphCell.h"
#include "emulator/rendering/ScalableFont.h"

namespace emu {
namespace {

// Cache keys: each kind of glyph has its flag bit above the character code.
constexpr std::uint32_t kPairFlag = 0x10000;
constexpr std::uint32_t kRotatedFlag = 0x200000;  // a turned pair
constexpr std::uint64_t kCharFlag = 1ull << 40;
constexpr std::uint64_t kWideFlag = 1ull << 41;
constexpr std::uint64_t kBoxFlag = 1ull << 42;

// Font B: the 9x15 font stretched to the 9x17 cell; Font A beyond Latin-1: the 10x20 font
// stretched to 12x24, so box-drawing characters still join from cell to cell.
constexpr int kFontBWidth = 9, kFontBHeight = 17, kFontBAscent = 14;
constexpr int kFontBSourceHeight = 15, kFontBSourceAscent = 12;
constexpr int kWideSourceWidth = 10, kWideSourceHeight = 20, kWideSourceAscent = 16;

Glyph HollowBox(int width, int height = Glyph::kHeight, int ascent = Glyph::kAscent) {
    Glyph glyph = BlankCell(width, height, ascent);
    const int left = 1, right = width - 2, top = 2, bottom = ascent - 1;
    for (int x = left; x <= right; ++x) {
        glyph.ink[top * width + x] = 1;
        glyph.ink[bottom * width + x] = 1;
    }
    for (int y = top; y <= bottom; ++y) {
        glyph.ink[y * width + left] = 1;
        glyph.ink[y * width + right] = 1;
    }
    return glyph;
}

// A glyph of a baked bitmap font, on the common baseline; false when the font has none for the
// code.
bool RenderInto(const BakedFont& font, std::uint32_t code, Glyph& cell) {
    const BakedGlyph* glyph = font.Find(code);
    if (glyph == nullptr) return false;
    Place(cell, glyph->left, glyph->top, glyph->rows, glyph->width, false,
          [&font, glyph](int col, int row) { return font.Dot(*glyph, col, row); });
    return true;
}

// Nearest-neighbour stretch of a cell to another size.
Glyph Stretch(const Glyph& source, int width, int height, int ascent) {
    Glyph glyph = BlankCell(width, height, ascent);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            glyph.ink[static_cast<std::size_t>(y) * width + x] =
                source.Dot(x * source.width / width, y * source.height / height);
    return glyph;
}

// A quarter turn clockwise: the cell's left column becomes its top row.
Glyph Rotate(const Glyph& source) {
    Glyph glyph = BlankCell(source.height, source.width, source.width);
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x)
            glyph.ink[static_cast<std::size_t>(y) * glyph.width + x] =
                source.Dot(y, source.height - 1 - x);
    return glyph;
}

bool InGb2312(std::uint8_t lead, std::uint8_t trail) {
    return lead >= 0xA1 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE;
}

}  // namespace

// Only the scalable fallback is read at run time, when a character first needs it.
struct FontSet::Faces {
    std::unique_ptr<ScalableFont> fallback;
    bool fallbackTried = false;
    iconv_t gbk = reinterpret_cast<iconv_t>(-1);
    iconv_t toGb2312 = reinterpret_cast<iconv_t>(-1);
};

FontSet::FontSet() : m_faces(new Faces) {}

FontSet& FontSet::Shared() {
    static FontSet* const fonts = new FontSet;
    return *fonts;
}

std::string FontSet::Problems() const {
    std::lock_guard lock(m_mutex);
    return m_problems;
}

const Glyph& FontSet::Single(std::uint8_t byte) {
    std::lock_guard lock(m_mutex);
    auto found = m_cache.find(byte);
    if (found != m_cache.end()) return found->second;
    return m_cache.emplace(byte, RenderSingle(byte)).first->second;
}

template <typename Render>
const Glyph* FontSet::Cached(std::uint64_t key, bool rotated, Render render) {
    auto found = m_cache.find(key);
    if (found == m_cache.end()) {
        Glyph glyph;
        if (!render(glyph)) glyph = Glyph{};
        found = m_cache.emplace(key, rotated && glyph.width > 0 ? Rotate(glyph) : std::move(glyph))
                    .first;
    }
    return found->second.width > 0 ? &found->second : nullptr;
}

const Glyph& FontSet::Pair(std::uint8_t lead, std::uint8_t trail, bool rotated) {
    std::lock_guard lock(m_mutex);
    const std::uint64_t key =
        (rotated ? kRotatedFlag : 0) | kPairFlag | (static_cast<std::uint32_t>(lead) << 8) | trail;
    return *Cached(key, rotated, [&](Glyph& glyph) {
        glyph = RenderPair(lead, trail);
        return true;
    });
}

const Glyph* FontSet::FindChar(char32_t c, Face face, bool rotated) {
    std::lock_guard lock(m_mutex);
    const std::uint64_t key = kCharFlag | static_cast<std::uint64_t>(face) << 33 |
                              static_cast<std::uint64_t>(rotated) << 32 | c;
    return Cached(key, rotated, [&](Glyph& glyph) { return RenderChar(c, face, glyph); });
}

const Glyph& FontSet::Char(char32_t c, Face face, bool rotated) {
    if (const Glyph* glyph = FindChar(c, face, rotated)) return *glyph;
    return Box(face, rotated);
}

const Glyph* FontSet::FindWide(char32_t c, bool gb2312, bool rotated) {
    std::lock_guard lock(m_mutex);
    const std::uint64_t key = kWideFlag | static_cast<std::uint64_t>(gb2312) << 33 |
                              static_cast<std::uint64_t>(rotated) << 32 | c;
    return Cached(key, rotated, [&](Glyph& glyph) { return RenderWide(c, gb2312, glyph); });
}

bool FontSet::RenderChar(char32_t c, Face face, Glyph& out) {
    if (face == Face::B) {
        if (c == U' ') {
            out = BlankCell(kFontBWidth, kFontBHeight, kFontBAscent);
            return true;
        }
        Glyph source = BlankCell(kFontBWidth, kFontBSourceHeight, kFontBSourceAscent);
        if (!RenderInto(kBakedFontB, c, source)) return false;
        out = Stretch(source, kFontBWidth, kFontBHeight, kFontBAscent);
        return true;
    }
    if (c <= 0xFF) return RenderSingle(static_cast<std::uint8_t>(c), out);
    Glyph source = BlankCell(kWideSourceWidth, kWideSourceHeight, kWideSourceAscent);
    if (RenderInto(kBakedWide, c, source)) {
        out = Stretch(source, 12, Glyph::kHeight, Glyph::kAscent);
        return true;
    }
    // Half-width katakana and the odd kanji of the Katakana table: the scalable CJK font, where
    // it sets the character in a half-width cell.
    return RenderScalable(c, out) && out.width == 12;
}

bool FontSet::RenderWide(char32_t c, bool gb2312, Glyph& out) {
    std::uint8_t lead = 0, trail = 0;
    if (gb2312 && EncodeGb2312(c, lead, trail)) {
        out = BlankCell(24);
        const std::uint32_t code = (static_cast<std::uint32_t>(lead - 0x80) << 8) |
                                   static_cast<std::uint32_t>(trail - 0x80);
        if (RenderInto(kBakedGb2312, code, out)) return true;
    }
    return RenderScalable(c, out);
}

// A cell as wide as the scalable face sets the character: 12 dots, or 24 for a full-width one.
bool FontSet::RenderScalable(char32_t c, Glyph& cell) {
    return LoadFallback() && m_faces->fallback->Render(c, cell);
}

const Glyph& FontSet::Box(Face face, bool rotated) {
    std::lock_guard lock(m_mutex);
    const std::uint64_t key = kBoxFlag | static_cast<std::uint64_t>(face) << 33 |
                              static_cast<std::uint64_t>(rotated) << 32;
    return *Cached(key, rotated, [face](Glyph& glyph) {
        glyph =
            face == Face::B ? HollowBox(kFontBWidth, kFontBHeight, kFontBAscent) : HollowBox(12);
        return true;
    });
}

const Glyph& FontSet::Box(int width) {
    std::lock_guard lock(m_mutex);
    const std::uint32_t key = 0x20000 | static_cast<std::uint32_t>(width);
    auto found = m_cache.find(key);
    if (found != m_cache.end()) return found->second;
    return m_cache.emplace(key, HollowBox(width)).first->second;
}

Glyph FontSet::RenderSingle(std::uint8_t byte) {
    Glyph cell;
    return RenderSingle(byte, cell) ? cell : HollowBox(12);
}

bool FontSet::RenderSingle(std::uint8_t byte, Glyph& cell) {
    cell = BlankCell(12);
    if (byte == 0x20) return true;
    const bool printable = byte > 0x20 && byte != 0x7F && !(byte >= 0x80 && byte < 0xA0);
    return printable && RenderInto(kBakedFontA, byte, cell);
}

Glyph FontSet::RenderPair(std::uint8_t lead, std::uint8_t trail) {
    Glyph cell = BlankCell(24);
    // The GB2312 bitmap font is indexed by the row/cell code: the GBK bytes minus 0x8080.
    if (InGb2312(lead, trail)) {
        const std::uint32_t code = (static_cast<std::uint32_t>(lead - 0x80) << 8) |
                                   static_cast<std::uint32_t>(trail - 0x80);
        if (RenderInto(kBakedGb2312, code, cell)) return cell;
    }
    const char32_t unicode = DecodeGbk(lead, trail);
    if (unicode != 0 && LoadFallback() && m_faces->fallback->RenderInto(unicode, cell)) return cell;
    return HollowBox(24);
}

bool FontSet::LoadFallback() {
    if (!m_faces->fallbackTried) {
        m_faces->fallbackTried = true;
        m_faces->fallback = OpenScalableFont(&m_problems);
    }
    return m_faces->fallback != nullptr;
}

char32_t FontSet::DecodeGbk(std::uint8_t lead, std::uint8_t trail) {
    if (m_faces->gbk == reinterpret_cast<iconv_t>(-1)) {
        m_faces->gbk = iconv_open("UTF-32LE", "GBK");
        if (m_faces->gbk == reinterpret_cast<iconv_t>(-1)) return 0;
    }
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = sizeof in, outLeft = sizeof out;
    iconv(m_faces->gbk, nullptr, nullptr, nullptr, nullptr);
    if (iconv(m_faces->gbk, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        outLeft != 0)
        return 0;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                                 static_cast<std::uint32_t>(out[3]) << 24);
}

bool FontSet::EncodeGb2312(char32_t c, std::uint8_t& lead, std::uint8_t& trail) {
    if (m_faces->toGb2312 == reinterpret_cast<iconv_t>(-1)) {
        m_faces->toGb2312 = iconv_open("GB2312", "UTF-32LE");
        if (m_faces->toGb2312 == reinterpret_cast<iconv_t>(-1)) return false;
    }
    const std::uint32_t code = c;
    char in[4] = {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8 & 0xFF),
                  static_cast<char>(code >> 16 & 0xFF), static_cast<char>(code >> 24)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = sizeof in, outLeft = sizeof out;
    iconv(m_faces->toGb2312, nullptr, nullptr, nullptr, nullptr);
    if (iconv(m_faces->toGb2312, &inPtr, &inLeft, &outPtr, &outLeft) ==
            static_cast<std::size_t>(-1) ||
        sizeof out - outLeft != 2)
        return false;
    lead = out[0];
    trail = out[1];
    return InGb2312(lead, trail);
}

}  // namespace emu
