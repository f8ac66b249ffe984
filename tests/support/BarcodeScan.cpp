#include "tests/support/BarcodeScan.h"

#include <cstdio>

namespace testsupport {
namespace {

std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Output(const std::string& command, const char* tool) {
    std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return std::string(tool) + " did not start";
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\f')) output.pop_back();
    return output;
}

}  // namespace

std::string ScanBarcodes(const std::string& pngPath) {
    return Output("zbarimg -q " + Quoted(pngPath), "zbarimg");
}

// One block of text (page segmentation 6), as the printed lines are.
std::string ReadText(const std::string& pngPath) {
    return Output("tesseract " + Quoted(pngPath) + " - --psm 6", "tesseract");
}

}  // namespace testsupport
