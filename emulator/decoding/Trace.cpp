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

void Trace::Command(const DecodedCommand& command) { m_writeLine(FormatCommand(command)); }

void Trace::Note(std::uint64_t offset, const std::string& text) {
    m_writeLine(FormatNote(offset, text));
}

std::string Trace::FormatCommand(const DecodedCommand& command) {
    std::string hex;
    std::size_t shown = static_cast<std::size_t>(
        std::min<std::uint64_t>(command.length, DecodedCommand::kHeadBytes));
    for (std::size_t k = 0; k < shown; ++k) {
        char buf[4];
        std::snprintf(buf, sizeof buf, k ? " %02X" : "%02X", command.head[k]);
        hex += buf;
    }
    if (command.length > shown) hex += " … (" + std::to_string(command.length) + " bytes)";
    std::string line = Offset(command.offset) + "  " + hex;
    PadTo(line, 10 + kHexColumn + 2);
    std::string mnemonic = command.mnemonic;
    PadTo(mnemonic, kMnemonicColumn);
    line += mnemonic + "  " + command.meaning;
    return line;
}

std::string Trace::FormatNote(std::uint64_t offset, const std::string& text) {
    return Offset(offset) + "  -- " + text;
}

}  // namespace emu
