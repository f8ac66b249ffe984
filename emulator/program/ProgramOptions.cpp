#include "emulator/program/ProgramOptions.h"

#include <algorithm>
#include <charconv>

#include "emulator/http/HttpService.h"

namespace emutool {

namespace {
template <typename Number>
bool ParseNumber(const std::string& text, Number* value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// One line a model, each after a line break, for --model's help.
std::string ModelList() {
    std::string text;
    for (const emu::PrinterModel& model : emu::PrinterModels()) {
        std::string name(model.name);
        name.resize(std::max<std::size_t>(name.size() + 1, 10), ' ');
        text += "\n                        " + name + std::string(model.description);
    }
    return text;
}

// What the options build up: the options, and what is checked once all are read.
struct Parsed {
    ProgramOptions options;
    int sources = 0;         // --pty, --device, --input given
    std::string statusList;  // --status, read once the model is known
};

struct OptionRow {
    const char* name;
    const char* valueName;      // null for a flag
    bool source;                // listed under where the bytes come from
    const char* help;           // continuation lines indented to the help's column
    std::string (*helpMore)();  // what follows help, made from the tables; may be null
    // Takes the option's value (empty for a flag); false with the reason in *error.
    bool (*apply)(Parsed& p, const std::string& value, std::string* error);
};

bool Listen(std::optional<emu::ListenAddress>* out, const char* option, const std::string& value,
            std::string* error) {
    *out = emu::ParseListenAddress(value, error);
    if (!*out) *error = std::string(option) + " " + *error;
    return out->has_value();
}

// An option whose value is kept as it is.
template <std::string ProgramOptions::*field>
bool Store(Parsed& p, const std::string& value, std::string*) {
    p.options.*field = value;
    return true;
}

bool Source(Parsed& p, ProgramOptions::Mode mode) {
    p.options.mode = mode;
    ++p.sources;
    return true;
}

// One row per option, as CE_MOLV's command line has them: --help is made from the rows, so what
// it lists and what is parsed cannot drift apart.
const OptionRow kOptions[] = {
    {"--pty", nullptr, true,
     "create a pseudo-terminal (default); its path is printed first as\n"
     "                      'device: /dev/pts/N'",
     nullptr,
     [](Parsed& p, const std::string&, std::string*) {
         return Source(p, ProgramOptions::Mode::Pty);
     }},
    {"--device", "PATH", true, "serve a real serial port as the printer end", nullptr,
     [](Parsed& p, const std::string& v, std::string*) {
         p.options.device = v;
         return Source(p, ProgramOptions::Mode::Device);
     }},
    {"--input", "FILE|-", true, "render a captured byte stream (or standard input) and exit",
     nullptr,
     [](Parsed& p, const std::string& v, std::string*) {
         p.options.input = v;
         return Source(p, ProgramOptions::Mode::Input);
     }},
    {"--listen", "[ADDR:]PORT", false,
     "also take raw print jobs over TCP, one connection at a time\n"
     "                      (9100 is usual); ADDR defaults to 127.0.0.1, 0.0.0.0 opens\n"
     "                      every interface. Alone, it serves TCP without a pty",
     nullptr,
     [](Parsed& p, const std::string& v, std::string* e) {
         return Listen(&p.options.listen, "--listen", v, e);
     }},
    {"--idle-timeout", "SECONDS", false,
     "close the connection printing when it has sent nothing for\n"
     "                      SECONDS while another waits (default 15; 0: never); alone, it stays",
     nullptr,
     [](Parsed& p, const std::string& v, std::string* e) {
         double seconds = -1;
         if (!ParseNumber(v, &seconds) || seconds < 0 || seconds > 86400) {
             *e = "--idle-timeout " + v +
                  ": give the seconds a connection may send nothing while another waits, "
                  "0 to 86400 (0: never closed)";
             return false;
         }
         p.options.idleTimeout = seconds;
         return true;
     }},
    {"--rfc2217", "[ADDR:]PORT", false,
     "also serve the pty's line as a network serial device server\n"
     "                      does (RFC 2217): line settings and flow control arrive in band,\n"
     "                      in order with the data; one client at a time (rfc2217://HOST:PORT)",
     nullptr,
     [](Parsed& p, const std::string& v, std::string* e) {
         return Listen(&p.options.rfc2217, "--rfc2217", v, e);
     }},
    {"--http", "[ADDR:]PORT", false,
     "also serve the printer in a browser and an HTTP interface for tests\n"
     "                      at http://ADDR:PORT/ (ADDR defaults to 127.0.0.1; name another\n"
     "                      interface to open it there); print jobs posted there go to\n"
     "                      the TCP port (a free loopback one without --listen)",
     nullptr,
     [](Parsed& p, const std::string& v, std::string* e) {
         return Listen(&p.options.http, "--http", v, e);
     }},
    {"--link", "PATH", false,
     "also make PATH a symbolic link to the pty, so programs can be\n"
     "                      set up once; a link left to a pty that is gone is replaced,\n"
     "                      anything else there is refused; removed at exit",
     nullptr, Store<&ProgramOptions::linkPath>},
    {"--window", nullptr, false,
     "show the printer's window: paper as it prints, commands,\n"
     "                      conditions; closing it ends the program",
     nullptr, [](Parsed& p, const std::string&, std::string*) { return p.options.window = true; }},
    {"--baud", "N", false,
     "line rate: a device runs at N (default 9600); a pty reads at\n"
     "                      N/10 bytes a second, as a real line would (default: unpaced)",
     nullptr,
     [](Parsed& p, const std::string& v, std::string* e) {
         if (!ParseNumber(v, &p.options.baud) || p.options.baud < 50 || p.options.baud > 4000000) {
             *e = "--baud " + v + ": give a rate in bits per second, 50 to 4000000";
             return false;
         }
         return true;
     }},
    {"--model", "NAME", false, "the printer to be (default module):", ModelList,
     [](Parsed& p, const std::string& v, std::string* e) {
         p.options.model = emu::FindPrinterModel(v);
         if (!p.options.model) {
             *e = "--model " + v + ": no such model (models: " + emu::PrinterModelNames() + ")";
         }
         return p.options.model != nullptr;
     }},
    {"--width", "384|576", false,
     "paper width in dots (58 mm or 80 mm paper; default: the model's)", nullptr,
     [](Parsed& p, const std::string& v, std::string* e) {
         if (v != "384" && v != "576") {
             *e = "--width " + v + ": the paper is 384 (58 mm) or 576 (80 mm) dots wide";
             return false;
         }
         p.options.width = std::stoi(v);
         return true;
     }},
    {"--out", "DIR", false,
     "write receipt-NNN.png per cut, full or partial, and the unfinished\n"
     "                      one on exit, each with receipt-NNN.bin, the bytes that printed it;\n"
     "                      numbers go on after the receipts already there",
     nullptr, Store<&ProgramOptions::outDir>},
    {"--max-receipts", "N", false,
     "stop saving after N receipts in this run (default: no count;\n"
     "                      saving stops when the disk has under 1 % or 50 MB free)",
     nullptr,
     [](Parsed& p, const std::string& v, std::string* e) {
         if (!ParseNumber(v, &p.options.maxReceipts) || p.options.maxReceipts < 1) {
             *e = "--max-receipts " + v + ": give a count of 1 or more";
             return false;
         }
         return true;
     }},
    {"--trace", "FILE|-", false,
     "write the decoded command trace to FILE or standard output: each\n"
     "                      command with its time (seconds since start), source and every\n"
     "                      byte, long ones over continuation lines",
     nullptr, Store<&ProgramOptions::tracePath>},
    {"--state", "DIR", false,
     "keep what the printer stores for good (NV graphics, NV bit images)\n"
     "                      in DIR/MODEL/ from run to run (default $XDG_STATE_HOME/CE_MOLV,\n"
     "                      else ~/.local/state/CE_MOLV)",
     nullptr, Store<&ProgramOptions::stateFolder>},
    {"--status", "LIST", false, "conditions standing at start, comma-separated; the module has\n",
     [] {
         return "                      " + emu::ConditionNameList(emu::CommandSet::Module) +
                ";\n                      the ESC/POS models " +
                emu::ConditionNameList(emu::CommandSet::EscPos);
     },
     [](Parsed& p, const std::string& v, std::string*) {
         p.statusList = v;
         return true;
     }},
    {"--help", nullptr, false, "show this text", nullptr,
     [](Parsed& p, const std::string&, std::string*) { return p.options.help = true; }},
    {"--version", nullptr, false, "show the version", nullptr,
     [](Parsed& p, const std::string&, std::string*) { return p.options.version = true; }},
};

// The options of one kind as --help lists them, from the table.
std::string OptionLines(bool sources) {
    std::string text;
    for (const OptionRow& row : kOptions) {
        if (row.source != sources) continue;
        std::string left = std::string("  ") + row.name;
        if (row.valueName) left += std::string(" ") + row.valueName;
        left.resize(std::max<std::size_t>(left.size(), 20), ' ');
        text += left + "  " + row.help + (row.helpMore ? row.helpMore() : std::string()) + "\n";
    }
    return text;
}

}  // namespace

std::string UsageText() {
    return "Usage: printer-emulator [--pty | --device PATH | --input FILE|-] [--window] [options]\n"
           "  or:  printer-emulator [--pty | --device PATH] --listen [ADDR:]PORT [--window] "
           "[options]\n"
           "A virtual thermal printer module: decodes the printer command stream, draws the paper\n"
           "and answers status and sleep requests.\n"
           "\n"
           "Where the bytes come from (one of):\n" +
           OptionLines(true) + "Options:\n" + OptionLines(false) +
           "Commands on standard input (pty, device and port modes):\n"
           "  set CONDITION on|off   change a condition (reported to the host when enabled)\n"
           "  status                 show the conditions, sleep, input buffer and line\n"
           "  save                   write the unfinished receipt to the --out directory\n"
           "  quit                   save and exit (as do SIGINT, SIGTERM, SIGHUP)\n" +
           emu::HttpInterfaceText();
}

std::optional<ProgramOptions> ParseOptions(const std::vector<std::string>& args,
                                           std::string* error) {
    Parsed parsed;
    ProgramOptions& options = parsed.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionRow* row = nullptr;
        for (const OptionRow& r : kOptions) {
            if (name == r.name) row = &r;
        }
        if (!row) {
            *error = name.rfind("-", 0) == 0 ? "unknown option " + name
                                             : "unexpected argument '" + name + "'";
            return std::nullopt;
        }
        std::string value;
        if (!row->valueName) {
            if (inlineValue) {
                *error = "option " + name + " takes no value";
                return std::nullopt;
            }
        } else {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                *error = "option " + name + " needs a value";
                return std::nullopt;
            }
            if (value.empty()) {
                *error = "option " + name + " needs a non-empty value";
                return std::nullopt;
            }
        }
        if (!row->apply(parsed, value, error)) return std::nullopt;
    }
    const std::string& statusList = parsed.statusList;
    // The names depend on the model, which may come after --status.
    for (std::size_t from = 0; !statusList.empty() && from <= statusList.size();) {
        const std::size_t comma = statusList.find(',', from);
        const std::string item =
            statusList.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        const emu::CommandSet commands = options.model->commands;
        const std::optional<emu::Condition> c = emu::ParseCondition(item, commands);
        if (!c) {
            *error = "--status: unknown condition '" + item + "' for the " +
                     std::string(options.model->name) +
                     " model (conditions: " + emu::ConditionNameList(commands) + ")";
            return std::nullopt;
        }
        options.conditions.push_back(*c);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    if (parsed.sources > 1) {
        *error = "choose one of --pty, --device and --input";
        return std::nullopt;
    }
    if (options.rfc2217 && options.mode != ProgramOptions::Mode::Pty) {
        *error = "--rfc2217 serves the pty's line: it goes with --pty only";
        return std::nullopt;
    }
    if (!options.linkPath.empty() && options.mode != ProgramOptions::Mode::Pty) {
        *error = "--link goes with --pty only";
        return std::nullopt;
    }
    if (options.mode == ProgramOptions::Mode::Input &&
        (options.listen || options.window || options.http)) {
        *error =
            "--input renders a stream and exits: --listen, --http and --window go with a pty "
            "or device";
        return std::nullopt;
    }
    if (options.idleTimeout && !options.listen) {
        *error = "--idle-timeout is for TCP connections: it goes with --listen";
        return std::nullopt;
    }
    // A port alone serves TCP only; a pty comes with it when asked for.
    if (options.listen && parsed.sources == 0 && options.linkPath.empty() && !options.rfc2217)
        options.mode = ProgramOptions::Mode::PortOnly;
    return parsed.options;
}

}  // namespace emutool
