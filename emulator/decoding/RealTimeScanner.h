// Finds the real-time commands in raw bytes as they arrive, whatever command they sit in, as a
// printer's receive path does. It is used while input waits undecoded (paper out) or is being
// discarded (asleep), so that status requests and sleep commands are still answered then.
#pragma once

#include <array>
#include <cstdint>

namespace emu {

class RealTimeScanner {
  public:
    enum class Kind : std::uint8_t { None, StatusRequest, ClearBuffers, EnterSleep, LeaveSleep };

    // Takes the next byte; returns the command that this byte completes, if any.
    Kind Push(std::uint8_t byte);

    static std::size_t Length(Kind kind);
    static const std::uint8_t* Bytes(Kind kind);

  private:
    std::array<std::uint8_t, 10> m_recent{};  // the longest command is 10 bytes
    std::size_t m_count = 0;                  // bytes seen, saturating at the ring size
    std::size_t m_next = 0;
};

}  // namespace emu
