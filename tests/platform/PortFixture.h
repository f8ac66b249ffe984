// A serial port opened on a fresh pseudo-terminal, for the serial tests of this folder.
#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "platform/win32.h"
#include "tests/support/PtyPeer.h"

// Opens the pseudo-terminal's device as the engine opens a port.
inline HANDLE OpenPty(const testsupport::PtyPeer& pty) {
    return CreateFileW(pty.SlaveName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class PortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(peer.Ok()) << "no pseudo-terminal";
        port = OpenPty(peer);
        ASSERT_NE(port, INVALID_HANDLE_VALUE) << platform::LastErrorText();
    }
    void TearDown() override {
        if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    }

    void SetTimeouts(DWORD interval, DWORD readMultiplier, DWORD readConstant,
                     DWORD writeMultiplier = 0, DWORD writeConstant = 0) {
        COMMTIMEOUTS t{interval, readMultiplier, readConstant, writeMultiplier, writeConstant};
        ASSERT_TRUE(SetCommTimeouts(port, &t));
    }

    testsupport::PtyPeer peer;
    HANDLE port = INVALID_HANDLE_VALUE;
};

using Millis = std::chrono::milliseconds;

inline Millis Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start);
}
