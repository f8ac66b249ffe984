// Internal to platform/: the far ends of lines attached with AttachLinePeer. What the host has
// written to such a line and the far end has not taken counts as queued output, as it would in
// a UART's transmit queue.
#pragma once

#include <string>

#include "platform/win32.h"

namespace platform::detail {

// Records bytes written to the device at path (nothing when no peer is attached there).
void PeerWrote(const std::string& path, DWORD count);
// Bytes written to the device at path that its peer has not taken yet; 0 without a peer.
DWORD PeerOutstanding(const std::string& path);

}  // namespace platform::detail
