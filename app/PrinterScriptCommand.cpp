#include "app/PrinterScriptCommand.h"

#include <sstream>

#include "app/VirtualPrinterSession.h"
#include "emulator/device/Condition.h"
#include "framework/PaperWindow.h"
#include "framework/ScriptExtensions.h"

namespace {

constexpr const char* kVerb = "printer";

}  // namespace

bool RunPrinterScriptCommand(CVirtualPrinterSession& session, const std::string& args,
                             std::string* pSeen) {
    const std::string screenshot = "screenshot ";
    if (args.rfind(screenshot, 0) == 0 && args.size() > screenshot.size()) {
        const std::string path = args.substr(screenshot.size());
        if (session.Window().SaveScreenshot(path)) return true;
        *pSeen = "could not write " + path;
        return false;
    }
    std::istringstream words(args);
    std::string name, state, extra;
    words >> name >> state >> extra;
    const std::optional<emu::Condition> condition = emu::ParseCondition(name);
    if (!condition || (state != "on" && state != "off") || !extra.empty()) {
        *pSeen = "expected 'printer CONDITION on|off' (" + emu::ConditionNameList() +
                 ") or 'printer screenshot FILE.png', found '" + args + "'";
        return false;
    }
    session.SetCondition(*condition, state == "on");
    return true;
}

void RegisterPrinterScriptCommand(CVirtualPrinterSession& session) {
    RegisterScriptCommand(kVerb, [&session](const std::string& args, std::string* pSeen) {
        return RunPrinterScriptCommand(session, args, pSeen);
    });
}

void UnregisterPrinterScriptCommand() { RegisterScriptCommand(kVerb, nullptr); }
