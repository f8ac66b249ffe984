// The committed pictures: the demonstration logotype keeps the layout the raster demonstration
// was designed around, and the icon file holds the nine images the dialog's icon needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "tests/app/ExpectedStream.h"

using apptest::Bytes;

namespace {

constexpr int kWidth = 384, kHeight = 91, kRowBytes = 48;

struct Box {
    int left = kWidth, top = kHeight, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

class Logo : public ::testing::Test {
  protected:
    void SetUp() override {
        m_pixels = apptest::LogoPixels();
        ASSERT_EQ(m_pixels.size(), static_cast<size_t>(kRowBytes * kHeight));
    }
    bool Ink(int x, int y) const {
        return (m_pixels[static_cast<size_t>(y * kRowBytes + x / 8)] >> (7 - x % 8)) & 1;
    }
    Box InkWithin(int x0, int x1, int y0, int y1) const {
        Box b;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (Ink(x, y)) {
                    b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
                }
        return b;
    }
    Bytes m_pixels;
};

TEST_F(Logo, EmblemFillsItsBoxAtTheLeft) {
    const Box emblem = InkWithin(0, 124, 0, kHeight - 1);
    EXPECT_EQ(emblem.left, 3);
    EXPECT_EQ(emblem.right, 115);
    EXPECT_EQ(emblem.top, 0);
    EXPECT_EQ(emblem.bottom, 79);
    EXPECT_TRUE(InkWithin(116, 124, 0, kHeight - 1).empty()) << "gap between emblem and lettering";
}

TEST_F(Logo, CharactersAndLetteringStayInTheirBands) {
    const Box characters = InkWithin(125, kWidth - 1, 0, 61);
    ASSERT_FALSE(characters.empty());
    EXPECT_GE(characters.left, 125);
    EXPECT_EQ(characters.right, 383) << "the characters span to the right edge";
    EXPECT_EQ(characters.top, 17);
    EXPECT_EQ(characters.bottom, 59);
    EXPECT_TRUE(InkWithin(125, kWidth - 1, 60, 63).empty());

    const Box lettering = InkWithin(125, kWidth - 1, 62, kHeight - 1);
    ASSERT_FALSE(lettering.empty());
    EXPECT_GE(lettering.left, 125);
    EXPECT_GE(lettering.top, 64);
    EXPECT_EQ(lettering.bottom, 83);
}

TEST_F(Logo, BottomRowsAreBlank) { EXPECT_TRUE(InkWithin(0, kWidth - 1, 84, kHeight - 1).empty()); }

Bytes ReadResource(const char* name) {
    std::ifstream file(std::string(CE_MOLV_RESOURCE_DIR "/") + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::uint32_t Le(const Bytes& b, size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | b.at(at + static_cast<size_t>(i));
    return v;
}

// Nine images, 48, 32 and 16 dots each in 4, 8 and 24 bits a dot, each a consistent bitmap with
// its transparency mask inside the file.
TEST(AppIcon, HoldsNineConsistentImages) {
    const Bytes ico = ReadResource("ce_molv.ico");
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(Le(ico, 0, 2), 0u);
    EXPECT_EQ(Le(ico, 2, 2), 1u) << "type 1 is an icon";
    ASSERT_EQ(Le(ico, 4, 2), 9u);

    std::set<std::tuple<unsigned, unsigned>> kinds;
    size_t end = 6 + 9 * 16;
    for (size_t i = 0; i < 9; ++i) {
        const size_t e = 6 + i * 16;
        const unsigned size = ico.at(e), bits = Le(ico, e + 6, 2);
        const size_t bytes = Le(ico, e + 8, 4), offset = Le(ico, e + 12, 4);
        SCOPED_TRACE(testing::Message() << size << " dots, " << bits << " bits");
        EXPECT_EQ(ico.at(e + 1), size);
        EXPECT_EQ(ico.at(e + 2), bits == 4 ? 16u : 0u);
        kinds.insert({size, bits});
        ASSERT_EQ(offset, end) << "images follow one another without gaps or overlaps";
        ASSERT_LE(offset + bytes, ico.size());
        end = offset + bytes;

        EXPECT_EQ(Le(ico, offset, 4), 40u);
        EXPECT_EQ(Le(ico, offset + 4, 4), size);
        EXPECT_EQ(Le(ico, offset + 8, 4), size * 2) << "colour rows plus mask rows";
        EXPECT_EQ(Le(ico, offset + 14, 2), bits);
        const size_t palette = bits <= 8 ? (size_t{1} << bits) * 4 : 0;
        const size_t colourRow = (size * bits + 31) / 32 * 4, maskRow = (size + 31) / 32 * 4;
        EXPECT_EQ(bytes, 40 + palette + (colourRow + maskRow) * size);
    }
    EXPECT_EQ(end, ico.size());
    const std::set<std::tuple<unsigned, unsigned>> wanted{
        {48, 4}, {48, 8}, {48, 24}, {32, 4}, {32, 8}, {32, 24}, {16, 4}, {16, 8}, {16, 24}};
    EXPECT_EQ(kinds, wanted);
}

// The width and height a PNG's header states; -1 for what is not a PNG.
std::pair<int, int> PngSize(const Bytes& png) {
    const Bytes signature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (png.size() < 24 || !std::equal(signature.begin(), signature.end(), png.begin()))
        return {-1, -1};
    auto be = [&](size_t at) {
        return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
    };
    return {be(16), be(20)};
}

TEST(AppIcon, DesktopPictureIs48DotsSquare) {
    EXPECT_EQ(PngSize(ReadResource("ce_molv.png")), std::make_pair(48, 48));
}

// What the package installs in the hicolor theme: both icons at every size desktops look up,
// and scalable; the 48-dot one is the application's own picture.
TEST(AppIcon, TheThemeHoldsEachIconAtEverySizeAndScalable) {
    for (const std::string name : {"ce_molv", "printer-emulator"}) {
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const std::string square = std::to_string(size) + "x" + std::to_string(size);
            const Bytes png =
                ReadResource(("icons/hicolor/" + square + "/apps/" + name + ".png").c_str());
            EXPECT_EQ(PngSize(png), std::make_pair(size, size)) << name << " " << square;
            if (name == "ce_molv" && size == 48) {
                EXPECT_EQ(png, ReadResource("ce_molv.png"));
            }
        }
        const Bytes svg = ReadResource(("icons/hicolor/scalable/apps/" + name + ".svg").c_str());
        const std::string text(svg.begin(), svg.end());
        EXPECT_NE(text.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos)
            << name;
        EXPECT_NE(text.find("viewBox=\"0 0 48 48\""), std::string::npos) << name;
        EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 10) << name << ": every shape drawn";
        EXPECT_TRUE(text.ends_with("</svg>\n")) << name;
    }
}

}  // namespace
