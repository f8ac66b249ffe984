// Finds the real-time commands in raw bytes as they arrive, whatever command they sit in, as a
// printer's receive path does. It is used while input waits undecoded (paper out) or is being
// discarded (asleep), so that status requests and sleep commands are still answered then.
#pragma once

#include <array>
#include <cstdint>

namespace emu {

class RealTimeScanner {
  public:
    // Only the common ESC/POS printers have RealTimeStatus (DLE EOT n, n = 1..4), Recover
    // (DLE ENQ 1 or 2) and Pulse (DLE DC4 1 m t, m 0 or 1, t 1..8).
    enum class Kind : std::uint8_t {
        None,
        StatusRequest,
        RealTimeStatus,
        ClearBuffers,
        EnterSleep,
        LeaveSleep,
        Recover,
        Pulse
    };

    explicit RealTimeScanner(bool realTimeStatus = false) : m_realTimeStatus(realTimeStatus) {}

    // Takes the next byte; returns the command that this byte completes, if any.
    Kind Push(std::uint8_t byte);
    // The n of the last RealTimeStatus found.
    std::uint8_t StatusNumber() const { return m_found[2]; }
    // The bytes of the last command found (Length(kind) of them).
    const std::uint8_t* Found() const { return m_found.data(); }

    static std::size_t Length(Kind kind);
    // Fixed commands only (StatusRequest, ClearBuffers, EnterSleep, LeaveSleep).
    static const std::uint8_t* Bytes(Kind kind);

  private:
    std::uint8_t Back(std::size_t n) const {  // the byte n places before the newest (0)
        return m_recent[(m_next + m_recent.size() - 1 - n) % m_recent.size()];
    }
    Kind FoundLast(Kind kind, std::size_t length);

    std::array<std::uint8_t, 10> m_recent{};  // the longest command is 10 bytes
    std::size_t m_count = 0;                  // bytes seen, saturating at the ring size
    std::size_t m_next = 0;
    bool m_realTimeStatus;
    std::array<std::uint8_t, 10> m_found{};
};

}  // namespace emu
