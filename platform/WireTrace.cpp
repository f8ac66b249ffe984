#include "platform/WireTrace.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

struct WireTraceFile {
    std::mutex lock;
    std::atomic<bool> on{false};
    std::FILE* file = nullptr;
    bool ownsFile = false;
    std::chrono::steady_clock::time_point start;

    void CloseLocked() {
        on = false;
        if (file != nullptr && ownsFile) std::fclose(file);
        file = nullptr;
        ownsFile = false;
    }
};

WireTraceFile& Trace() {
    static WireTraceFile trace;
    return trace;
}

}  // namespace

bool SetWireTrace(const std::string& path, std::string* error) {
    WireTraceFile& trace = Trace();
    std::lock_guard<std::mutex> guard(trace.lock);
    trace.CloseLocked();
    if (path.empty()) return true;
    std::FILE* file = path == "-" ? stdout : std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        if (error != nullptr) *error = path + ": " + std::strerror(errno);
        return false;
    }
    trace.file = file;
    trace.ownsFile = file != stdout;
    trace.start = std::chrono::steady_clock::now();
    std::fputs("# seconds since start (monotonic), TX written / RX read, device, count: bytes\n",
               file);
    std::fflush(file);
    trace.on = true;
    return true;
}

void TraceLineEvent(const std::string& device, const std::string& text) {
    WireTraceFile& trace = Trace();
    if (!trace.on.load(std::memory_order_relaxed)) return;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> guard(trace.lock);
    if (trace.file == nullptr) return;
    const double seconds = std::chrono::duration<double>(now - trace.start).count();
    std::fprintf(trace.file, "%.6f -- %s %s\n", seconds, device.c_str(), text.c_str());
    std::fflush(trace.file);
}

namespace detail {

void TraceWire(WireDirection direction, const std::string& device, const std::uint8_t* bytes,
               std::size_t count) {
    WireTraceFile& trace = Trace();
    if (!trace.on.load(std::memory_order_relaxed) || count == 0) return;
    const auto now = std::chrono::steady_clock::now();
    // Formatted outside the lock: a long raster write must not hold up the other direction.
    std::string line;
    line.reserve(48 + device.size() + count * 3);
    static const char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        line += ' ';
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 0x0F];
    }
    std::lock_guard<std::mutex> guard(trace.lock);
    if (trace.file == nullptr) return;
    const double seconds = std::chrono::duration<double>(now - trace.start).count();
    std::fprintf(trace.file, "%.6f %s %s %zu:%s\n", seconds,
                 direction == WireDirection::Sent ? "TX" : "RX", device.c_str(), count,
                 line.c_str());
    std::fflush(trace.file);
}

}  // namespace detail
}  // namespace platform
