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

std::string ModelList() {
    std::string text;
    for (const emu::PrinterModel& model : emu::PrinterModels()) {
        std::string name(model.name);
        name.resize(std::max<std::size_t>(name.size() + 1, 10), ' ');
        text += "                        " + name + std::string(model.description) + "\n";
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
           "Where the bytes come from (one of):\n"
           "  --pty               create a pseudo-terminal (default); its path is printed first "
           "as\n"
           "                      'device: /dev/pts/N'\n"
           "  --device PATH       serve a real serial port as the printer end\n"
           "  --input FILE|-      render a captured byte stream (or standard input) and exit\n"
           "Options:\n"
           "  --listen [ADDR:]PORT  also take raw print jobs over TCP, one connection at a time\n"
           "                      (9100 is usual); ADDR defaults to 127.0.0.1, 0.0.0.0 opens\n"
           "                      every interface. Alone, it serves TCP without a pty\n"
           "  --idle-timeout SECONDS  close the connection printing when it has sent nothing "
           "for\n"
           "                      SECONDS while another waits (default 15; 0: never); alone, it "
           "stays\n"
           "  --rfc2217 [ADDR:]PORT  also serve the pty's line as a network serial device server\n"
           "                      does (RFC 2217): line settings and flow control arrive in band,\n"
           "                      in order with the data; one client at a time "
           "(rfc2217://HOST:PORT)\n"
           "  --http [ADDR:]PORT  also serve the printer in a browser and an HTTP interface for "
           "tests\n"
           "                      at http://ADDR:PORT/ (ADDR defaults to 127.0.0.1; name another\n"
           "                      interface to open it there); print jobs posted there go to\n"
           "                      the TCP port (a free loopback one without --listen)\n"
           "  --link PATH         also make PATH a symbolic link to the pty, so programs can be\n"
           "                      set up once; a link left to a pty that is gone is replaced,\n"
           "                      anything else there is refused; removed at exit\n"
           "  --window            show the printer's window: paper as it prints, commands,\n"
           "                      conditions; closing it ends the program\n"
           "  --baud N            line rate: a device runs at N (default 9600); a pty reads at\n"
           "                      N/10 bytes a second, as a real line would (default: unpaced)\n"
           "  --model NAME        the printer to be (default module):\n" +
           ModelList() +
           "  --width 384|576     paper width in dots (58 mm or 80 mm paper; default: the "
           "model's)\n"
           "  --out DIR           write receipt-NNN.png per cut, full or partial, and the "
           "unfinished\n"
           "                      one on exit, each with receipt-NNN.bin, the bytes that printed "
           "it;\n"
           "                      numbers go on after the receipts already there\n"
           "  --max-receipts N    stop saving after N receipts in this run (default: no count;\n"
           "                      saving stops when the disk has under 1 % or 50 MB free)\n"
           "  --trace FILE|-      write the decoded command trace to FILE or standard output: "
           "each\n"
           "                      command with its time (seconds since start), source and "
           "every\n"
           "                      byte, long ones over continuation lines\n"
           "  --state DIR         keep what the printer stores for good (NV graphics, NV bit "
           "images)\n"
           "                      in DIR/MODEL/ from run to run (default $XDG_STATE_HOME/CE_MOLV,\n"
           "                      else ~/.local/state/CE_MOLV)\n"
           "  --status LIST       conditions standing at start, comma-separated; the module "
           "has\n"
           "                      " +
           emu::ConditionNameList(emu::CommandSet::Module) +
           ";\n"
           "                      the ESC/POS models " +
           emu::ConditionNameList(emu::CommandSet::EscPos) +
           "\n"
           "  --help              show this text\n"
           "  --version           show the version\n"
           "Commands on standard input (pty, device and port modes):\n"
           "  set CONDITION on|off   change a condition (reported to the host when enabled)\n"
           "  status                 show the conditions, sleep, input buffer and line\n"
           "  save                   write the unfinished receipt to the --out directory\n"
           "  quit                   save and exit (as do SIGINT, SIGTERM, SIGHUP)\n" +
           emu::HttpInterfaceText();
}

std::optional<ProgramOptions> ParseOptions(const std::vector<std::string>& args,
                                           std::string* error) {
    ProgramOptions options;
    int sources = 0;
    std::string statusList;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (std::size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto value = [&](std::string* out) {
            if (inlineValue) {
                *out = *inlineValue;
            } else if (i + 1 < args.size()) {
                *out = args[++i];
            } else {
                *error = "option " + name + " needs a value";
                return false;
            }
            if (out->empty()) {
                *error = "option " + name + " needs a non-empty value";
                return false;
            }
            return true;
        };
        auto flag = [&] {
            if (inlineValue) *error = "option " + name + " takes no value";
            return !inlineValue;
        };
        std::string text;
        if (name == "--help") {
            if (!flag()) return std::nullopt;
            options.help = true;
        } else if (name == "--version") {
            if (!flag()) return std::nullopt;
            options.version = true;
        } else if (name == "--pty") {
            if (!flag()) return std::nullopt;
            options.mode = ProgramOptions::Mode::Pty;
            ++sources;
        } else if (name == "--device") {
            if (!value(&options.device)) return std::nullopt;
            options.mode = ProgramOptions::Mode::Device;
            ++sources;
        } else if (name == "--input") {
            if (!value(&options.input)) return std::nullopt;
            options.mode = ProgramOptions::Mode::Input;
            ++sources;
        } else if (name == "--link") {
            if (!value(&options.linkPath)) return std::nullopt;
        } else if (name == "--listen") {
            if (!value(&text)) return std::nullopt;
            options.listen = emu::ParseListenAddress(text, error);
            if (!options.listen) {
                *error = "--listen " + *error;
                return std::nullopt;
            }
        } else if (name == "--rfc2217") {
            if (!value(&text)) return std::nullopt;
            options.rfc2217 = emu::ParseListenAddress(text, error);
            if (!options.rfc2217) {
                *error = "--rfc2217 " + *error;
                return std::nullopt;
            }
        } else if (name == "--http") {
            if (!value(&text)) return std::nullopt;
            options.http = emu::ParseListenAddress(text, error);
            if (!options.http) {
                *error = "--http " + *error;
                return std::nullopt;
            }
        } else if (name == "--window") {
            if (!flag()) return std::nullopt;
            options.window = true;
        } else if (name == "--out") {
            if (!value(&options.outDir)) return std::nullopt;
        } else if (name == "--trace") {
            if (!value(&options.tracePath)) return std::nullopt;
        } else if (name == "--state") {
            if (!value(&options.stateFolder)) return std::nullopt;
        } else if (name == "--baud") {
            if (!value(&text)) return std::nullopt;
            if (!ParseNumber(text, &options.baud) || options.baud < 50 || options.baud > 4000000) {
                *error = "--baud " + text + ": give a rate in bits per second, 50 to 4000000";
                return std::nullopt;
            }
        } else if (name == "--width") {
            if (!value(&text)) return std::nullopt;
            if (text != "384" && text != "576") {
                *error = "--width " + text + ": the paper is 384 (58 mm) or 576 (80 mm) dots wide";
                return std::nullopt;
            }
            options.width = std::stoi(text);
        } else if (name == "--model") {
            if (!value(&text)) return std::nullopt;
            options.model = emu::FindPrinterModel(text);
            if (!options.model) {
                *error = "--model " + text +
                         ": no such model (models: " + emu::PrinterModelNames() + ")";
                return std::nullopt;
            }
        } else if (name == "--max-receipts") {
            if (!value(&text)) return std::nullopt;
            if (!ParseNumber(text, &options.maxReceipts) || options.maxReceipts < 1) {
                *error = "--max-receipts " + text + ": give a count of 1 or more";
                return std::nullopt;
            }
        } else if (name == "--idle-timeout") {
            if (!value(&text)) return std::nullopt;
            double seconds = -1;
            if (!ParseNumber(text, &seconds) || seconds < 0 || seconds > 86400) {
                *error = "--idle-timeout " + text +
                         ": give the seconds a connection may send nothing while another waits, "
                         "0 to 86400 (0: never closed)";
                return std::nullopt;
            }
            options.idleTimeout = seconds;
        } else if (name == "--status") {
            if (!value(&statusList)) return std::nullopt;
        } else {
            *error = name.rfind("-", 0) == 0 ? "unknown option " + name
                                             : "unexpected argument '" + name + "'";
            return std::nullopt;
        }
    }
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
    if (sources > 1) {
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
    if (options.listen && sources == 0 && options.linkPath.empty() && !options.rfc2217)
        options.mode = ProgramOptions::Mode::PortOnly;
    return options;
}

}  // namespace emutool
