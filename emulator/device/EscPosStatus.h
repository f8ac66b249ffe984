// The status replies of the common ESC/POS printers, built from this printer's five conditions:
// DLE EOT n real-time status bytes, GS r n transmitted status, the 4-byte automatic status back
// (GS a) and GS I n identification. The module answers none of these; see StatusModel.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace emu {

// DLE EOT n, n = 1 printer, 2 off-line cause, 3 error cause, 4 paper sensor; none for other n.
std::optional<std::uint8_t> RealTimeStatusByte(std::uint8_t conditions, std::uint8_t n);
// GS r n, n = 1 paper sensor, 2 drawer; none for other n.
std::optional<std::uint8_t> TransmittedStatusByte(std::uint8_t conditions, std::uint8_t n);
std::vector<std::uint8_t> AutomaticStatusBack(std::uint8_t conditions);
// GS I n: model, type and version IDs (1..3) as one byte, firmware (65), maker (66) and model
// (67) names as a header byte 0x5F, the text and NUL; empty for other n.
std::vector<std::uint8_t> PrinterIdReply(std::string_view modelName, std::uint8_t n);

}  // namespace emu
