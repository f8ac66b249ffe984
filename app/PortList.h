// The text of --list-ports: where COM1 to COM6 lead now, and the serial devices present.
#pragma once

#include <filesystem>
#include <string>

// devRoot is /dev except in tests.
std::string DescribePorts(const std::filesystem::path& devRoot = "/dev");
