// logo-gen: draws the 384 x 91 dot logotype printed by the raster-image demonstration and writes
// it as a binary PBM. Run by hand when the design changes; the result is kept in app/res/.
//
// Layout (dot columns x, rows y):
//   emblem     x 3..115,   y 0..79   a paper roll with a strip of printed paper leaving it, and a
//                                    small circled R at its upper right
//   characters x 125..383, y 17..59  six bold Chinese characters
//   lettering  x 125..383, y 64..83  one line of bold Latin capitals
//   y 84..90 stay blank.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 384;
constexpr int kHeight = 91;
constexpr double kPi = 3.14159265358979323846;

struct Box {
    int left, top, right, bottom;  // inclusive
};

constexpr Box kEmblem{3, 0, 115, 79};
constexpr Box kCharacters{125, 17, 383, 59};
constexpr Box kLettering{125, 64, 383, 83};

// A one-bit canvas, one byte per dot while drawing.
struct Canvas {
    int width, height;
    std::vector<unsigned char> dots;

    Canvas(int w, int h) : width(w), height(h), dots(static_cast<size_t>(w * h), 0) {}
    unsigned char& at(int x, int y) { return dots[static_cast<size_t>(y * width + x)]; }
    unsigned char at(int x, int y) const { return dots[static_cast<size_t>(y * width + x)]; }

    // Ink bounds within columns [x0, x1]; false when that part is blank.
    bool inkBounds(int x0, int x1, Box& box) const {
        box = {width, height, -1, -1};
        for (int y = 0; y < height; ++y)
            for (int x = x0; x <= x1; ++x)
                if (at(x, y)) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                }
        return box.right >= 0;
    }

    void blit(const Canvas& from, const Box& src, int x, int y) {
        for (int sy = src.top; sy <= src.bottom; ++sy)
            for (int sx = src.left; sx <= src.right; ++sx)
                if (from.at(sx, sy)) at(x + sx - src.left, y + sy - src.top) = 1;
    }
};

// --- the emblem, drawn from geometry with 4 x 4 samples a dot ---------------------------------

constexpr double kRollX = 42.5, kRollY = 39.5, kRollRadius = 39.5;
constexpr double kHubRadius = 7.0, kCoreRadius = 14.0;
constexpr double kMarkX = 108.0, kMarkY = 7.5, kMarkOuter = 7.5, kMarkInner = 6.0;

// Right end of the paper strip: a torn, zigzag edge.
double tearEdge(double y) {
    const double phase = std::fmod((y - 61.5) / 4.5, 2.0);
    return 111.0 + 4.5 * (phase < 1.0 ? phase : 2.0 - phase);
}

bool emblemInk(double x, double y) {
    // The strip of paper leaving the roll along its bottom, with two printed lines cut out.
    if (x >= kRollX && y >= 61.5 && y <= 79.5 && x <= tearEdge(y)) {
        if (x >= 86.0 && x <= 104.0 && y >= 65.5 && y <= 68.0) return false;
        if (x >= 86.0 && x <= 98.0 && y >= 71.5 && y <= 74.0) return false;
        return true;
    }
    const double d = std::hypot(x - kRollX, y - kRollY);
    if (d > kRollRadius) {
        const double m = std::hypot(x - kMarkX, y - kMarkY);
        return m <= kMarkOuter && m >= kMarkInner;
    }
    if (d <= kHubRadius) return true;
    if (d <= kCoreRadius) return false;
    // The wound paper: a white spiral of two turns from the core outwards.
    double angle = std::atan2(y - kRollY, x - kRollX);
    if (angle < 0) angle += 2 * kPi;
    for (int turn = 0; turn < 2; ++turn) {
        const double r = kCoreRadius + (angle + 2 * kPi * turn) / (2 * kPi) * 10.0;
        if (std::fabs(d - r) < 1.6) return false;
    }
    return true;
}

void drawEmblem(Canvas& c) {
    for (int y = kEmblem.top; y <= kEmblem.bottom; ++y)
        for (int x = kEmblem.left; x <= kEmblem.right; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += emblemInk(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0);
            if (hits >= 8) c.at(x, y) = 1;
        }
}

// --- text through FreeType ---------------------------------------------------------------------

class Font {
  public:
    Font(FT_Library lib, const std::string& path) {
        if (FT_New_Face(lib, path.c_str(), 0, &m_face) != 0) {
            m_face = nullptr;
            std::cerr << path << ": cannot load this font\n";
        }
    }
    ~Font() {
        if (m_face) FT_Done_Face(m_face);
    }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    explicit operator bool() const { return m_face != nullptr; }

    // Draws text on a scratch canvas with its baseline at row `baseline`, pen starting at x, each
    // glyph widened by `bold` dots and the line stretched horizontally by xScale.
    bool draw(Canvas& c, const std::u32string& text, int pixels, double bold, double xScale, int x,
              int baseline, int gap) {
        FT_Set_Pixel_Sizes(m_face, 0, static_cast<FT_UInt>(pixels));
        FT_Matrix m{static_cast<FT_Fixed>(xScale * 65536), 0, 0, 65536};
        FT_Set_Transform(m_face, &m, nullptr);
        double pen = x;
        for (char32_t ch : text) {
            if (FT_Load_Char(m_face, ch, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0) return false;
            FT_GlyphSlot g = m_face->glyph;
            if (bold > 0) FT_Outline_Embolden(&g->outline, static_cast<FT_Pos>(bold * 64));
            if (FT_Render_Glyph(g, FT_RENDER_MODE_NORMAL) != 0) return false;
            const FT_Bitmap& bm = g->bitmap;
            for (unsigned row = 0; row < bm.rows; ++row)
                for (unsigned col = 0; col < bm.width; ++col) {
                    const int px = static_cast<int>(pen) + g->bitmap_left + static_cast<int>(col);
                    const int py = baseline - g->bitmap_top + static_cast<int>(row);
                    if (bm.buffer[row * bm.pitch + col] >= 128 && px >= 0 && px < c.width &&
                        py >= 0 && py < c.height)
                        c.at(px, py) = 1;
                }
            pen += g->advance.x / 64.0 + bold + gap;
        }
        return true;
    }

  private:
    FT_Face m_face = nullptr;
};

// Six characters, as large as fits the box, spread so that the first starts at its left edge and
// the last ends at its right edge.
bool drawCharacters(Canvas& logo, Font& font, const std::u32string& text) {
    const int boxHeight = kCharacters.bottom - kCharacters.top + 1;
    const int boxWidth = kCharacters.right - kCharacters.left + 1;
    for (int pixels = 60; pixels > 10; --pixels) {
        Canvas scratch(200 * static_cast<int>(text.size()), 160);
        const double bold = pixels / 24.0;
        for (size_t i = 0; i < text.size(); ++i)
            if (!font.draw(scratch, text.substr(i, 1), pixels, bold, 1.0,
                           20 + 200 * static_cast<int>(i), 110, 0))
                return false;
        std::vector<Box> boxes(text.size());
        int top = scratch.height, bottom = -1, inkWidth = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (!scratch.inkBounds(200 * static_cast<int>(i), 200 * static_cast<int>(i) + 199,
                                   boxes[i]))
                return false;
            top = std::min(top, boxes[i].top);
            bottom = std::max(bottom, boxes[i].bottom);
            inkWidth += boxes[i].right - boxes[i].left + 1;
        }
        const int gaps = static_cast<int>(text.size()) - 1;
        if (bottom - top + 1 > boxHeight || inkWidth + 2 * gaps > boxWidth) continue;
        const double gap = double(boxWidth - inkWidth) / gaps;
        double x = kCharacters.left;
        for (size_t i = 0; i < text.size(); ++i) {
            const int w = boxes[i].right - boxes[i].left + 1;
            // Keep the common baseline: shift every character by the same amount vertically.
            Box src = boxes[i];
            const int y = kCharacters.top + (src.top - top);
            const int left =
                i + 1 == text.size() ? kCharacters.right - w + 1 : static_cast<int>(std::lround(x));
            logo.blit(scratch, src, left, y);
            x += w + gap;
        }
        return true;
    }
    return false;
}

// One line of capitals whose ink is exactly as tall as the box, narrowed if needed and spaced out
// to fill its width.
bool drawLettering(Canvas& logo, Font& font, const std::u32string& text) {
    const int boxHeight = kLettering.bottom - kLettering.top + 1;
    const int boxWidth = kLettering.right - kLettering.left + 1;
    for (int pixels = 40; pixels > 6; --pixels) {
        for (double xScale = 1.0; xScale > 0.5; xScale -= 0.02) {
            for (int gap = 4; gap >= 0; --gap) {
                Canvas scratch(1200, 120);
                if (!font.draw(scratch, text, pixels, 0.0, xScale, 10, 90, gap)) return false;
                Box ink;
                if (!scratch.inkBounds(0, scratch.width - 1, ink)) return false;
                if (ink.bottom - ink.top + 1 > boxHeight) break;
                if (ink.right - ink.left + 1 > boxWidth) continue;
                logo.blit(scratch, ink,
                          kLettering.left + (boxWidth - (ink.right - ink.left + 1)) / 2,
                          kLettering.top + (boxHeight - (ink.bottom - ink.top + 1)));
                return true;
            }
        }
    }
    return false;
}

// The R inside the small circle at the emblem's upper right.
bool drawRegisteredMark(Canvas& logo, Font& font) {
    Canvas scratch(60, 60);
    if (!font.draw(scratch, U"R", 11, 0.0, 1.0, 10, 40, 0)) return false;
    Box ink;
    if (!scratch.inkBounds(0, scratch.width - 1, ink)) return false;
    const int w = ink.right - ink.left + 1, h = ink.bottom - ink.top + 1;
    logo.blit(scratch, ink, static_cast<int>(std::lround(kMarkX - w / 2.0)),
              static_cast<int>(std::lround(kMarkY - h / 2.0)));
    return true;
}

bool writePbm(const Canvas& c, const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P4\n" << c.width << " " << c.height << "\n";
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; x += 8) {
            unsigned char byte = 0;
            for (int b = 0; b < 8 && x + b < c.width; ++b)
                if (c.at(x + b, y)) byte |= static_cast<unsigned char>(0x80 >> b);
            out.put(static_cast<char>(byte));
        }
    return static_cast<bool>(out.flush());
}

std::u32string fromUtf8(const std::string& s) {
    std::u32string out;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t cp = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += static_cast<size_t>(n);
    }
    return out;
}

void usage(std::ostream& out) {
    out << "Usage: logo-gen [options] OUTPUT.pbm\n"
           "Draws the 384 x 91 demonstration logotype and writes it as a binary PBM.\n"
           "  --cjk-font PATH    font for the six characters\n"
           "                     (default /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc)\n"
           "  --latin-font PATH  font for the lettering\n"
           "                     (default /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf)\n"
           "  --characters TEXT  six characters (default 热敏打印演示)\n"
           "  --lettering TEXT   the Latin line (default THERMAL PRINTER DEMO)\n"
           "  --help, --version\n";
}

}  // namespace

int main(int argc, char** argv) {
    std::string cjkFont = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
    std::string latinFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    std::string characters = "热敏打印演示";
    std::string lettering = "THERMAL PRINTER DEMO";
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                std::cerr << "logo-gen: " << arg << " needs a value\n";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (arg == "--help") {
            usage(std::cout);
            return 0;
        } else if (arg == "--version") {
            std::cout << "logo-gen " << CE_MOLV_VERSION << "\n";
            return 0;
        } else if (arg == "--cjk-font" || arg == "--latin-font" || arg == "--characters" ||
                   arg == "--lettering") {
            if (!value(arg == "--cjk-font"     ? cjkFont
                       : arg == "--latin-font" ? latinFont
                       : arg == "--characters" ? characters
                                               : lettering))
                return 2;
        } else if (!arg.empty() && arg[0] != '-' && output.empty()) {
            output = arg;
        } else {
            std::cerr << "logo-gen: unexpected argument '" << arg << "'\n";
            usage(std::cerr);
            return 2;
        }
    }
    if (output.empty()) {
        usage(std::cerr);
        return 2;
    }
    const std::u32string chars = fromUtf8(characters);
    if (chars.size() != 6) {
        std::cerr << "logo-gen: --characters needs exactly six characters\n";
        return 2;
    }

    FT_Library lib;
    if (FT_Init_FreeType(&lib) != 0) {
        std::cerr << "logo-gen: FreeType did not start\n";
        return 1;
    }
    int rc = 1;
    {
        Font cjk(lib, cjkFont), latin(lib, latinFont);
        Canvas logo(kWidth, kHeight);
        drawEmblem(logo);
        if (!cjk || !latin) {
        } else if (!drawCharacters(logo, cjk, chars)) {
            std::cerr << "logo-gen: the characters do not fit or the font lacks one of them\n";
        } else if (!drawLettering(logo, latin, fromUtf8(lettering)) ||
                   !drawRegisteredMark(logo, latin)) {
            std::cerr << "logo-gen: the lettering does not fit or the font lacks a letter\n";
        } else if (!writePbm(logo, output)) {
            std::cerr << output << ": cannot write\n";
        } else {
            rc = 0;
        }
    }
    FT_Done_FreeType(lib);
    return rc;
}
