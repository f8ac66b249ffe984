#include "emulator/http/RequestGuard.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace emu {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsNumericAddress(const std::string& host) {
    in6_addr address{};
    return ::inet_pton(AF_INET, host.c_str(), &address) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), &address) == 1;
}

bool IsWildcard(const std::string& host) { return host == "0.0.0.0" || host == "::"; }

bool IsLoopback(const std::string& host) {
    return host.rfind("127.", 0) == 0 || host == "::1" || host == "localhost";
}

// "NAME:PORT" or "[V6]:PORT" into the name (without brackets, lower case) and the port text.
void SplitHost(const std::string& host, std::string* name, std::string* port) {
    const std::string text = Lower(host);
    std::size_t colon = std::string::npos;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos) {
            *name = text;
            return;
        }
        *name = text.substr(1, close - 1);
        colon = text.find(':', close);
    } else {
        colon = text.rfind(':');
        *name = text.substr(0, colon);
    }
    *port = colon == std::string::npos ? "" : text.substr(colon + 1);
}

}  // namespace

RequestGuard::RequestGuard(const ListenAddress& address, std::uint16_t port)
    : m_host(address.host), m_port(port) {}

std::optional<std::string> RequestGuard::RefusedHost(const std::string& host) const {
    std::string name, port;
    SplitHost(host, &name, &port);
    const bool addressOk = name == m_host || (IsWildcard(m_host) && IsNumericAddress(name)) ||
                           (name == "localhost" && IsLoopback(m_host));
    if (addressOk && port == std::to_string(m_port)) return std::nullopt;
    return "the Host header '" + host + "' does not name this printer's address (" +
           (m_host.find(':') != std::string::npos ? "[" + m_host + "]" : m_host) + ":" +
           std::to_string(m_port) + "); open the page by its address";
}

std::optional<std::string> RequestGuard::RefusedOrigin(const std::string& origin,
                                                       const std::string& host,
                                                       const std::string& fetchSite) const {
    if (fetchSite == "cross-site" || fetchSite == "same-site") {
        return "a request from another site may not change the printer";
    }
    if (origin.empty()) return std::nullopt;  // not sent by a page: a test suite, curl
    if (Lower(origin) == "http://" + Lower(host)) return std::nullopt;
    return "a request from the page at " + origin + " may not change the printer";
}

bool ChangesState(const std::string& method) { return method != "GET" && method != "HEAD"; }

}  // namespace emu
