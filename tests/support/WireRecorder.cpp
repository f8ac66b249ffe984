#include "tests/support/WireRecorder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/WireTrace.h"

namespace testsupport {

namespace {

constexpr const char* kFileName = "wire.txt";

// The bytes of a trace line "seconds TX device count: hex hex ...", or nothing for any other.
bool ParseSentLine(const std::string& line, WireRecorder::Bytes* pBytes) {
    std::istringstream in(line);
    std::string seconds, direction, device, count;
    if (!(in >> seconds >> direction >> device >> count) || direction != "TX") return false;
    pBytes->clear();
    for (std::string hex; in >> hex;)
        pBytes->push_back(static_cast<std::uint8_t>(std::strtoul(hex.c_str(), nullptr, 16)));
    return true;
}

}  // namespace

WireRecorder::WireRecorder() {
    if (m_dir.Path().empty()) {
        m_error = "no temporary folder for the wire trace";
        return;
    }
    m_recording = platform::SetWireTrace((m_dir / kFileName).string(), &m_error);
}

WireRecorder::~WireRecorder() { Stop(); }

std::vector<WireRecorder::Bytes> WireRecorder::Stop() {
    std::vector<Bytes> writes;
    if (!m_recording) return writes;
    m_recording = false;
    platform::SetWireTrace("", nullptr);
    std::ifstream in(m_dir / kFileName);
    Bytes bytes;
    for (std::string line; std::getline(in, line);)
        if (ParseSentLine(line, &bytes)) writes.push_back(bytes);
    return writes;
}

WireRecorder::Bytes Joined(const std::vector<WireRecorder::Bytes>& writes) {
    WireRecorder::Bytes all;
    for (const WireRecorder::Bytes& write : writes)
        all.insert(all.end(), write.begin(), write.end());
    return all;
}

}  // namespace testsupport
