// Internal to platform/: serial ports on the network, named by URL as "rfc2217://HOST:PORT" (a
// device server speaking the Telnet COM-PORT-OPTION) or "socket://HOST:PORT" (raw TCP, data only);
// an IPv6 address goes in brackets ("rfc2217://[::1]:2217").
#pragma once

#include <string>

#include "platform/internal/SerialDevice.h"

namespace platform::detail {

// The kinds of network port, by the start of their URL.
struct NetworkScheme {
    const char* prefix;  // "rfc2217://"
    DeviceOpener open;
    const char* kind;  // what --list-ports says of it
};

// The scheme path starts with, or null for a device path.
const NetworkScheme* FindNetworkScheme(const std::string& path);

// Why what follows the scheme names no host and port, or "" when it does.
std::string NetworkAddressProblem(const std::string& url);

// A connected, non-blocking TCP socket to the URL's host and port, or -1 with the last error set
// and its text saying what went wrong: a malformed address, an unknown host, a refusal, no
// answer in time.
int ConnectNetworkPort(const std::string& url);

// Sets the last error for a port that cannot be opened, with "<url>: <why>" as its text.
void FailNetworkOpen(DWORD code, const std::string& url, const std::string& why);

// The settings a network port starts from: 9600 baud, 8N1, no flow control, DTR and RTS on.
DCB DefaultNetworkDcb();

OpenedDevice OpenSocketDevice(const std::string& url);
OpenedDevice OpenRfc2217Device(const std::string& url);

}  // namespace platform::detail
