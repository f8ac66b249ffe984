// The fonts UTF-8 text is drawn from, by the numbers FS ( C function 60 ranks them with. The
// single-byte ones are Font A and Font B; the double-byte ones draw from the GB2312 bitmap font
// (Simplified Chinese only) and the scalable CJK font.
#pragma once

#include <cstdint>

namespace emu {

struct TextFont {
    std::uint8_t number;
    const char* name;
    bool doubleByte;
    bool gb2312;  // the GB2312 bitmap font before the scalable one
};

inline constexpr std::uint8_t kAnkFont = 0;
inline constexpr std::uint8_t kSimplifiedChineseFont = 20;

inline constexpr TextFont kTextFonts[] = {
    {kAnkFont, "ANK", false, false},
    {11, "Japanese", true, false},
    {kSimplifiedChineseFont, "Simplified Chinese", true, true},
    {30, "Traditional Chinese", true, false},
    {40, "Korean", true, false},
    {41, "Thai", false, false},
    {42, "Vietnamese", false, false},
};

// Null for a number that names no font.
inline const TextFont* FindTextFont(std::uint8_t number) {
    for (const TextFont& font : kTextFonts)
        if (font.number == number) return &font;
    return nullptr;
}

}  // namespace emu
