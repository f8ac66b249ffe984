// icon-gen: draws the icons (a receipt coming out of a small printer: blue for CE_MOLV, green for
// the virtual printer's own window) and writes the application's Windows icon file with nine
// images (48, 32 and 16 dots square, each in 16 colours, 256 colours and 24-bit colour), a 48-dot
// PNG, and for each icon the desktop's hicolor theme: PNGs from 16 to 256 dots and a scalable SVG
// of the same shapes. Run by hand when the design changes; the results are kept in app/res/.
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

// A rounded rectangle in a 48-unit design grid, painted in one colour.
struct Shape {
    double left, top, right, bottom, radius;
    Rgb colour;
};

constexpr Rgb kOutline{0x30, 0x30, 0x30};
constexpr Rgb kBody{0x00, 0x33, 0x99};
constexpr Rgb kLid{0xC0, 0xC0, 0xC8};
constexpr Rgb kSlot{0x00, 0x00, 0x00};
constexpr Rgb kPaper{0xFF, 0xFF, 0xFF};
constexpr Rgb kPrint{0x50, 0x50, 0x50};
constexpr Rgb kLamp{0x20, 0xD0, 0x20};

// One icon: its name in the theme and the colours that tell it apart.
struct Look {
    const char* name;
    Rgb body;
    Rgb lamp;
};
constexpr Look kApplication{"ce_molv", kBody, kLamp};
constexpr Look kLooks[] = {kApplication,
                           {"printer-emulator", {0x1B, 0x6E, 0x3A}, {0xF0, 0xA0, 0x20}}};
// The sizes desktops look up in the hicolor theme.
constexpr int kThemeSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Shapes from back to front. Edges are snapped to whole dots at each size so that the small
// images stay crisp; the print lines on the receipt are fewer at 16 dots.
std::vector<Shape> design(int size, const Look& look) {
    std::vector<Shape> s{
        {3, 18, 45, 44, 5, kOutline},                              // printer body with its outline
        {4, 19, 44, 43, 4, look.body}, {4, 19, 44, 27, 4, kLid},   // light lid on top
        {4, 24, 44, 27, 0, kLid},      {9, 22, 39, 26, 0, kSlot},  // paper slot
        {12, 2, 36, 24, 0, kOutline},                              // receipt
        {13, 3, 35, 24, 0, kPaper},    {33, 33, 39, 39, 3, look.lamp},  // power lamp
    };
    const std::vector<std::array<double, 2>> lines =
        size >= 32 ? std::vector<std::array<double, 2>>{{8, 31}, {12, 27}, {16, 31}, {20, 23}}
                   : std::vector<std::array<double, 2>>{{8.5, 31}, {14.5, 27}};
    const double height = std::max(2.0, 48.0 / size);
    for (const auto& [y, right] : lines) s.push_back({17, y, right, y + height, 0, kPrint});
    return s;
}

bool inside(const Shape& sh, double x, double y, double scale) {
    const double l = std::round(sh.left * scale), t = std::round(sh.top * scale);
    const double r = std::round(sh.right * scale), b = std::round(sh.bottom * scale);
    if (x < l || x >= r || y < t || y >= b) return false;
    const double rad = sh.radius * scale;
    const double cx = std::clamp(x, l + rad, r - rad), cy = std::clamp(y, t + rad, b - rad);
    return std::hypot(x - cx, y - cy) <= rad;
}

// Renders one size with 4 x 4 samples a dot; colours are straight (not premultiplied).
std::vector<Rgba> render(int size, const Look& look) {
    const std::vector<Shape> shapes = design(size, look);
    const double scale = size / 48.0;
    std::vector<Rgba> img(static_cast<size_t>(size * size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            Rgba sum;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = x + (sx + 0.5) / 4, py = y + (sy + 0.5) / 4;
                    for (auto it = shapes.rbegin(); it != shapes.rend(); ++it)
                        if (inside(*it, px, py, scale)) {
                            sum.r += it->colour.r;
                            sum.g += it->colour.g;
                            sum.b += it->colour.b;
                            sum.a += 1;
                            break;
                        }
                }
            Rgba& p = img[static_cast<size_t>(y * size + x)];
            if (sum.a > 0) p = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / 16};
        }
    return img;
}

std::vector<Rgb> palette16() {
    return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
            {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
            {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
            {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
}

// The 16 standard colours, a 6 x 6 x 6 colour cube and 24 grays.
std::vector<Rgb> palette256() {
    std::vector<Rgb> p = palette16();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p.push_back({r * 51, g * 51, b * 51});
    for (int i = 0; i < 24; ++i) p.push_back({8 + i * 10, 8 + i * 10, 8 + i * 10});
    return p;
}

int nearest(const std::vector<Rgb>& pal, const Rgba& c) {
    int best = 0;
    double bestDist = 1e30;
    for (size_t i = 0; i < pal.size(); ++i) {
        const double d =
            std::pow(pal[i].r - c.r, 2) + std::pow(pal[i].g - c.g, 2) + std::pow(pal[i].b - c.b, 2);
        if (d < bestDist) bestDist = d, best = static_cast<int>(i);
    }
    return best;
}

void put16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& out, unsigned v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER (height doubled for the mask), palette, colour rows bottom up,
// then the transparency mask (1 = transparent), rows padded to 4 bytes.
std::string iconImage(const std::vector<Rgba>& img, int size, int bits) {
    const std::vector<Rgb> pal = bits == 4   ? palette16()
                                 : bits == 8 ? palette256()
                                             : std::vector<Rgb>{};
    const unsigned colourRow = ((static_cast<unsigned>(size * bits) + 31) / 32) * 4;
    const unsigned maskRow = ((static_cast<unsigned>(size) + 31) / 32) * 4;
    std::string out;
    put32(out, 40);
    put32(out, static_cast<unsigned>(size));
    put32(out, static_cast<unsigned>(size * 2));
    put16(out, 1);
    put16(out, static_cast<unsigned>(bits));
    put32(out, 0);
    put32(out, (colourRow + maskRow) * static_cast<unsigned>(size));
    put32(out, 0);
    put32(out, 0);
    put32(out, static_cast<unsigned>(pal.size()));
    put32(out, 0);
    for (const Rgb& c : pal) {
        out.push_back(static_cast<char>(c.b));
        out.push_back(static_cast<char>(c.g));
        out.push_back(static_cast<char>(c.r));
        out.push_back(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row;
        unsigned char nibble = 0;
        for (int x = 0; x < size; ++x) {
            const Rgba& p = img[static_cast<size_t>(y * size + x)];
            const bool opaque = p.a >= 0.5;
            if (bits == 24) {
                row.push_back(static_cast<char>(opaque ? std::lround(p.b) : 0));
                row.push_back(static_cast<char>(opaque ? std::lround(p.g) : 0));
                row.push_back(static_cast<char>(opaque ? std::lround(p.r) : 0));
            } else {
                const int index = opaque ? nearest(pal, p) : 0;
                if (bits == 8) {
                    row.push_back(static_cast<char>(index));
                } else if (x % 2 == 0) {
                    nibble = static_cast<unsigned char>(index << 4);
                } else {
                    row.push_back(static_cast<char>(nibble | index));
                }
            }
        }
        row.resize(colourRow, 0);
        out += row;
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(maskRow, 0);
        for (int x = 0; x < size; ++x)
            if (img[static_cast<size_t>(y * size + x)].a < 0.5)
                row[static_cast<size_t>(x / 8)] =
                    static_cast<char>(row[static_cast<size_t>(x / 8)] | (0x80 >> (x % 8)));
        out += row;
    }
    return out;
}

bool writeIco(const std::string& path) {
    struct Entry {
        int size, bits;
        std::string data;
    };
    std::vector<Entry> entries;
    for (int size : {48, 32, 16}) {
        const std::vector<Rgba> img = render(size, kApplication);
        for (int bits : {4, 8, 24}) entries.push_back({size, bits, iconImage(img, size, bits)});
    }
    std::string out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<unsigned>(entries.size()));
    unsigned offset = 6 + 16 * static_cast<unsigned>(entries.size());
    for (const Entry& e : entries) {
        out.push_back(static_cast<char>(e.size));
        out.push_back(static_cast<char>(e.size));
        out.push_back(static_cast<char>(e.bits == 4 ? 16 : 0));
        out.push_back(0);
        put16(out, 1);
        put16(out, static_cast<unsigned>(e.bits));
        put32(out, static_cast<unsigned>(e.data.size()));
        put32(out, offset);
        offset += static_cast<unsigned>(e.data.size());
    }
    for (const Entry& e : entries) out += e.data;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << out;
    return static_cast<bool>(file.flush());
}

bool writePng(const std::string& path, int size, const Look& look) {
    const std::vector<Rgba> img = render(size, look);
    // Everything with a destructor is made before setjmp: libpng reports errors by longjmp.
    std::vector<png_byte> pixels(static_cast<size_t>(size * size * 4));
    for (size_t i = 0; i < img.size(); ++i) {
        pixels[i * 4] = static_cast<png_byte>(std::lround(img[i].r));
        pixels[i * 4 + 1] = static_cast<png_byte>(std::lround(img[i].g));
        pixels[i * 4 + 2] = static_cast<png_byte>(std::lround(img[i].b));
        pixels[i * 4 + 3] = static_cast<png_byte>(std::lround(img[i].a * 255));
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = false;
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8,
                     PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < size; ++y)
            png_write_row(png, &pixels[static_cast<size_t>(y * size * 4)]);
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return std::fclose(f) == 0 && ok;
}

// The 48-unit design itself, unsnapped: the scalable icon the theme offers beside the PNGs.
bool writeSvg(const std::string& path, const Look& look) {
    std::ofstream file(path, std::ios::trunc);
    file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" "
            "viewBox=\"0 0 48 48\">\n";
    for (const Shape& s : design(48, look)) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02x%02x%02x", s.colour.r, s.colour.g, s.colour.b);
        file << "  <rect x=\"" << s.left << "\" y=\"" << s.top << "\" width=\"" << s.right - s.left
             << "\" height=\"" << s.bottom - s.top << "\"";
        if (s.radius > 0) file << " rx=\"" << s.radius << "\"";
        file << " fill=\"" << colour << "\"/>\n";
    }
    file << "</svg>\n";
    return static_cast<bool>(file.flush());
}

// Every size of every icon in DIR/icons/hicolor, as the theme lays them out.
bool writeTheme(const std::filesystem::path& dir) {
    const std::filesystem::path theme = dir / "icons" / "hicolor";
    std::error_code error;
    for (const Look& look : kLooks) {
        for (int size : kThemeSizes) {
            const std::string square = std::to_string(size) + "x" + std::to_string(size);
            const std::filesystem::path folder = theme / square / "apps";
            std::filesystem::create_directories(folder, error);
            if (!writePng((folder / (std::string(look.name) + ".png")).string(), size, look)) {
                std::cerr << folder.string() << ": cannot write\n";
                return false;
            }
        }
        const std::filesystem::path folder = theme / "scalable" / "apps";
        std::filesystem::create_directories(folder, error);
        if (!writeSvg((folder / (std::string(look.name) + ".svg")).string(), look)) {
            std::cerr << folder.string() << ": cannot write\n";
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::cout
            << "Usage: icon-gen OUTPUT.ico OUTPUT.png THEME-DIR\n"
               "Draws the icons: the application's nine images (48, 32, 16 dots; 16 colours,\n"
               "256 colours, 24-bit) in OUTPUT.ico and a 48-dot PNG with alpha in\n"
               "OUTPUT.png; and in THEME-DIR/icons/hicolor every icon at 16 to 256 dots\n"
               "(PNG) and scalable (SVG).\n"
               "  --help, --version\n";
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "icon-gen " << CE_MOLV_VERSION << "\n";
        return 0;
    }
    if (argc != 4) {
        std::cerr << "Usage: icon-gen OUTPUT.ico OUTPUT.png THEME-DIR (see --help)\n";
        return 2;
    }
    if (!writeIco(argv[1])) {
        std::cerr << argv[1] << ": cannot write\n";
        return 1;
    }
    if (!writePng(argv[2], 48, kApplication)) {
        std::cerr << argv[2] << ": cannot write\n";
        return 1;
    }
    return writeTheme(argv[3]) ? 0 : 1;
}
