#include "app/FlowControl.h"

namespace {

constexpr FlowControlMode kModes[] = {
    {L"no flowctl\r\n", false, 0, 0xFFFFCCC3u, 0x0u, false},
    {L"hardware flowctl\r\n", true, 48, 0xFFFFCCC7u, 0x4u, false},  // fOutxCtsFlow
    {L"software flowctl\r\n", true, 49, 0xFFFFCDC3u, 0x100u,
     true},  // fOutX only: never sends XOFF itself
};

}  // namespace

const FlowControlMode* FindFlowControlMode(int nIndex) {
    if (nIndex < 0 || nIndex >= static_cast<int>(sizeof kModes / sizeof kModes[0])) {
        return nullptr;
    }
    return &kModes[nIndex];
}

void ApplyFlowControl(const FlowControlMode& mode, DCB& dcb) {
    SetDcbFlags(dcb, (DcbFlags(dcb) & mode.andMask) | mode.orValue);
    if (mode.softwareCharacters) {
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
    }
}
