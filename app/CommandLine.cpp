#include "app/CommandLine.h"

#include <algorithm>
#include <charconv>

#include "emulator/device/Condition.h"
#include "platform/win32.h"

namespace {

struct OptionRow {
    const char* name;
    const char* valueName;  // null for a flag
    const char* help;
    // Takes the option's value (empty for a flag); false with the reason in *pError.
    bool (*apply)(CommandLineOptions& options, const std::string& value, std::string* pError);
};

bool ParsePortMapping(CommandLineOptions& options, const std::string& value, std::string* pError) {
    const std::size_t equals = value.find('=');
    const bool comPrefix =
        value.size() > 3 && (value.compare(0, 3, "COM") == 0 || value.compare(0, 3, "com") == 0);
    int port = 0;
    const char* first = value.data() + (comPrefix ? 3 : 0);
    const char* last = value.data() + (equals == std::string::npos ? 0 : equals);
    const auto [end, error] = std::from_chars(first, last, port);
    if (!comPrefix || equals == std::string::npos || error != std::errc() || end != last ||
        port < 1 || port > 1024 || equals + 1 == value.size()) {
        *pError =
            "--port wants COMn=PATH with n from 1 to 1024, e.g. --port COM1=/dev/ttyUSB0; got '" +
            value + "'";
        return false;
    }
    const std::string path = value.substr(equals + 1);
    if (const std::string problem = platform::PortPathProblem(path); !problem.empty()) {
        *pError = "--port " + value + ": " + problem +
                  ", e.g. --port COM2=rfc2217://192.168.1.50:2217 or socket://[fd00::5]:4001";
        return false;
    }
    options.portMap.emplace_back(port, path);
    return true;
}

bool ParsePace(CommandLineOptions& options, const std::string& value, std::string* pError) {
    std::uint32_t baud = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), baud);
    if (error != std::errc() || end != value.data() + value.size() || baud < 300 ||
        baud > 4000000) {
        *pError =
            "--pace wants a baud rate from 300 to 4000000, e.g. --pace 9600; got '" + value + "'";
        return false;
    }
    options.paceBaud = baud;
    return true;
}

bool ParseMaxReceipts(CommandLineOptions& options, const std::string& value, std::string* pError) {
    int count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (error != std::errc() || end != value.data() + value.size() || count < 1) {
        *pError = "--max-receipts wants a count of 1 or more; got '" + value + "'";
        return false;
    }
    options.maxReceipts = count;
    return true;
}

bool ParseHttp(CommandLineOptions& options, const std::string& value, std::string* pError) {
    options.http = emu::ParseListenAddress(value, pError);
    if (!options.http) *pError = "--http " + *pError;
    return options.http.has_value();
}

bool NotEmpty(const std::string& option, const std::string& value, std::string* pError) {
    if (value.empty()) *pError = option + " needs a non-empty value";
    return !value.empty();
}

const OptionRow kOptions[] = {
    {"--port", "COMn=PATH",
     "open PATH for port n (repeatable): a serial device, or a port on the network as\n"
     "                        rfc2217://HOST:PORT (a device server) or socket://HOST:PORT (raw\n"
     "                        TCP, data only); by default COMn is /dev/ttyS<n-1>",
     ParsePortMapping},
    {"--list-ports", nullptr, "show the port map and the serial devices present, then exit",
     [](CommandLineOptions& o, const std::string&, std::string*) { return o.listPorts = true; }},
    {"--script", "FILE|-",
     "run an operator script ('-': standard input); exit 0 when every\n"
     "                        expectation held, 1 when one did not, 2 on a syntax error",
     [](CommandLineOptions& o, const std::string& v, std::string*) {
         o.script = v;
         return true;
     }},
    {"--trace", "FILE|-",
     "write every byte sent and received on the serial line to FILE ('-':\n"
     "                        standard output), in hex, timed, one line per transfer",
     [](CommandLineOptions& o, const std::string& v, std::string* e) {
         o.tracePath = v;
         return NotEmpty("--trace", v, e);
     }},
    {"--virtual-printer", nullptr,
     "run a virtual printer inside the program and connect COM1 to it\n"
     "                        (unless --port maps COM1); its window shows the paper,\n"
     "                        the commands received and toggles for its conditions",
     [](CommandLineOptions& o, const std::string&, std::string*) {
         return o.virtualPrinter = true;
     }},
    {"--paper-dir", "DIR", "save the virtual printer's receipts in DIR (default ~/CE_MOLV-paper)",
     [](CommandLineOptions& o, const std::string& v, std::string* e) {
         o.paperFolder = v;
         return NotEmpty("--paper-dir", v, e);
     }},
    {"--max-receipts", "N",
     "stop saving receipts after N in this run (default: no count; saving\n"
     "                        stops when the disk has under 1 % or 50 MB free)",
     ParseMaxReceipts},
    {"--pace", "BAUD", "the virtual printer reads at BAUD as on a real line (default: at once)",
     ParsePace},
    {"--state", "DIR",
     "keep what the virtual printer stores for good (its NV graphics) in\n"
     "                        DIR/module/ (default $XDG_STATE_HOME/CE_MOLV, as printer-emulator)",
     [](CommandLineOptions& o, const std::string& v, std::string* e) {
         o.stateFolder = v;
         return NotEmpty("--state", v, e);
     }},
    {"--http", "[ADDR:]PORT",
     "also serve the virtual printer in a browser and an HTTP interface for\n"
     "                        tests at http://ADDR:PORT/ (ADDR defaults to 127.0.0.1), as\n"
     "                        printer-emulator --http does",
     ParseHttp},
    {"--demo", nullptr,
     "run the built-in demonstration on the virtual printer (every button,\n"
     "                        a status report), save pictures and receipts, print their paths",
     [](CommandLineOptions& o, const std::string&, std::string*) {
         return o.demo = o.virtualPrinter = true;
     }},
    {"--help", nullptr, "show this help and exit",
     [](CommandLineOptions& o, const std::string&, std::string*) { return o.help = true; }},
    {"--version", nullptr, "show the version and exit",
     [](CommandLineOptions& o, const std::string&, std::string*) { return o.version = true; }},
};

const OptionRow* FindOption(const std::string& name) {
    for (const OptionRow& option : kOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

bool CCommandLine::Parse(const std::vector<std::string>& arguments, std::string* pError) {
    m_options = CommandLineOptions{};
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const std::size_t equals = argument.find('=');
        const bool inlineValue = argument.rfind("--", 0) == 0 && equals != std::string::npos;
        const std::string name = inlineValue ? argument.substr(0, equals) : argument;
        const OptionRow* option = FindOption(name);
        if (option == nullptr) {
            *pError = argument.rfind("-", 0) == 0 ? "unknown option '" + argument + "'"
                                                  : "unexpected argument '" + argument + "'";
            return false;
        }
        std::string value;
        if (option->valueName != nullptr) {
            if (inlineValue) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                *pError = name + " needs a value: " + name + " " + option->valueName;
                return false;
            }
        } else if (inlineValue) {
            *pError = name + " takes no value";
            return false;
        }
        if (!option->apply(m_options, value, pError)) {
            return false;
        }
    }
    if (!m_options.virtualPrinter) {
        for (const auto& [given, name] : {std::pair{!m_options.paperFolder.empty(), "--paper-dir"},
                                          std::pair{m_options.paceBaud != 0, "--pace"},
                                          std::pair{m_options.maxReceipts != 0, "--max-receipts"},
                                          std::pair{!m_options.stateFolder.empty(), "--state"},
                                          std::pair{m_options.http.has_value(), "--http"}}) {
            if (given) {
                *pError = std::string(name) + " goes with --virtual-printer";
                return false;
            }
        }
    }
    if (m_options.demo && !m_options.script.empty()) {
        *pError = "--demo runs its own script; give either --demo or --script";
        return false;
    }
    return true;
}

std::string CCommandLine::Usage(const std::string& program) {
    std::string text =
        "Usage: " + program +
        " [OPTION]...\n"
        "Demonstration and test tool for a thermal printer module on a serial port.\n\nOptions:\n";
    for (const OptionRow& option : kOptions) {
        std::string left = std::string("  ") + option.name +
                           (option.valueName ? std::string(" ") + option.valueName : "");
        left.resize(std::max<std::size_t>(left.size() + 2, 24), ' ');
        text += left + option.help + "\n";
    }
    // One command a line, as the options are, so that the manual page lists them one by one.
    text +=
        "\nScript commands, one a line ('#' starts a comment):\n"
        "  click ID              press the control\n"
        "  select ID INDEX       choose item INDEX (from 0) of a list\n"
        "  type ID TEXT          type TEXT into the edit field of a list\n"
        "  wait MS               wait MS milliseconds\n"
        "  screenshot FILE.png   take a picture of the dialog\n"
        "  close                 close the dialog\n"
        "  expect check ID 0|1   the check box is clear (0) or checked (1)\n"
        "  expect text ID TEXT   the control's text is TEXT\n"
        "  expect message TEXT   the last message box says TEXT\n"
        "  expect detail TEXT    the last message box's detail contains TEXT\n"
        "  wait until EXPECTATION  an expectation above without 'expect', met within 5 s\n"
        "IDs are the dialog's control ids (1002 port list, 1005 open button, 1019-1023 status "
        "boxes).\n"
        "\nWith --virtual-printer also:\n"
        "  printer CONDITION on|off  set or clear a condition of the printer (" +
        emu::ConditionNameList() +
        ")\n"
        "  printer screenshot FILE.png  take a picture of the printer's window\n"
        "  printer show          show the printer's window again after it was closed (F2 in\n"
        "                        the dialog does the same)\n";
    return text;
}

bool CommandLineOptions::VirtualPrinterOnCom1() const {
    return virtualPrinter && std::none_of(portMap.begin(), portMap.end(),
                                          [](const auto& mapping) { return mapping.first == 1; });
}
