// The status replies of the common ESC/POS printers, built from the conditions standing:
// DLE EOT n real-time status bytes, GS r n transmitted status, the 4-byte automatic status back
// (GS a) and GS I n identification. The module answers none of these; see StatusModel.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "emulator/device/Condition.h"

namespace emu {

// Whether the conditions standing take the printer off-line (it then holds what it is sent).
bool OffLine(ConditionSet conditions);
// DLE EOT n, n = 1 printer, 2 off-line cause, 3 error cause, 4 paper sensor; none for other n.
std::optional<std::uint8_t> RealTimeStatusByte(ConditionSet conditions, std::uint8_t n);
// GS r n, n = 1 paper sensor, 2 drawer; none for other n.
std::optional<std::uint8_t> TransmittedStatusByte(ConditionSet conditions, std::uint8_t n);
std::vector<std::uint8_t> AutomaticStatusBack(ConditionSet conditions);
// The GS a n bits (drawer 0, on-line 1, error 2, paper sensor 3) a condition's change reports
// under.
std::uint8_t StatusBackCategories(Condition condition);
// GS I n: model, type and version IDs (1..3) as one byte, firmware (65), maker (66) and model
// (67) names as a header byte 0x5F, the text and NUL; empty for other n.
std::vector<std::uint8_t> PrinterIdReply(std::string_view modelName, std::uint8_t n);

}  // namespace emu
