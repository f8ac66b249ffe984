#include "platform/internal/LinePeer.h"

#include <algorithm>
#include <limits>
#include <map>
#include <mutex>

namespace platform {

namespace {

struct Peer {
    std::function<std::uint64_t()> taken;
    std::uint64_t takenBase = 0;  // the peer's count when it was attached
    std::uint64_t written = 0;
};

struct PeerTable {
    std::mutex lock;
    std::map<std::string, Peer> peers;
};

PeerTable& Table() {
    static PeerTable table;
    return table;
}

}  // namespace

void AttachLinePeer(const std::string& path, std::function<std::uint64_t()> taken) {
    PeerTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!taken) {
        table.peers.erase(path);
        return;
    }
    const std::uint64_t base = taken();
    table.peers[path] = Peer{std::move(taken), base, 0};
}

namespace detail {

void PeerWrote(const std::string& path, DWORD count) {
    PeerTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.peers.find(path);
    if (found != table.peers.end()) found->second.written += count;
}

DWORD PeerOutstanding(const std::string& path) {
    PeerTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.peers.find(path);
    if (found == table.peers.end()) return 0;
    const Peer& peer = found->second;
    const std::uint64_t taken = peer.taken() - peer.takenBase;
    // Another thread may sample between a write reaching the device and its count here.
    if (taken >= peer.written) return 0;
    return static_cast<DWORD>(
        std::min<std::uint64_t>(peer.written - taken, std::numeric_limits<DWORD>::max()));
}

}  // namespace detail
}  // namespace platform
