#include "app/PortList.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "platform/win32.h"

namespace {

namespace fs = std::filesystem;

// Entries of dir whose names start with prefix, in natural order (ttyS2 before ttyS10).
std::vector<fs::path> Matching(const fs::path& dir, const std::string& prefix) {
    std::vector<fs::path> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) {
            found.push_back(entry.path());
        }
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        const std::string x = a.filename().string();
        const std::string y = b.filename().string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return found;
}

}  // namespace

std::string DescribePorts(const fs::path& devRoot) {
    std::string text = "Port map:\n";
    for (int port = 1; port <= 6; ++port) {
        text += "  COM" + std::to_string(port) + "  " + platform::PortPath(port) + "\n";
    }
    std::vector<std::string> lines;
    for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"}) {
        for (const fs::path& device : Matching(devRoot, prefix)) {
            lines.push_back("  " + device.string());
        }
    }
    for (const fs::path& link : Matching(devRoot / "serial" / "by-id", "")) {
        std::error_code error;
        const fs::path target = fs::canonical(link, error);
        lines.push_back("  " + link.string() + (error ? "" : "  -> " + target.string()));
    }
    text += "Serial devices present:\n";
    if (lines.empty()) {
        text += "  (none)\n";
    }
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}
