// The text of --list-ports: where COM1 to COM6 and every mapped port lead now (a mapped path
// that does not exist is marked), and the serial devices present: PC and USB adapters, the
// on-chip ports of ARM boards, and the stable /dev/serial/by-id names.
#pragma once

#include <filesystem>
#include <string>

// virtualPrinterOnCom1: --virtual-printer will serve COM1. devRoot is /dev except in tests.
std::string DescribePorts(bool virtualPrinterOnCom1, const std::filesystem::path& devRoot = "/dev");
