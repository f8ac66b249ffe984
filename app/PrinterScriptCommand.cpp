#include "app/PrinterScriptCommand.h"

#include <optional>
#include <sstream>

#include "app/VirtualPrinterSession.h"
#include "emulator/device/Condition.h"
#include "framework/ScriptExtensions.h"
#include "viewer/PaperWindow.h"

namespace {

constexpr const char* kVerb = "printer";

struct PrinterLine {
    std::string screenshot;  // the file, for "printer screenshot FILE.png"
    bool show = false;       // "printer show"
    emu::Condition condition = emu::Condition::PaperOut;
    bool on = false;
};

std::optional<PrinterLine> ParsePrinterLine(const std::string& args, std::string* pError) {
    const std::string screenshot = "screenshot ";
    if (args.rfind(screenshot, 0) == 0 && args.size() > screenshot.size()) {
        return PrinterLine{args.substr(screenshot.size())};
    }
    if (args == "show") return PrinterLine{"", true};
    std::istringstream words(args);
    std::string name, state, extra;
    words >> name >> state >> extra;
    const std::optional<emu::Condition> condition = emu::ParseCondition(name);
    if (!condition || (state != "on" && state != "off") || !extra.empty()) {
        *pError = "expected 'printer CONDITION on|off' (" + emu::ConditionNameList() +
                  "), 'printer screenshot FILE.png' or 'printer show', found '" + args + "'";
        return std::nullopt;
    }
    return PrinterLine{"", false, *condition, state == "on"};
}

}  // namespace

bool RunPrinterScriptCommand(CVirtualPrinterSession& session, const std::string& args,
                             std::string* pSeen) {
    const std::optional<PrinterLine> line = ParsePrinterLine(args, pSeen);
    if (!line) return false;
    if (line->show) {
        session.ShowWindowAgain();
        return true;
    }
    if (!line->screenshot.empty()) {
        if (session.Window().SaveScreenshot(line->screenshot)) return true;
        *pSeen = "could not write " + line->screenshot;
        return false;
    }
    session.SetCondition(line->condition, line->on);
    return true;
}

void RegisterPrinterScriptCommand(CVirtualPrinterSession& session) {
    RegisterScriptCommand(
        kVerb,
        [&session](const std::string& args, std::string* pSeen) {
            return RunPrinterScriptCommand(session, args, pSeen);
        },
        [](const std::string& args, std::string* pError) {
            return ParsePrinterLine(args, pError).has_value();
        });
}

void UnregisterPrinterScriptCommand() { RegisterScriptCommand(kVerb, nullptr); }
