// Records the port writes a test makes, through the platform's wire trace: each WriteFile that
// moved bytes, with those bytes, in the order they went out. The bytes still reach the line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace testsupport {

class WireRecorder {
  public:
    using Bytes = std::vector<std::uint8_t>;

    // Recording runs from construction to Stop; it holds the process's one wire trace.
    WireRecorder();
    ~WireRecorder();
    WireRecorder(const WireRecorder&) = delete;
    WireRecorder& operator=(const WireRecorder&) = delete;

    // False, with the reason in Error(), when the trace could not be started.
    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }

    // Ends recording and returns the writes seen, in order.
    std::vector<Bytes> Stop();

  private:
    TempDir m_dir;
    std::string m_error;
    bool m_recording = false;
};

// The writes joined into the stream that went out.
WireRecorder::Bytes Joined(const std::vector<WireRecorder::Bytes>& writes);

}  // namespace testsupport
