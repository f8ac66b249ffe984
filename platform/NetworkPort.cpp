// Addresses and connections of the serial ports on the network.
#include "platform/internal/NetworkPort.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/internal/DcbTermios.h"
#include "platform/internal/Deadline.h"
#include "platform/internal/LastError.h"

namespace platform::detail {

namespace {

// A device server on the local network answers in milliseconds; one that has not within this
// long is not going to.
constexpr std::uint64_t kConnectLimitMs = 5000;
constexpr int kSendQueue = 64 * 1024;

bool AllDigits(const std::string& text) {
    return !text.empty() && text.size() <= 5 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// Waits for a non-blocking connect to finish; 0 once connected, else errno (ETIMEDOUT).
int FinishConnect(int fd, const Deadline& deadline) {
    for (;;) {
        pollfd entry{fd, POLLOUT, 0};
        int n = poll(&entry, 1, PollTimeoutMs(deadline));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ETIMEDOUT;
        int err = 0;
        socklen_t length = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &length) != 0) return errno;
        return err;
    }
}

struct NetworkAddress {
    std::string host;
    std::string service;
};

// Splits what follows the scheme; false with a reason when it names no host and port.
bool ParseNetworkAddress(const std::string& rest, NetworkAddress& out, std::string& problem) {
    std::string::size_type colon;
    if (!rest.empty() && rest[0] == '[') {
        const std::string::size_type close = rest.find(']');
        if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            problem = "an IPv6 address wants brackets and a port, as in [::1]:2217";
            return false;
        }
        out.host = rest.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = rest.rfind(':');
        if (colon == std::string::npos) {
            problem = "no port: write HOST:PORT";
            return false;
        }
        out.host = rest.substr(0, colon);
        if (out.host.find(':') != std::string::npos) {
            problem = "an IPv6 address goes in brackets, as in [::1]:2217";
            return false;
        }
    }
    out.service = rest.substr(colon + 1);
    if (out.host.empty()) {
        problem = "no host: write HOST:PORT";
        return false;
    }
    if (!AllDigits(out.service) || std::stoul(out.service) == 0 ||
        std::stoul(out.service) > 65535) {
        problem = "the port must be a number from 1 to 65535";
        return false;
    }
    return true;
}

constexpr NetworkScheme kSchemes[] = {
    {"rfc2217://", OpenRfc2217Device, "network, RFC 2217 device server"},
    {"socket://", OpenSocketDevice, "network, raw TCP: data only"},
};

std::string AfterScheme(const std::string& url) {
    const std::string::size_type at = url.find("://");
    return at == std::string::npos ? url : url.substr(at + 3);
}

}  // namespace

const NetworkScheme* FindNetworkScheme(const std::string& path) {
    for (const NetworkScheme& scheme : kSchemes) {
        if (path.rfind(scheme.prefix, 0) == 0) return &scheme;
    }
    return nullptr;
}

std::string NetworkAddressProblem(const std::string& url) {
    NetworkAddress address;
    std::string problem;
    return ParseNetworkAddress(AfterScheme(url), address, problem) ? "" : problem;
}

// What a local device reports for a raw 9600 8N1 line.
DCB DefaultNetworkDcb() {
    DeviceTermios t;
    t.cflag = CS8 | CREAD | CLOCAL;
    SetDeviceBaudRate(t, 9600);
    return DcbFromTermios(t);
}

void FailNetworkOpen(DWORD code, const std::string& url, const std::string& why) {
    SetLastErrorText(code, url + ": " + why);
}

int ConnectNetworkPort(const std::string& url) {
    NetworkAddress address;
    std::string problem;
    if (!ParseNetworkAddress(AfterScheme(url), address, problem)) {
        FailNetworkOpen(ERROR_FILE_NOT_FOUND, url, problem);
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    if (int err = getaddrinfo(address.host.c_str(), address.service.c_str(), &hints, &found)) {
        const bool unknown = err == EAI_NONAME || err == EAI_NODATA || err == EAI_FAIL;
        FailNetworkOpen(ERROR_FILE_NOT_FOUND, url,
                        unknown ? "unknown host " + address.host
                                : std::string("cannot look up the host: ") + gai_strerror(err));
        return -1;
    }
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> list(found, freeaddrinfo);
    const Deadline deadline = DeadlineAfter(kConnectLimitMs);
    int lastErr = ECONNREFUSED;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        int fd =
            socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastErr = errno;
            continue;
        }
        int err = connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (err == EINPROGRESS) err = FinishConnect(fd, deadline);
        if (err == 0) {
            // Status bytes and small commands go out at once rather than waiting to be joined.
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            // A serial driver's queue, not the megabytes the kernel would grow to: writes wait
            // (and time out) while the line is held back, and the output count stays true.
            int queue = kSendQueue;
            setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &queue, sizeof queue);
            return fd;
        }
        close(fd);
        lastErr = err;
        if (err == ETIMEDOUT) break;
    }
    if (lastErr == ETIMEDOUT) {
        FailNetworkOpen(ERROR_TIMEOUT, url,
                        "no answer within " + std::to_string(kConnectLimitMs / 1000) +
                            " s; check the address and that the device server is on");
    } else if (lastErr == ECONNREFUSED) {
        FailNetworkOpen(ERROR_FILE_NOT_FOUND, url,
                        "connection refused; nothing listens on port " + address.service);
    } else {
        FailNetworkOpen(ERROR_GEN_FAILURE, url, std::strerror(lastErr));
    }
    return -1;
}

}  // namespace platform::detail

namespace platform {

std::string NetworkPortKind(const std::string& path) {
    const detail::NetworkScheme* scheme = detail::FindNetworkScheme(path);
    return scheme != nullptr ? scheme->kind : "";
}

std::string PortPathProblem(const std::string& path) {
    const detail::NetworkScheme* scheme = detail::FindNetworkScheme(path);
    if (scheme == nullptr) {
        return path.find("://") != std::string::npos
                   ? "network ports are rfc2217://HOST:PORT or socket://HOST:PORT"
                   : "";
    }
    return detail::NetworkAddressProblem(path);
}

}  // namespace platform
