#include "emulator/rendering/FontSet.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <iconv.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace emu {
namespace {

constexpr const char* kFontAPath = "/usr/share/fonts/X11/misc/12x24.pcf.gz";
constexpr const char* kCjkPath = "/usr/share/fonts/X11/misc/gb24st.pcf.gz";
constexpr std::uint32_t kPairFlag = 0x10000;

constexpr const char* kFontBPath = "/usr/share/fonts/X11/misc/9x15.pcf.gz";
constexpr const char* kWideCoveragePath = "/usr/share/fonts/X11/misc/10x20.pcf.gz";
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
bool RenderInto(FT_Face face, FT_UInt index, Glyph& cell) {
    if (index == 0) return false;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return false;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
    const int left = face->glyph->bitmap_left;
    int top = cell.ascent - face->glyph->bitmap_top;
    if (FT_IS_SCALABLE(face))
        top = std::max(0, std::min(top, cell.height - static_cast<int>(bitmap.rows)));
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = top + static_cast<int>(row);
        if (y < 0 || y >= cell.height) continue;
        const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col) {
            const int x = left + static_cast<int>(col);
            if (x < 0 || x >= cell.width) continue;
            const bool on = mono ? (line[col / 8] & (0x80 >> (col % 8))) != 0 : line[col] >= 128;
            if (on) cell.ink[static_cast<std::size_t>(y) * cell.width + x] = 1;
        }
    }
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

// The whole file, unpacked when it is gzip-compressed; empty when it cannot be read.
std::vector<FT_Byte> ReadFontFile(const char* path) {
    std::vector<FT_Byte> bytes;
    gzFile file = gzopen(path, "rb");
    if (!file) return bytes;
    gzbuffer(file, 128 * 1024);
    FT_Byte chunk[64 * 1024];
    int got;
    while ((got = gzread(file, chunk, sizeof chunk)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < 0) bytes.clear();
    gzclose(file);
    return bytes;
}

// Opens the face from memory: FreeType reads a compressed font as a stream, and every glyph
// loaded seeks in it, which unpacks the file again from its start.
FT_Error NewFace(FT_Library library, const char* path, FT_Face* face,
                 std::vector<std::vector<FT_Byte>>& files) {
    std::vector<FT_Byte> bytes = ReadFontFile(path);
    if (bytes.empty()) return FT_Err_Cannot_Open_Resource;
    const FT_Error error =
        FT_New_Memory_Face(library, bytes.data(), static_cast<FT_Long>(bytes.size()), 0, face);
    if (error == 0) files.push_back(std::move(bytes));  // the face reads it for its whole life
    return error;
}

FT_Face OpenFace(FT_Library library, const char* path, std::string& problems, const char* what,
                 std::vector<std::vector<FT_Byte>>& files) {
    FT_Face face = nullptr;
    if (!library || NewFace(library, path, &face, files) != 0) {
        problems += std::string("cannot open ") + path + " (install xfonts-base); " + what +
                    " print as boxes\n";
        return nullptr;
    }
    if (face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
    return face;
}

bool InGb2312(std::uint8_t lead, std::uint8_t trail) {
    return lead >= 0xA1 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE;
}

}  // namespace

struct FontSet::Faces {
    FT_Library library = nullptr;
    FT_Face fontA = nullptr;
    FT_Face cjk = nullptr;
    FT_Face fallback = nullptr;
    FT_Face fontB = nullptr;
    FT_Face wide = nullptr;
    bool fontBTried = false;
    bool wideTried = false;
    bool cjkTried = false;
    bool fallbackTried = false;
    std::vector<std::vector<FT_Byte>> files;  // the bitmap fonts, unpacked, under their faces
    iconv_t gbk = reinterpret_cast<iconv_t>(-1);
};

FontSet::FontSet() : m_faces(new Faces) {
    if (FT_Init_FreeType(&m_faces->library) != 0) {
        m_faces->library = nullptr;
        m_problems += "FreeType could not be initialised; text prints as boxes\n";
        return;
    }
    if (NewFace(m_faces->library, kFontAPath, &m_faces->fontA, m_faces->files) != 0) {
        m_faces->fontA = nullptr;
        m_problems += std::string("cannot open ") + kFontAPath +
                      " (install xfonts-base); ASCII prints as boxes\n";
    } else if (m_faces->fontA->num_charmaps > 0) {
        FT_Set_Charmap(m_faces->fontA, m_faces->fontA->charmaps[0]);
    }
}

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
        if (!m_faces->fontBTried) {
            m_faces->fontBTried = true;
            m_faces->fontB = OpenFace(m_faces->library, kFontBPath, m_problems, "Font B characters",
                                      m_faces->files);
        }
        if (m_faces->fontB &&
            RenderInto(m_faces->fontB, FT_Get_Char_Index(m_faces->fontB, c), source))
            return Stretch(source, kFontBWidth, kFontBHeight, kFontBAscent);
        return HollowBox(kFontBWidth, kFontBHeight, kFontBAscent);
    }
    if (c <= 0xFF) return RenderSingle(static_cast<std::uint8_t>(c));
    if (!m_faces->wideTried) {
        m_faces->wideTried = true;
        m_faces->wide = OpenFace(m_faces->library, kWideCoveragePath, m_problems,
                                 "characters beyond Latin-1", m_faces->files);
    }
    Glyph source = BlankCell(kWideSourceWidth, kWideSourceHeight, kWideSourceAscent);
    if (m_faces->wide && RenderInto(m_faces->wide, FT_Get_Char_Index(m_faces->wide, c), source))
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
    FT_Face face = m_faces->fontA;
    const bool printable = byte > 0x20 && byte != 0x7F && !(byte >= 0x80 && byte < 0xA0);
    if (face && printable && RenderInto(face, FT_Get_Char_Index(face, byte), cell)) return cell;
    return HollowBox(12);
}

Glyph FontSet::RenderPair(std::uint8_t lead, std::uint8_t trail) {
    Glyph cell = BlankCell(24);
    // The GB2312 bitmap font is indexed by the row/cell code: the GBK bytes minus 0x8080.
    if (InGb2312(lead, trail) && LoadCjk()) {
        const FT_ULong code =
            (static_cast<FT_ULong>(lead - 0x80) << 8) | static_cast<FT_ULong>(trail - 0x80);
        if (RenderInto(m_faces->cjk, FT_Get_Char_Index(m_faces->cjk, code), cell)) return cell;
    }
    const char32_t unicode = DecodeGbk(lead, trail);
    if (unicode != 0 && LoadFallback()) {
        if (RenderInto(m_faces->fallback, FT_Get_Char_Index(m_faces->fallback, unicode), cell))
            return cell;
    }
    return HollowBox(24);
}

bool FontSet::LoadCjk() {
    if (m_faces->cjkTried) return m_faces->cjk != nullptr;
    m_faces->cjkTried = true;
    if (!m_faces->library) return false;
    if (NewFace(m_faces->library, kCjkPath, &m_faces->cjk, m_faces->files) != 0) {
        m_faces->cjk = nullptr;
        m_problems += std::string("cannot open ") + kCjkPath +
                      " (install xfonts-base); using the scalable CJK font\n";
        return false;
    }
    // Its only charmap has no Unicode tag (the codes are GB2312's), so FreeType does not pick it.
    if (m_faces->cjk->num_charmaps > 0) FT_Set_Charmap(m_faces->cjk, m_faces->cjk->charmaps[0]);
    return true;
}

bool FontSet::LoadFallback() {
    if (m_faces->fallbackTried) return m_faces->fallback != nullptr;
    m_faces->fallbackTried = true;
    if (!m_faces->library) return false;
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
