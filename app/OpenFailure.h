// Why a port did not open, in words an operator can act on: the device and what to do. Shown as
// the detail of the open-failure box and written to the debug output.
#pragma once

#include <string>

#include "platform/win32.h"

// nPort: the port asked for; dwError: GetLastError after the failure; path: the device the port
// maps to ("" for a port outside the map); osText: platform::LastErrorText after the failure.
std::wstring DescribeOpenFailure(int nPort, DWORD dwError, const std::string& path,
                                 const std::string& osText);
