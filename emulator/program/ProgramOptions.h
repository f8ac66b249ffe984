// The printer-emulator command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/PrinterModel.h"
#include "emulator/device/Condition.h"
#include "emulator/link/TcpListener.h"

namespace emutool {

struct ProgramOptions {
    enum class Mode { Pty, Device, Input, PortOnly };
    Mode mode = Mode::Pty;
    std::string device;                         // --device
    std::string input;                          // --input, "-" for standard input
    std::string linkPath;                       // --link
    std::optional<emu::ListenAddress> listen;   // --listen
    std::optional<emu::ListenAddress> rfc2217;  // --rfc2217
    std::optional<emu::ListenAddress> http;     // --http
    bool window = false;                        // --window
    std::string outDir;                         // --out
    std::string tracePath;                      // --trace, "-" for standard output
    std::string stateFolder;                    // --state; "": the default folder
    std::uint32_t baud = 0;                     // --baud; 0: not given
    const emu::PrinterModel* model = &emu::DefaultPrinterModel();  // --model
    int width = 0;                                                 // --width; 0: the model's
    int maxReceipts = 0;                                           // --max-receipts; 0: none
    std::optional<double> idleTimeout;       // --idle-timeout, in seconds; 0: never
    std::vector<emu::Condition> conditions;  // --status
    bool help = false;
    bool version = false;
};

// Nothing, with the reason in *error, when the command line is wrong.
std::optional<ProgramOptions> ParseOptions(const std::vector<std::string>& args,
                                           std::string* error);
std::string UsageText();

}  // namespace emutool
