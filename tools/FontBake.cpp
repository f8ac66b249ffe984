// font-bake: renders every glyph of bitmap fonts with FreeType, as the virtual printer would, and
// writes them to a C++ source of emu::BakedFont tables (emulator/rendering/BakedFont.h), so the
// printer carries its fonts and reads none at run time.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ToolOutput.h"

namespace {

void usage(std::ostream& out) {
    out << "Usage: font-bake OUTPUT.cpp NAME=FONT...\n"
           "Renders every character of each FONT (its first character map) in monochrome and\n"
           "writes them to OUTPUT.cpp as 'const emu::BakedFont NAME'.\n"
           "  --help     show this help\n"
           "  --version  show the version\n";
}

struct Glyph {
    FT_ULong code;
    int left, top, width, rows;
    std::vector<unsigned char> bits;  // (width + 7) / 8 bytes a row, high bit leftmost
};

// Every glyph of the face, as FontSet draws them: FT_LOAD_RENDER in monochrome.
bool Render(FT_Face face, std::vector<Glyph>& glyphs) {
    if (face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
    FT_UInt index = 0;
    for (FT_ULong code = FT_Get_First_Char(face, &index); index != 0;
         code = FT_Get_Next_Char(face, code, &index)) {
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) continue;
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
        if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) continue;
        Glyph glyph{code,
                    face->glyph->bitmap_left,
                    face->glyph->bitmap_top,
                    static_cast<int>(bitmap.width),
                    static_cast<int>(bitmap.rows),
                    {}};
        const int stride = (glyph.width + 7) / 8;
        glyph.bits.assign(static_cast<std::size_t>(stride) * glyph.rows, 0);
        for (int row = 0; row < glyph.rows; ++row) {
            const unsigned char* line = bitmap.buffer + static_cast<long>(row) * bitmap.pitch;
            for (int col = 0; col < glyph.width; ++col) {
                const bool on =
                    mono ? (line[col / 8] & (0x80 >> (col % 8))) != 0 : line[col] >= 128;
                if (on)
                    glyph.bits[row * stride + col / 8] |=
                        static_cast<unsigned char>(0x80 >> (col % 8));
            }
        }
        glyphs.push_back(std::move(glyph));
    }
    std::sort(glyphs.begin(), glyphs.end(),
              [](const Glyph& a, const Glyph& b) { return a.code < b.code; });
    return !glyphs.empty();
}

void WriteFont(std::ostringstream& out, const std::string& name, const std::vector<Glyph>& glyphs) {
    out << "const BakedGlyph " << name << "Glyphs[] = {\n";
    std::size_t offset = 0;
    for (const Glyph& g : glyphs) {
        out << "    {" << g.code << "u, " << g.left << ", " << g.top << ", " << g.width << ", "
            << g.rows << ", " << offset << "u},\n";
        offset += g.bits.size();
    }
    out << "};\n";
    // A string literal: compilers read one far faster than an array of numbers.
    out << "const std::uint8_t " << name << "Bits[] =\n";
    std::size_t column = 0;
    for (const Glyph& g : glyphs)
        for (unsigned char byte : g.bits) {
            if (column == 0) out << "    \"";
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03o", byte);
            out << escaped;
            if (++column == 24) {
                out << "\"\n";
                column = 0;
            }
        }
    if (column != 0) out << "\"\n";
    if (offset == 0) out << "    \"\"\n";
    out << "    ;\n}  // namespace\n\nconst BakedFont " << name << "{" << name << "Glyphs, "
        << glyphs.size() << ", " << name << "Bits};\n\nnamespace {\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered =
            tools::AnswerStandardOption(argc, argv, "font-bake", usage)) {
        return *answered;
    }
    if (argc < 3) {
        usage(std::cerr);
        return 2;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::cerr << "font-bake: FreeType could not be initialised\n";
        return 1;
    }
    std::ostringstream out;
    out << "// Written by font-bake when the program is built; not to be edited.\n"
           "#include \"emulator/rendering/BakedFont.h\"\n\nnamespace emu {\nnamespace {\n";
    int code = 0;
    for (int i = 2; i < argc && code == 0; ++i) {
        const std::string arg = argv[i];
        const std::size_t equals = arg.find('=');
        if (equals == std::string::npos) {
            std::cerr << "font-bake: '" << arg << "' is not NAME=FONT\n";
            code = 2;
            break;
        }
        const std::string name = arg.substr(0, equals), path = arg.substr(equals + 1);
        FT_Face face = nullptr;
        std::vector<Glyph> glyphs;
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
            std::cerr << "font-bake: cannot open " << path << " (install xfonts-base)\n";
            code = 1;
        } else if (!Render(face, glyphs)) {
            std::cerr << "font-bake: " << path << " has no glyph FreeType can render\n";
            code = 1;
        } else {
            WriteFont(out, name, glyphs);
        }
        if (face) FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    if (code != 0) return code;
    out << "}  // namespace\n}  // namespace emu\n";
    return tools::WriteGeneratedFile(argv[1], out.str());
}
