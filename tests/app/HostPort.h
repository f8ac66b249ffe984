// The host end of a line in the app tests: "COMn:" opened through the platform's serial calls,
// as CPrinterPort opens it, with a few plain helpers.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"

namespace apptest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class HostPort {
  public:
    explicit HostPort(int port) {
        const std::wstring name = L"COM" + std::to_wstring(port) + L":";
        m_handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (m_handle == INVALID_HANDLE_VALUE) return;
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 5000};  // reads return at once
        SetCommTimeouts(m_handle, &timeouts);
    }
    ~HostPort() {
        if (Ok()) CloseHandle(m_handle);
    }
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    bool Ok() const { return m_handle != INVALID_HANDLE_VALUE; }

    bool Write(const Bytes& bytes) {
        DWORD written = 0;
        return WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) &&
               written == bytes.size();
    }

    bool SetBaudRate(DWORD baud) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(m_handle, &dcb)) return false;
        dcb.BaudRate = baud;
        return SetCommState(m_handle, &dcb);
    }

    // Up to count bytes, waiting no longer than timeout for them.
    Bytes Read(std::size_t count, std::chrono::milliseconds timeout) {
        Bytes got;
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count && std::chrono::steady_clock::now() < until) {
            BYTE buffer[64];
            DWORD n = 0;
            if (!ReadFile(m_handle, buffer, sizeof buffer, &n, nullptr)) break;
            got.insert(got.end(), buffer, buffer + n);
            if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return got;
    }

  private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// Polls until done() or the timeout; true when done.
template <class Done>
bool WaitUntil(Done done, std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace apptest
