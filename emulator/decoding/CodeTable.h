// The single-byte character tables: the code tables ESC t selects (the upper half, bytes 0x80..
// 0xFF, decoded once each with iconv) and the international sets ESC R selects (twelve ASCII
// positions replaced). The module has one table of its own: Latin-1.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace emu {

class CodeTable {
  public:
    static constexpr std::uint8_t kLatin1 = 0xFE;  // the module's table; not selectable by ESC t
    static constexpr std::uint8_t kPc437 = 0;

    // Null for a table number this printer does not have.
    static const CodeTable* Get(std::uint8_t number);
    // "PC437", "WPC1252", ...; null for a table this printer does not have.
    static const char* Name(std::uint8_t number);
    // The international set's name ("USA", "France"); null for a set this printer does not have.
    static const char* InternationalName(std::uint8_t set);

    // The character a byte 0x20..0xFF prints, or 0 where the table has none.
    char32_t Decode(std::uint8_t byte, std::uint8_t internationalSet) const;

  private:
    std::array<char32_t, 128> m_upper{};
};

// Appends the UTF-8 form of a character.
void AppendUtf8(std::string& text, char32_t c);

}  // namespace emu
