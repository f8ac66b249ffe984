// A pty peer standing behind a port number: "COM<n>:" opens its slave for as long as it lives.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/win32.h"
#include "tests/support/PtyPeer.h"

namespace enginetest {

class PeerLink {
  public:
    explicit PeerLink(int port) : m_port(port) {
        EXPECT_TRUE(m_peer.Ok()) << "no pseudo-terminal";
        EXPECT_TRUE(platform::MapPort(port, m_peer.SlavePath()));
    }
    ~PeerLink() { platform::MapPort(m_port, ""); }
    PeerLink(const PeerLink&) = delete;
    PeerLink& operator=(const PeerLink&) = delete;

    void Send(const std::string& bytes) { EXPECT_TRUE(m_peer.Write(bytes)); }
    // What the port sent: count bytes, or fewer when the time-out passes first.
    std::string Receive(std::size_t count, int timeoutMs = 2000) {
        const auto bytes = m_peer.Read(count, std::chrono::milliseconds(timeoutMs));
        return std::string(bytes.begin(), bytes.end());
    }
    void Vanish() { m_peer.Vanish(); }
    testsupport::PtyPeer& Peer() { return m_peer; }

  private:
    int m_port;
    testsupport::PtyPeer m_peer;
};

}  // namespace enginetest
