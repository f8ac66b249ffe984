#include "framework/ScriptExtensions.h"

#include <map>

namespace {

// Scripts are loaded and run on the user-interface thread only, so the table needs no lock.
std::map<std::string, ScriptCommandHandler, std::less<>>& Handlers() {
    static std::map<std::string, ScriptCommandHandler, std::less<>> handlers;
    return handlers;
}

bool IsBuiltIn(std::string_view verb) {
    for (std::string_view builtIn :
         {"click", "select", "type", "wait", "screenshot", "close", "expect"}) {
        if (verb == builtIn) return true;
    }
    return false;
}

}  // namespace

void RegisterScriptCommand(const std::string& verb, ScriptCommandHandler handler) {
    if (IsBuiltIn(verb) || verb.empty() || verb.find(' ') != std::string::npos) return;
    if (handler) {
        Handlers()[verb] = std::move(handler);
    } else {
        Handlers().erase(verb);
    }
}

const ScriptCommandHandler* FindScriptCommand(std::string_view verb) {
    auto found = Handlers().find(verb);
    return found == Handlers().end() ? nullptr : &found->second;
}
