// The decoded trace: one line per command, with its stream offset, its bytes in hex (the first
// 16 and the total when longer), its mnemonic and its meaning in words, and note lines for what
// the printer did on its own (conditions, bytes discarded, flow control). Given where to find a
// command's bytes, a longer command's line is followed by continuation lines of 16 bytes each,
// with their offsets, in the same text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "emulator/decoding/DecodedCommand.h"

namespace emu {

class Trace {
  public:
    // Puts the bytes of the stream from offset, length of them, in *bytes; false when it no
    // longer has them all.
    using ByteSource =
        std::function<bool(std::uint64_t offset, std::uint64_t length, std::vector<std::uint8_t>*)>;

    explicit Trace(std::function<void(const std::string&)> writeLine);
    void SetByteSource(ByteSource source) { m_bytes = std::move(source); }

    void Command(const DecodedCommand& command);
    void Note(std::uint64_t offset, const std::string& text);

    // every: all of the command's bytes, or nullptr for the first 16 and the count.
    static std::string FormatCommand(const DecodedCommand& command,
                                     const std::vector<std::uint8_t>* every = nullptr);
    static std::string FormatNote(std::uint64_t offset, const std::string& text);

  private:
    std::function<void(const std::string&)> m_writeLine;
    ByteSource m_bytes;
};

}  // namespace emu
