// Which requests the printer's HTTP side answers. A page on another site can make a browser send
// requests here, and with a name of its own that resolves here (DNS rebinding) read the answers;
// so the Host header must name the address served, and a request that changes anything must come
// from the printer's own page or from no page at all.
#pragma once

#include <optional>
#include <string>

#include "emulator/link/TcpListener.h"

namespace emu {

class RequestGuard {
  public:
    // address as asked for (a wildcard serves every interface), port as bound.
    RequestGuard(const ListenAddress& address, std::uint16_t port);

    // Why a request with this Host header is refused, or nothing. Loopback also answers to
    // "localhost"; a wildcard address to any address given as numbers, never a name.
    std::optional<std::string> RefusedHost(const std::string& host) const;
    // Why a request that changes something, with these headers, is refused, or nothing.
    std::optional<std::string> RefusedOrigin(const std::string& origin, const std::string& host,
                                             const std::string& fetchSite) const;

  private:
    std::string m_host;  // as asked for, without brackets
    std::uint16_t m_port;
};

// A method that changes the printer's state (everything but GET and HEAD).
bool ChangesState(const std::string& method);

}  // namespace emu
