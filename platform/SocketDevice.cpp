// "socket://HOST:PORT": raw TCP, data only. The line settings have nowhere to go: they are kept
// here, so the port behaves as one that took them, and the debug output says they were not sent.
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/internal/NetworkPort.h"

namespace platform::detail {

namespace {

constexpr std::size_t kDiscardChunk = 4096;

// A peer that reset the connection has gone, as a device that was unplugged.
ssize_t Gone(ssize_t n) {
    if (n < 0 && (errno == ECONNRESET || errno == ETIMEDOUT)) errno = EPIPE;
    return n;
}

class SocketDevice final : public SerialDevice {
  public:
    SocketDevice(int fd, std::string url) : m_fd(fd), m_url(std::move(url)) {}
    ~SocketDevice() override { close(m_fd); }
    SocketDevice(const SocketDevice&) = delete;
    SocketDevice& operator=(const SocketDevice&) = delete;

    int Fd() const override { return m_fd; }
    Capabilities Caps() const override { return {}; }
    ssize_t Read(BYTE* buffer, std::size_t count) override {
        return Gone(recv(m_fd, buffer, count, MSG_DONTWAIT));
    }
    ssize_t Write(const BYTE* data, std::size_t count) override {
        return Gone(send(m_fd, data, count, MSG_DONTWAIT | MSG_NOSIGNAL));
    }
    int InputWaiting(int& bytes) override {
        if (ioctl(m_fd, FIONREAD, &bytes) != 0) return errno;
        // The end of the stream reads as readable with nothing waiting; left unseen, every wait
        // would wake at once, again and again.
        BYTE probe = 0;
        if (bytes == 0 && recv(m_fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 0) return EPIPE;
        return 0;
    }
    int OutputQueued(int& bytes) override { return ioctl(m_fd, SIOCOUTQ, &bytes) == 0 ? 0 : errno; }
    int DiscardInput() override {
        BYTE scratch[kDiscardChunk];
        while (recv(m_fd, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
        }
        return 0;
    }
    // What the kernel queued for the peer cannot be taken back.
    int DiscardOutput() override { return 0; }
    int Drain() override { return 0; }
    int GetState(const DCB& set, DCB& reported) override {
        reported = set;
        return 0;
    }
    int SetState(const DCB&, DWORD& refused) override {
        refused = ERROR_SUCCESS;
        if (!m_said) {
            NKDbgPrintfW(
                L"%hs: a raw TCP port carries data only; line settings and flow control "
                L"are kept here and not sent (use rfc2217:// to change them)\r\n",
                m_url.c_str());
            m_said = true;
        }
        return 0;
    }
    int ModemStatus(DWORD& bits) override {
        bits = 0;
        return ENOTTY;
    }
    bool ReadCounters(LineCounters&) override { return false; }
    int ClearBreak() override { return 0; }

  private:
    const int m_fd;
    const std::string m_url;
    bool m_said = false;
};

}  // namespace

OpenedDevice OpenSocketDevice(const std::string& url) {
    int fd = ConnectNetworkPort(url);
    if (fd < 0) return {};
    OpenedDevice opened;
    opened.device = std::make_unique<SocketDevice>(fd, url);
    opened.settings = DefaultNetworkDcb();
    return opened;
}

}  // namespace platform::detail
