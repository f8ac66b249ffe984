// What a demonstration sends: run on a printer channel open on a pseudo-terminal and recorded at
// the port, write by write.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "app/DemonstrationTable.h"

// Test names and failure messages show a demonstration by its name rather than its bytes.
inline void PrintTo(const Demonstration& demo, std::ostream* out) { *out << demo.Name(); }

namespace apptest {

// The stream print sends on an open channel; adds a test failure and returns what it has when
// the channel cannot be opened or recorded.
std::vector<std::uint8_t> SentBy(void (*print)(CPrinterPort&));

}  // namespace apptest
