// Records the port writes the engine makes (each WriteFile call, with its bytes), so that a test
// sees how an operation divides its bytes into writes. The bytes still go to the port.
#pragma once

#include <vector>

#include "platform/win32.h"

namespace printertest {

using Bytes = std::vector<BYTE>;

class WriteRecorder {
  public:
    // Recording runs from construction to Stop; one recorder at a time.
    WriteRecorder();
    ~WriteRecorder();
    WriteRecorder(const WriteRecorder&) = delete;
    WriteRecorder& operator=(const WriteRecorder&) = delete;

    // Ends recording and returns the writes seen, in order.
    std::vector<Bytes> Stop();
};

}  // namespace printertest
