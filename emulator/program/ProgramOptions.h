// The printer-emulator command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/device/Condition.h"

namespace emutool {

struct ProgramOptions {
    enum class Mode { Pty, Device, Input };
    Mode mode = Mode::Pty;
    std::string device;      // --device
    std::string input;       // --input, "-" for standard input
    std::string linkPath;    // --link
    std::string outDir;      // --out
    std::string tracePath;   // --trace, "-" for standard output
    std::uint32_t baud = 0;  // --baud; 0: not given
    int width = 384;
    std::vector<emu::Condition> conditions;  // --status
    bool help = false;
    bool version = false;
};

// Nothing, with the reason in *error, when the command line is wrong.
std::optional<ProgramOptions> ParseOptions(const std::vector<std::string>& args,
                                           std::string* error);
std::string UsageText();

}  // namespace emutool
