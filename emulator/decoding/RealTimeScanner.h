// Finds the real-time commands in raw bytes as they arrive, whatever command they sit in, as a
// printer's receive path does. It is used while input waits undecoded (paper out) or is being
// discarded (asleep), so that status requests and sleep commands are still answered then.
#pragma once

#include <array>
#include <cstdint>

namespace emu {

class RealTimeScanner {
  public:
    // RealTimeStatus: DLE EOT n, n = 1..4, which only the common ESC/POS printers answer.
    enum class Kind : std::uint8_t {
        None,
        StatusRequest,
        RealTimeStatus,
        ClearBuffers,
        EnterSleep,
        LeaveSleep
    };

    explicit RealTimeScanner(bool realTimeStatus = false) : m_realTimeStatus(realTimeStatus) {}

    // Takes the next byte; returns the command that this byte completes, if any.
    Kind Push(std::uint8_t byte);
    // The n of the last RealTimeStatus found.
    std::uint8_t StatusNumber() const { return m_statusNumber; }

    static std::size_t Length(Kind kind);
    // RealTimeStatus: DLE EOT without its n.
    static const std::uint8_t* Bytes(Kind kind);

  private:
    std::array<std::uint8_t, 10> m_recent{};  // the longest command is 10 bytes
    std::size_t m_count = 0;                  // bytes seen, saturating at the ring size
    std::size_t m_next = 0;
    bool m_realTimeStatus;
    std::uint8_t m_statusNumber = 0;
};

}  // namespace emu
