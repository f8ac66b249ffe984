#include "emulator/decoding/CodeTable.h"

#include <iconv.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <mutex>

namespace emu {
namespace {

struct TableName {
    std::uint8_t number;
    const char* name;
    const char* iconvName;
};

// ESC t numbers as ESC/POS printers number them.
constexpr TableName kTables[] = {
    {0, "PC437", "CP437"},
    {1, "Katakana", nullptr},
    {2, "PC850", "CP850"},
    {3, "PC860", "CP860"},
    {4, "PC863", "CP863"},
    {5, "PC865", "CP865"},
    {13, "PC857", "CP857"},
    {14, "PC737", "CP737"},
    {15, "ISO 8859-7", "ISO-8859-7"},
    {16, "WPC1252", "CP1252"},
    {17, "PC866", "CP866"},
    {18, "PC852", "CP852"},
    {19, "PC858", "CP858"},
    {34, "PC855", "CP855"},
    {35, "PC861", "CP861"},
    {36, "PC862", "CP862"},
    {37, "PC864", "CP864"},
    {38, "PC869", "CP869"},
    {39, "ISO 8859-2", "ISO-8859-2"},
    {40, "ISO 8859-15", "ISO-8859-15"},
    {45, "WPC1250", "CP1250"},
    {46, "WPC1251", "CP1251"},
    {47, "WPC1253", "CP1253"},
    {48, "WPC1254", "CP1254"},
    {49, "WPC1255", "CP1255"},
    {50, "WPC1256", "CP1256"},
    {51, "WPC1257", "CP1257"},
    {52, "WPC1258", "CP1258"},
    {CodeTable::kLatin1, "Latin-1", "ISO-8859-1"},
};

// Katakana has no iconv converter with its graphics: block and box elements below the half-width
// katakana, card suits and date kanji above them.
constexpr char32_t kKatakanaUpper[128] = {
    0x2581, 0x2582, 0x2583, 0x2584, 0x2585, 0x2586, 0x2587, 0x2588, 0x258F, 0x258E, 0x258D, 0x258C,
    0x258B, 0x258A, 0x2589, 0x253C, 0x2534, 0x252C, 0x2524, 0x251C, 0x2594, 0x2500, 0x2502, 0x2595,
    0x250C, 0x2510, 0x2514, 0x2518, 0x256D, 0x256E, 0x2570, 0x256F, 0x0020, 0xFF61, 0xFF62, 0xFF63,
    0xFF64, 0xFF65, 0xFF66, 0xFF67, 0xFF68, 0xFF69, 0xFF6A, 0xFF6B, 0xFF6C, 0xFF6D, 0xFF6E, 0xFF6F,
    0xFF70, 0xFF71, 0xFF72, 0xFF73, 0xFF74, 0xFF75, 0xFF76, 0xFF77, 0xFF78, 0xFF79, 0xFF7A, 0xFF7B,
    0xFF7C, 0xFF7D, 0xFF7E, 0xFF7F, 0xFF80, 0xFF81, 0xFF82, 0xFF83, 0xFF84, 0xFF85, 0xFF86, 0xFF87,
    0xFF88, 0xFF89, 0xFF8A, 0xFF8B, 0xFF8C, 0xFF8D, 0xFF8E, 0xFF8F, 0xFF90, 0xFF91, 0xFF92, 0xFF93,
    0xFF94, 0xFF95, 0xFF96, 0xFF97, 0xFF98, 0xFF99, 0xFF9A, 0xFF9B, 0xFF9C, 0xFF9D, 0xFF9E, 0xFF9F,
    0x2550, 0x255E, 0x256A, 0x2561, 0x25E2, 0x25E3, 0x25E5, 0x25E4, 0x2660, 0x2665, 0x2666, 0x2663,
    0x25CF, 0x25CB, 0x2571, 0x2572, 0x2573, 0x5186, 0x5E74, 0x6708, 0x65E5, 0x6642, 0x5206, 0x79D2,
    0x3012, 0x5E02, 0x533A, 0x753A, 0x6751, 0x4EBA, 0x2592, 0x00A0,
};

// Where a printer's table has a character its iconv converter lacks: the euro sign the printers
// added to PC857 at D5, where IBM's table has none.
struct Addition {
    std::uint8_t table;
    std::uint8_t byte;
    char32_t c;
};
constexpr Addition kAdditions[] = {{13, 0xD5, U'€'}};

// The positions ESC R replaces, and each set's characters for them.
constexpr std::uint8_t kNationalPositions[12] = {0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D,
                                                 0x5E, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};
struct NationalSet {
    const char* name;
    char32_t chars[12];
};
constexpr NationalSet kSets[] = {
    {"USA", {U'#', U'$', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},
    {"France", {U'#', U'$', U'à', U'°', U'ç', U'§', U'^', U'`', U'é', U'ù', U'è', U'¨'}},
    {"Germany", {U'#', U'$', U'§', U'Ä', U'Ö', U'Ü', U'^', U'`', U'ä', U'ö', U'ü', U'ß'}},
    {"UK", {U'£', U'$', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},
    {"Denmark I", {U'#', U'$', U'@', U'Æ', U'Ø', U'Å', U'^', U'`', U'æ', U'ø', U'å', U'~'}},
    {"Sweden", {U'#', U'¤', U'É', U'Ä', U'Ö', U'Å', U'Ü', U'é', U'ä', U'ö', U'å', U'ü'}},
    {"Italy", {U'#', U'$', U'@', U'°', U'\\', U'é', U'^', U'ù', U'à', U'ò', U'è', U'ì'}},
    {"Spain I", {U'₧', U'$', U'@', U'¡', U'Ñ', U'¿', U'^', U'`', U'¨', U'ñ', U'}', U'~'}},
    {"Japan", {U'#', U'$', U'@', U'[', U'¥', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},
    {"Norway", {U'#', U'¤', U'É', U'Æ', U'Ø', U'Å', U'Ü', U'é', U'æ', U'ø', U'å', U'ü'}},
    {"Denmark II", {U'#', U'$', U'É', U'Æ', U'Ø', U'Å', U'Ü', U'é', U'æ', U'ø', U'å', U'ü'}},
    {"Spain II", {U'#', U'$', U'á', U'¡', U'Ñ', U'¿', U'é', U'`', U'í', U'ñ', U'ó', U'ú'}},
    {"Latin America", {U'#', U'$', U'á', U'¡', U'Ñ', U'¿', U'é', U'ü', U'í', U'ñ', U'ó', U'ú'}},
    {"Korea", {U'#', U'$', U'@', U'[', U'₩', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},
    {"Slovenia/Croatia", {U'#', U'$', U'Ž', U'Š', U'Đ', U'Ć', U'Č', U'ž', U'š', U'đ', U'ć', U'č'}},
    {"China", {U'#', U'¥', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},
    {"Vietnam", {U'#', U'₫', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},
    {"Arabia", {U'#', U'$', U'@', U'[', U'\\', U']', U'^', U'`', U'{', U'|', U'}', U'~'}},
};

const TableName* FindTable(std::uint8_t number) {
    for (const TableName& table : kTables)
        if (table.number == number) return &table;
    return nullptr;
}

char32_t DecodeOne(iconv_t cd, std::uint8_t byte) {
    char in = static_cast<char>(byte);
    unsigned char out[4] = {};
    char* inPtr = &in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = 1, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        outLeft != 0)
        return 0;
    return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                                 static_cast<std::uint32_t>(out[3]) << 24);
}

}  // namespace

const char* CodeTable::Name(std::uint8_t number) {
    const TableName* table = FindTable(number);
    return table ? table->name : nullptr;
}

const char* CodeTable::InternationalName(std::uint8_t set) {
    return set < std::size(kSets) ? kSets[set].name : nullptr;
}

// Tables are decoded on first use and kept for the life of the process.
const CodeTable* CodeTable::Get(std::uint8_t number) {
    static std::mutex mutex;
    static std::array<std::unique_ptr<CodeTable>, 256> tables;
    const TableName* name = FindTable(number);
    if (!name) return nullptr;
    std::lock_guard lock(mutex);
    std::unique_ptr<CodeTable>& table = tables[number];
    if (!table) {
        table = std::make_unique<CodeTable>();
        if (!name->iconvName) {
            std::copy(std::begin(kKatakanaUpper), std::end(kKatakanaUpper), table->m_upper.begin());
            return table.get();
        }
        iconv_t cd = iconv_open("UTF-32LE", name->iconvName);
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            for (int byte = 0x80; byte <= 0xFF; ++byte)
                table->m_upper[byte - 0x80] = DecodeOne(cd, static_cast<std::uint8_t>(byte));
            iconv_close(cd);
        }
        for (const Addition& add : kAdditions)
            if (add.table == number) table->m_upper[add.byte - 0x80] = add.c;
    }
    return table.get();
}

char32_t CodeTable::Decode(std::uint8_t byte, std::uint8_t internationalSet) const {
    if (byte >= 0x80) return m_upper[byte - 0x80];
    if (internationalSet != 0 && internationalSet < std::size(kSets)) {
        for (int k = 0; k < 12; ++k)
            if (kNationalPositions[k] == byte) return kSets[internationalSet].chars[k];
    }
    return byte;
}

void AppendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | c >> 12);
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | c >> 18);
        text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace emu
