#include "tests/support/BarcodeScan.h"

#include <cstdio>

namespace testsupport {

std::string ScanBarcodes(const std::string& pngPath) {
    std::string quoted = "'";
    for (char c : pngPath) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    std::FILE* pipe = popen(("zbarimg -q " + quoted + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return "zbarimg did not start";
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
}

}  // namespace testsupport
