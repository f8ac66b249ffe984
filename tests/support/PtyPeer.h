// A pseudo-terminal pair standing in for a serial line in tests.
//
// The master end is the peer (the printer's side of the line); the slave is the device the code
// under test opens, by SlavePath() or, for CreateFileW, SlaveName(). Both ends start raw. The
// peer keeps its own descriptor of the slave open, so the line stays up while the code under
// test opens and closes it, and so tests can read back the settings the host put on the device.
// Vanish() closes the master, which hangs the slave up as an unplugged adapter would.
//
//     testsupport::PtyPeer peer;
//     ASSERT_TRUE(peer.Ok());
//     HANDLE port = CreateFileW(peer.SlaveName().c_str(), ...);
//     peer.Write("\x1b@");
//     auto sent = peer.Read(3, std::chrono::milliseconds(500));
#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class PtyPeer {
  public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    // False when no pseudo-terminal could be made (tests should then fail or skip).
    bool Ok() const { return m_master >= 0; }
    const std::string& SlavePath() const { return m_slavePath; }
    std::wstring SlaveName() const;
    int MasterFd() const { return m_master; }

    // Sends bytes to the host, waiting while the line is full; false if the line is gone.
    bool Write(const std::vector<std::uint8_t>& bytes);
    bool Write(const std::string& bytes);

    // Bytes the host sent: up to count, returning early once count have come or when the
    // timeout passes.
    std::vector<std::uint8_t> Read(std::size_t count, std::chrono::milliseconds timeout);
    // Whatever the host sent that is waiting now, without waiting.
    std::vector<std::uint8_t> ReadAvailable();

    // Closes the master: the host's device hangs up. Later Write and Read fail or return nothing.
    void Vanish();

    // The settings the host put on the device, through termios and through termios2 (which
    // alone holds an arbitrary baud rate); false if they cannot be read.
    bool SlaveTermios(termios& out) const;
    bool SlaveBaudRate(std::uint32_t& out) const;
    // Changes the device's settings behind the host's back, as another program could.
    bool SetSlaveTermios(const termios& in);

  private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace testsupport
