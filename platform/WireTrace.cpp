#include "platform/WireTrace.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/win32.h"

namespace platform {

namespace {

std::string Reason(const std::string& path, int err) { return path + ": " + std::strerror(err); }

struct WireTraceFile {
    std::mutex lock;
    std::atomic<bool> on{false};
    std::FILE* file = nullptr;
    bool ownsFile = false;
    std::string path;
    std::string failure;
    std::chrono::steady_clock::time_point start;

    void CloseLocked() {
        on = false;
        if (file != nullptr && ownsFile) std::fclose(file);
        file = nullptr;
        ownsFile = false;
    }

    // A trace with holes would mislead: it stops at the first failed write, and says so once.
    void FailLocked(int err) {
        failure = Reason(path, err);
        CloseLocked();
        NKDbgPrintfW(L"\nwire trace: cannot write %hs; tracing stopped\n", failure.c_str());
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
    // Every line was flushed as it was written: closing loses nothing.
    trace.CloseLocked();
    if (path.empty()) return true;
    trace.failure.clear();
    std::FILE* file = path == "-" ? stdout : std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        if (error != nullptr) *error = Reason(path, errno);
        return false;
    }
    trace.file = file;
    trace.ownsFile = file != stdout;
    trace.path = path == "-" ? "standard output" : path;
    trace.start = std::chrono::steady_clock::now();
    // The heading is flushed at once, so a file that takes nothing (/dev/full) is refused here.
    if (std::fputs(
            "# seconds since start (monotonic), TX written / RX read, device, count: bytes\n",
            file) < 0 ||
        std::fflush(file) != 0) {
        const int err = errno;
        trace.CloseLocked();
        if (error != nullptr) *error = Reason(path, err);
        return false;
    }
    trace.on = true;
    return true;
}

std::string WireTraceFailure() {
    WireTraceFile& trace = Trace();
    std::lock_guard<std::mutex> guard(trace.lock);
    return trace.failure;
}

void TraceLineEvent(const std::string& device, const std::string& text) {
    WireTraceFile& trace = Trace();
    if (!trace.on.load(std::memory_order_relaxed)) return;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> guard(trace.lock);
    if (trace.file == nullptr) return;
    const double seconds = std::chrono::duration<double>(now - trace.start).count();
    if (std::fprintf(trace.file, "%.6f -- %s %s\n", seconds, device.c_str(), text.c_str()) < 0 ||
        std::fflush(trace.file) != 0) {
        trace.FailLocked(errno);
    }
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
    if (std::fprintf(trace.file, "%.6f %s %s %zu:%s\n", seconds,
                     direction == WireDirection::Sent ? "TX" : "RX", device.c_str(), count,
                     line.c_str()) < 0 ||
        std::fflush(trace.file) != 0) {
        trace.FailLocked(errno);
    }
}

}  // namespace detail
}  // namespace platform
