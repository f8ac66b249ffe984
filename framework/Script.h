// CScript: a script of operator actions and expectations for a dialog, one command a line
// ('#' starts a comment line):
//   click ID | select ID INDEX | type ID TEXT | wait MS | screenshot FILE.png | close
//   expect check ID 0|1 | expect text ID TEXT | expect message TEXT | expect detail TEXT
//   wait until check ID 0|1 | wait until text ID TEXT | ... (any expectation, met within 5 s)
// and the verbs the application registered (framework/ScriptExtensions.h).
// TEXT is the rest of the line after one space, kept as it stands.
#pragma once

#include <istream>
#include <string>
#include <vector>

struct ScriptCommand {
    enum class Kind {
        Click,
        Select,
        Type,
        Wait,
        Screenshot,
        Close,
        ExpectCheck,
        ExpectText,
        ExpectMessage,
        ExpectDetail,
        Extension
    };
    Kind kind = Kind::Close;
    int line = 0;
    int id = 0;
    long number = 0;     // INDEX, MS or the expected check state
    std::string text;    // UTF-8
    std::string verb;    // of an Extension command, whose arguments are in text
    bool until = false;  // an expectation the script waits for, rather than checks at once
};

class CScript {
  public:
    // False with "NAME:LINE: what is wrong" in *pError at the first line that is not a command.
    bool Parse(std::istream& input, const std::string& name, std::string* pError);

    const std::vector<ScriptCommand>& Commands() const { return m_commands; }
    const std::string& Name() const { return m_name; }

  private:
    std::string m_name;
    std::vector<ScriptCommand> m_commands;
};
