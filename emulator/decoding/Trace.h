// The decoded trace: one line per command, with its stream offset, its bytes in hex (the first
// 16 and the total when longer), its mnemonic and its meaning in words, and note lines for what
// the printer did on its own (conditions, bytes discarded, flow control).
#pragma once

#include <functional>
#include <string>

#include "emulator/decoding/DecodedCommand.h"

namespace emu {

class Trace {
  public:
    explicit Trace(std::function<void(const std::string&)> writeLine);

    void Command(const DecodedCommand& command);
    void Note(std::uint64_t offset, const std::string& text);

    static std::string FormatCommand(const DecodedCommand& command);
    static std::string FormatNote(std::uint64_t offset, const std::string& text);

  private:
    std::function<void(const std::string&)> m_writeLine;
};

}  // namespace emu
