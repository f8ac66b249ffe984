#include "framework/Script.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "framework/ScriptExtensions.h"

namespace {

constexpr long kMaxWaitMs = 600000;

// Splits off the next word (up to a space); the rest starts after that one space.
std::string_view NextWord(std::string_view& rest) {
    const std::size_t space = rest.find(' ');
    std::string_view word = rest.substr(0, space);
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    return word;
}

std::optional<long> ParseNumber(std::string_view word, long min, long max) {
    long value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (word.empty() || error != std::errc() || end != word.data() + word.size() || value < min ||
        value > max) {
        return std::nullopt;
    }
    return value;
}

struct LineParser {
    std::string_view rest;
    std::string error;

    std::optional<long> Number(const char* what, long min, long max) {
        const std::string_view word = NextWord(rest);
        auto value = ParseNumber(word, min, max);
        if (!value && error.empty()) {
            error = std::string("expected ") + what + " (" + std::to_string(min) + " to " +
                    std::to_string(max) + "), found '" + std::string(word) + "'";
        }
        return value;
    }
    bool End() {
        if (!rest.empty() && error.empty()) {
            error = "unexpected '" + std::string(rest) + "' at the end of the line";
        }
        return error.empty();
    }
};

std::optional<ScriptCommand> ParseLine(std::string_view text, int line, std::string* pError) {
    LineParser p{text, {}};
    ScriptCommand command;
    command.line = line;
    const std::string_view verb = NextWord(p.rest);
    auto id = [&] { return p.Number("a control id", 0, 65535); };
    if (verb == "click") {
        command.kind = ScriptCommand::Kind::Click;
        command.id = static_cast<int>(id().value_or(0));
        p.End();
    } else if (verb == "select") {
        command.kind = ScriptCommand::Kind::Select;
        command.id = static_cast<int>(id().value_or(0));
        command.number = p.Number("an item index", 0, 65535).value_or(0);
        p.End();
    } else if (verb == "type") {
        command.kind = ScriptCommand::Kind::Type;
        command.id = static_cast<int>(id().value_or(0));
        command.text = std::string(p.rest);
    } else if (verb == "wait") {
        command.kind = ScriptCommand::Kind::Wait;
        command.number = p.Number("milliseconds", 0, kMaxWaitMs).value_or(0);
        p.End();
    } else if (verb == "screenshot") {
        command.kind = ScriptCommand::Kind::Screenshot;
        command.text = std::string(p.rest);
        if (command.text.empty()) {
            p.error = "screenshot needs a file name";
        }
    } else if (verb == "close") {
        command.kind = ScriptCommand::Kind::Close;
        p.End();
    } else if (verb == "expect") {
        const std::string_view what = NextWord(p.rest);
        if (what == "check") {
            command.kind = ScriptCommand::Kind::ExpectCheck;
            command.id = static_cast<int>(id().value_or(0));
            command.number = p.Number("a check state", 0, 1).value_or(0);
            p.End();
        } else if (what == "text") {
            command.kind = ScriptCommand::Kind::ExpectText;
            command.id = static_cast<int>(id().value_or(0));
            command.text = std::string(p.rest);
        } else if (what == "message" || what == "detail") {
            command.kind = what == "message" ? ScriptCommand::Kind::ExpectMessage
                                             : ScriptCommand::Kind::ExpectDetail;
            command.text = std::string(p.rest);
        } else {
            p.error =
                "unknown expectation '" + std::string(what) + "' (check, text, message, detail)";
        }
    } else if (FindScriptCommand(verb) != nullptr) {
        command.kind = ScriptCommand::Kind::Extension;
        command.verb = std::string(verb);
        command.text = std::string(p.rest);
        CheckScriptCommand(verb, command.text, &p.error);
    } else {
        p.error = "unknown command '" + std::string(verb) +
                  "' (click, select, type, wait, expect, screenshot, close)";
    }
    if (!p.error.empty()) {
        *pError = p.error;
        return std::nullopt;
    }
    return command;
}

}  // namespace

bool CScript::Parse(std::istream& input, const std::string& name, std::string* pError) {
    m_name = name;
    m_commands.clear();
    std::string raw;
    for (int line = 1; std::getline(input, raw); ++line) {
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
        }
        std::string_view text(raw);
        const std::size_t start = text.find_first_not_of(" \t");
        if (start == std::string_view::npos || text[start] == '#') {
            continue;
        }
        std::string error;
        auto command = ParseLine(text.substr(start), line, &error);
        if (!command) {
            *pError = name + ":" + std::to_string(line) + ": " + error;
            return false;
        }
        m_commands.push_back(std::move(*command));
    }
    return true;
}
