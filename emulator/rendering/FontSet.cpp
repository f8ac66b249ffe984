#include "emulator/rendering/FontSet.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <iconv.h>

#include <algorithm>
#include <cstring>

#include "emulator/rendering/BakedFont.h"

namespace emu {
namespace {

constexpr std::uint32_t kPairFlag = 0x10000;
constexpr std::uint64_t kCharFlag = 1ull << 40;

// Font B: the 9x15 font stretched to the 9x17 cell; Font A beyond Latin-1: the 10x20 font
// stretched to 12x24, so box-drawing characters still join from cell to cell.
constexpr int kFontBWidth = 9, kFontBHeight = 17, kFontBAscent = 14;
constexpr int kFontBSourceHeight = 15, kFontBSourceAscent = 12;
constexpr int kWideSourceWidth = 10, kWideSourceHeight = 20, kWideSourceAscent = 16;

Glyph BlankCell(int width, int height = Glyph::kHeight, int ascent = Glyph::kAscent) {
    Glyph glyph;
    glyph.width = width;
    glyph.height = height;
    glyph.ascent = ascent;
    glyph.ink.assign(static_cast<std::size_t>(width) * height, 0);
    return glyph;
}

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

// Renders one glyph of the face into the cell on the common baseline. Outline glyphs that reach
// below the cell are lifted into it rather than cut off.
// Places a bitmap of rows x width dots in the cell, top rows above the baseline; a lifted one that
// reaches below the cell moves up into it rather than being cut off.
template <typename DotAt>
void Place(Glyph& cell, int left, int top, int rows, int width, bool lift, DotAt dotAt) {
    int y0 = cell.ascent - top;
    if (lift) y0 = std::max(0, std::min(y0, cell.height - rows));
    for (int row = 0; row < rows; ++row) {
        const int y = y0 + row;
        if (y < 0 || y >= cell.height) continue;
        for (int col = 0; col < width; ++col) {
            const int x = left + col;
            if (x >= 0 && x < cell.width && dotAt(col, row))
                cell.ink[static_cast<std::size_t>(y) * cell.width + x] = 1;
        }
    }
}

// Renders one glyph of the scalable face into the cell on the common baseline.
bool RenderInto(FT_Face face, FT_UInt index, Glyph& cell) {
    if (index == 0) return false;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return false;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
    Place(cell, face->glyph->bitmap_left, face->glyph->bitmap_top, static_cast<int>(bitmap.rows),
          static_cast<int>(bitmap.width), FT_IS_SCALABLE(face), [&bitmap, mono](int col, int row) {
              const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
              return mono ? (line[col / 8] & (0x80 >> (col % 8))) != 0 : line[col] >= 128;
          });
    return true;
}

// The same for a glyph of a baked bitmap font; false when the font has none for the code.
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
    FT_Library library = nullptr;
    FT_Face fallback = nullptr;
    bool fallbackTried = false;
    iconv_t gbk = reinterpret_cast<iconv_t>(-1);
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

const Glyph& FontSet::Pair(std::uint8_t lead, std::uint8_t trail) {
    std::lock_guard lock(m_mutex);
    const std::uint32_t key = kPairFlag | (static_cast<std::uint32_t>(lead) << 8) | trail;
    auto found = m_cache.find(key);
    if (found != m_cache.end()) return found->second;
    return m_cache.emplace(key, RenderPair(lead, trail)).first->second;
}

const Glyph& FontSet::Char(char32_t c, Face face, bool rotated) {
    std::lock_guard lock(m_mutex);
    const std::uint64_t key = kCharFlag | static_cast<std::uint64_t>(face) << 33 |
                              static_cast<std::uint64_t>(rotated) << 32 | c;
    auto found = m_cache.find(key);
    if (found != m_cache.end()) return found->second;
    Glyph glyph = RenderChar(c, face);
    return m_cache.emplace(key, rotated ? Rotate(glyph) : std::move(glyph)).first->second;
}

Glyph FontSet::RenderChar(char32_t c, Face face) {
    if (face == Face::B) {
        Glyph source = BlankCell(kFontBWidth, kFontBSourceHeight, kFontBSourceAscent);
        if (c == U' ') return BlankCell(kFontBWidth, kFontBHeight, kFontBAscent);
        if (RenderInto(kBakedFontB, c, source))
            return Stretch(source, kFontBWidth, kFontBHeight, kFontBAscent);
        return HollowBox(kFontBWidth, kFontBHeight, kFontBAscent);
    }
    if (c <= 0xFF) return RenderSingle(static_cast<std::uint8_t>(c));
    Glyph source = BlankCell(kWideSourceWidth, kWideSourceHeight, kWideSourceAscent);
    if (RenderInto(kBakedWide, c, source))
        return Stretch(source, 12, Glyph::kHeight, Glyph::kAscent);
    // Half-width katakana and the odd kanji of the Katakana table: the scalable CJK font.
    Glyph cell = BlankCell(12);
    if (LoadFallback() &&
        RenderInto(m_faces->fallback, FT_Get_Char_Index(m_faces->fallback, c), cell))
        return cell;
    return HollowBox(12);
}

const Glyph& FontSet::Box(Face face) {
    // U+FFFF is no character: the face draws it as its box.
    return face == Face::B ? Char(0xFFFF, Face::B, false) : Box(12);
}

const Glyph& FontSet::Box(int width) {
    std::lock_guard lock(m_mutex);
    const std::uint32_t key = 0x20000 | static_cast<std::uint32_t>(width);
    auto found = m_cache.find(key);
    if (found != m_cache.end()) return found->second;
    return m_cache.emplace(key, HollowBox(width)).first->second;
}

Glyph FontSet::RenderSingle(std::uint8_t byte) {
    Glyph cell = BlankCell(12);
    if (byte == 0x20) return cell;
    const bool printable = byte > 0x20 && byte != 0x7F && !(byte >= 0x80 && byte < 0xA0);
    if (printable && RenderInto(kBakedFontA, byte, cell)) return cell;
    return HollowBox(12);
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
    if (unicode != 0 && LoadFallback()) {
        if (RenderInto(m_faces->fallback, FT_Get_Char_Index(m_faces->fallback, unicode), cell))
            return cell;
    }
    return HollowBox(24);
}

bool FontSet::LoadFallback() {
    if (m_faces->fallbackTried) return m_faces->fallback != nullptr;
    m_faces->fallbackTried = true;
    if (FT_Init_FreeType(&m_faces->library) != 0) {
        m_faces->library = nullptr;
        m_problems += "FreeType could not be initialised; GBK outside GB2312 prints as boxes\n";
        return false;
    }
    std::string file;
    int index = 0;
    // A private configuration, released here, rather than the process-wide one FcInit keeps.
    if (FcConfig* config = FcInitLoadConfigAndFonts()) {
        FcPattern* pattern =
            FcNameParse(reinterpret_cast<const FcChar8*>("WenQuanYi Zen Hei:lang=zh-cn"));
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        FcChar8* path = nullptr;
        if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
            file = reinterpret_cast<const char*>(path);
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
        }
        if (match) FcPatternDestroy(match);
        FcPatternDestroy(pattern);
        FcConfigDestroy(config);
    }
    if (file.empty() ||
        FT_New_Face(m_faces->library, file.c_str(), index, &m_faces->fallback) != 0) {
        m_faces->fallback = nullptr;
        m_problems +=
            "no scalable CJK font found (install fonts-wqy-zenhei); GBK outside GB2312 prints as "
            "boxes\n";
        return false;
    }
    FT_Select_Charmap(m_faces->fallback, FT_ENCODING_UNICODE);
    FT_Set_Pixel_Sizes(m_faces->fallback, 0, Glyph::kHeight);
    return true;
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

}  // namespace emu
