// "COMn:" names and the device each one reaches.
#include <map>
#include <mutex>

#include "platform/win32.h"

namespace platform {

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 1024;

struct PortMapTable {
    std::mutex lock;
    std::map<int, std::string> paths;
};

PortMapTable& Table() {
    static PortMapTable table;
    return table;
}

bool ValidPort(int port) { return port >= kFirstPort && port <= kLastPort; }

}  // namespace

bool MapPort(int port, const std::string& path) {
    if (!ValidPort(port)) return false;
    PortMapTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (path.empty()) {
        table.paths.erase(port);
    } else {
        table.paths[port] = path;
    }
    return true;
}

std::string PortPath(int port) {
    if (!ValidPort(port)) return "";
    PortMapTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.paths.find(port);
    if (found != table.paths.end()) return found->second;
    return "/dev/ttyS" + std::to_string(port - 1);
}

}  // namespace platform

namespace platform {

std::map<int, std::string> MappedPorts() {
    PortMapTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.paths;
}

}  // namespace platform
