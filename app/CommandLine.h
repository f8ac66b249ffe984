// CCommandLine: the options of CE_MOLV. Each option is one row of a table (name, value, help,
// what it sets), so adding one is adding a row and a field.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "emulator/link/TcpListener.h"

struct CommandLineOptions {
    bool help = false;
    bool version = false;
    bool listPorts = false;
    std::string script;                                // "-" for standard input
    std::vector<std::pair<int, std::string>> portMap;  // COMn=PATH, in the order given
    std::string tracePath;                             // wire trace; "-" for standard output
    bool virtualPrinter = false;                       // the printer inside the program on COM1
    bool demo = false;                                 // the built-in demonstration (implies it)
    std::string paperFolder;                           // "": the default folder
    std::uint32_t paceBaud = 0;                        // 0: the printer reads at once
    std::string stateFolder;                           // "": the default state folder
    int maxReceipts = 0;                               // 0: no count
    std::optional<emu::ListenAddress> http;            // the virtual printer in a browser

    // --virtual-printer serves COM1 unless --port maps COM1 elsewhere.
    bool VirtualPrinterOnCom1() const;
};

class CCommandLine {
  public:
    // False with what is wrong in *pError (the caller exits with code 2).
    bool Parse(const std::vector<std::string>& arguments, std::string* pError);
    const CommandLineOptions& Options() const { return m_options; }

    static std::string Usage(const std::string& program);

  private:
    CommandLineOptions m_options;
};
