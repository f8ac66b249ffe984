#include "emulator/decoding/Trace.h"

#include <algorithm>
#include <cstdio>

namespace emu {

namespace {
constexpr int kHexColumn = 64;  // 16 bytes and "… (NNNNNNN bytes)"
constexpr int kMnemonicColumn = 8;

std::string Offset(std::uint64_t offset) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%8llu", static_cast<unsigned long long>(offset));
    return buf;
}

void PadTo(std::string& text, std::size_t columns) {
    // Width in characters, not bytes: "…" is three bytes of UTF-8.
    std::size_t width = 0;
    for (unsigned char c : text) width += (c & 0xC0) != 0x80;
    if (width < columns) text.append(columns - width, ' ');
}
}  // namespace

Trace::Trace(std::function<void(const std::string&)> writeLine)
    : m_writeLine(std::move(writeLine)) {}

void Trace::Command(const DecodedCommand& command) {
    std::vector<std::uint8_t> every;
    const bool whole = m_bytes && command.length > DecodedCommand::kHeadBytes &&
                       m_bytes(command.offset, command.length, &every);
    m_writeLine(FormatCommand(command, whole ? &every : nullptr));
}

void Trace::Note(std::uint64_t offset, const std::string& text) {
    m_writeLine(FormatNote(offset, text));
}

std::string Trace::FormatCommand(const DecodedCommand& command,
                                 const std::vector<std::uint8_t>* every) {
    const std::uint8_t* bytes = every ? every->data() : command.head.data();
    const auto hexOf = [bytes](std::size_t from, std::size_t to) {
        std::string hex;
        for (std::size_t k = from; k < to; ++k) {
            char buf[4];
            std::snprintf(buf, sizeof buf, k > from ? " %02X" : "%02X", bytes[k]);
            hex += buf;
        }
        return hex;
    };
    const std::size_t shown = static_cast<std::size_t>(
        std::min<std::uint64_t>(command.length, DecodedCommand::kHeadBytes));
    std::string hex = hexOf(0, shown);
    if (command.length > shown && !every) {
        hex += " … (" + std::to_string(command.length) + " bytes)";
    }
    std::string line = Offset(command.offset) + "  " + hex;
    PadTo(line, 10 + kHexColumn + 2);
    std::string mnemonic = command.mnemonic;
    PadTo(mnemonic, kMnemonicColumn);
    line += mnemonic + "  " + command.meaning;
    for (std::size_t from = shown; every && from < every->size();
         from += DecodedCommand::kHeadBytes) {
        const std::size_t to = std::min(every->size(), from + DecodedCommand::kHeadBytes);
        line += "\n" + Offset(command.offset + from) + "  " + hexOf(from, to);
    }
    return line;
}

std::string Trace::FormatNote(std::uint64_t offset, const std::string& text) {
    return Offset(offset) + "  -- " + text;
}

}  // namespace emu
