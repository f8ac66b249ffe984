// Commands an application adds to the script language for what lies outside the dialog, e.g.
// "printer paper-out on" for a printer the application runs itself. A registered verb parses
// as a command whose text is the rest of its line; running it calls the handler, which returns
// false with what it found in *pSeen when the line cannot be carried out. A check, when given,
// runs when the script is loaded, so a malformed line stops the script before anything runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>

using ScriptCommandHandler = std::function<bool(const std::string& args, std::string* pSeen)>;
using ScriptCommandCheck = std::function<bool(const std::string& args, std::string* pError)>;

// Registers (or, with an empty handler, removes) a verb; the built-in verbs cannot be replaced.
// Register before the script is loaded.
void RegisterScriptCommand(const std::string& verb, ScriptCommandHandler handler,
                           ScriptCommandCheck check = nullptr);
// The handler of a registered verb, or null.
const ScriptCommandHandler* FindScriptCommand(std::string_view verb);
// True when the verb's arguments pass its check (or it has none); false with the reason.
bool CheckScriptCommand(std::string_view verb, const std::string& args, std::string* pError);
