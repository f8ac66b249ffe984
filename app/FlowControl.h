// The flow-control modes of the flow-control list (by its index): what the printer is told and
// what the host's DCB becomes. Every mode drives DTR and RTS off and clears DSR flow control.
#pragma once

#include "platform/win32.h"

struct FlowControlMode {
    const wchar_t* diagnostic;  // debug line written on opening
    bool commandOnOpen;         // "none" tells the printer nothing on opening
    BYTE printerArgument;       // SetPrinterFlowControl's argument
    DWORD andMask;              // applied to the DCB flag word, then orValue
    DWORD orValue;
    bool softwareCharacters;  // XON 0x11, XOFF 0x13
};

// The mode of a list index (0 none, 1 hardware, 2 software), or null for any other index.
const FlowControlMode* FindFlowControlMode(int nIndex);

// Changes the host settings as the mode says; every other field keeps its value.
void ApplyFlowControl(const FlowControlMode& mode, DCB& dcb);
