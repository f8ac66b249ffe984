// The script verb "printer" for the virtual printer CE_MOLV runs itself:
//   printer CONDITION on|off   the printer reports the condition (over-voltage, platen,
//                              paper-out, overheat, cutter), as its window's toggle does
//   printer screenshot FILE.png  a picture of the printer's window
#pragma once

#include <string>

class CVirtualPrinterSession;

// Registers the verb for this session (until UnregisterPrinterScriptCommand).
void RegisterPrinterScriptCommand(CVirtualPrinterSession& session);
void UnregisterPrinterScriptCommand();

// Carries out one "printer" line; false with what is wrong in *pSeen.
bool RunPrinterScriptCommand(CVirtualPrinterSession& session, const std::string& args,
                             std::string* pSeen);
