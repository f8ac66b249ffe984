// Running an operator script against the main dialog in the test process, and the printer's
// side of the line on a pty mapped to a port.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/PrinterDemoDlg.h"
#include "framework/ScriptRunner.h"
#include "tests/support/PtyPeer.h"

namespace apptest {

using Bytes = std::vector<std::uint8_t>;

// Runs the script on the dialog; adds a test failure when it does not pass.
inline void ExpectScriptPasses(CDialog& dialog, const std::string& script,
                               CScriptRunner* pRunner = nullptr) {
    CScriptRunner local;
    CScriptRunner& runner = pRunner != nullptr ? *pRunner : local;
    std::string error;
    ASSERT_TRUE(runner.LoadText(script, "script", &error)) << error;
    EXPECT_EQ(runner.Run(dialog), CScriptRunner::kExitPassed) << runner.Failure();
}

// A pty standing in for the printer, reached as COM<port>.
class PrinterLine {
  public:
    explicit PrinterLine(int port) : m_port(port) { platform::MapPort(port, m_peer.SlavePath()); }
    ~PrinterLine() { platform::MapPort(m_port, ""); }

    testsupport::PtyPeer& Peer() { return m_peer; }

    // Everything the host sent until it ends with suffix (or the time is up).
    Bytes ReadUntil(const Bytes& suffix,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        Bytes seen;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (seen.size() >= suffix.size() &&
                std::equal(suffix.rbegin(), suffix.rend(), seen.rbegin())) {
                break;
            }
            const Bytes more = m_peer.Read(1, std::chrono::milliseconds(50));
            seen.insert(seen.end(), more.begin(), more.end());
        }
        return seen;
    }

  private:
    int m_port;
    testsupport::PtyPeer m_peer;
};

}  // namespace apptest
