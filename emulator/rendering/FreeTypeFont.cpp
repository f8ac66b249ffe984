#include "emulator/rendering/FreeTypeFont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "emulator/rendering/GlyphCell.h"

namespace emu {
namespace {

class FreeTypeFont : public ScalableFont {
  public:
    FreeTypeFont(FT_Library library, FT_Face face) : m_library(library), m_face(face) {}
    ~FreeTypeFont() override {
        FT_Done_Face(m_face);
        FT_Done_FreeType(m_library);
    }
    FreeTypeFont(const FreeTypeFont&) = delete;
    FreeTypeFont& operator=(const FreeTypeFont&) = delete;

    bool Render(char32_t c, Glyph& cell) override {
        const FT_UInt index = FT_Get_Char_Index(m_face, c);
        if (index == 0 || FT_Load_Glyph(m_face, index, FT_LOAD_DEFAULT) != 0) return false;
        const long advance = (m_face->glyph->advance.x + 63) >> 6;
        cell = BlankCell(advance > 12 ? 24 : 12);
        return RenderGlyph(index, cell);
    }

    bool RenderInto(char32_t c, Glyph& cell) override {
        return RenderGlyph(FT_Get_Char_Index(m_face, c), cell);
    }

  private:
    // On the common baseline; outline glyphs that reach below the cell are lifted into it.
    bool RenderGlyph(FT_UInt index, Glyph& cell) {
        if (index == 0) return false;
        if (FT_Load_Glyph(m_face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return false;
        const FT_Bitmap& bitmap = m_face->glyph->bitmap;
        const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
        if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return false;
        Place(cell, m_face->glyph->bitmap_left, m_face->glyph->bitmap_top,
              static_cast<int>(bitmap.rows), static_cast<int>(bitmap.width), FT_IS_SCALABLE(m_face),
              [&bitmap, mono](int col, int row) {
                  const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
                  return mono ? (line[col / 8] & (0x80 >> (col % 8))) != 0 : line[col] >= 128;
              });
        return true;
    }

    FT_Library m_library;
    FT_Face m_face;
};

// The file and face index fontconfig gives for the font, or an empty file.
std::string FindFont(int* index) {
    std::string file;
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
            FcPatternGetInteger(match, FC_INDEX, 0, index);
        }
        if (match) FcPatternDestroy(match);
        FcPatternDestroy(pattern);
        FcConfigDestroy(config);
    }
    return file;
}

}  // namespace

std::unique_ptr<ScalableFont> OpenFreeTypeFont(std::string* problems) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        *problems += "FreeType could not be initialised; GBK outside GB2312 prints as boxes\n";
        return nullptr;
    }
    int index = 0;
    const std::string file = FindFont(&index);
    FT_Face face = nullptr;
    if (file.empty() || FT_New_Face(library, file.c_str(), index, &face) != 0) {
        FT_Done_FreeType(library);
        *problems +=
            "no scalable CJK font found (install fonts-wqy-zenhei); GBK outside GB2312 prints as "
            "boxes\n";
        return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    FT_Set_Pixel_Sizes(face, 0, Glyph::kHeight);
    return std::make_unique<FreeTypeFont>(library, face);
}

}  // namespace emu
