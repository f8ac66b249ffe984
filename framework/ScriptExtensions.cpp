#include "framework/ScriptExtensions.h"

#include <map>

namespace {

struct Verb {
    ScriptCommandHandler handler;
    ScriptCommandCheck check;
};

// Scripts are loaded and run on the user-interface thread only, so the table needs no lock.
std::map<std::string, Verb, std::less<>>& Handlers() {
    static std::map<std::string, Verb, std::less<>> handlers;
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

void RegisterScriptCommand(const std::string& verb, ScriptCommandHandler handler,
                           ScriptCommandCheck check) {
    if (IsBuiltIn(verb) || verb.empty() || verb.find(' ') != std::string::npos) return;
    if (handler) {
        Handlers()[verb] = Verb{std::move(handler), std::move(check)};
    } else {
        Handlers().erase(verb);
    }
}

const ScriptCommandHandler* FindScriptCommand(std::string_view verb) {
    auto found = Handlers().find(verb);
    return found == Handlers().end() ? nullptr : &found->second.handler;
}

bool CheckScriptCommand(std::string_view verb, const std::string& args, std::string* pError) {
    auto found = Handlers().find(verb);
    return found == Handlers().end() || !found->second.check || found->second.check(args, pError);
}
