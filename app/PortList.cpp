#include "app/PortList.h"

#include <algorithm>
#include <map>
#include <system_error>
#include <vector>

#include "platform/win32.h"

namespace {

namespace fs = std::filesystem;

constexpr int kListedPorts = 6;  // the dialog's port list

// Serial device names: PC ports, USB adapters, and the on-chip ports of common ARM boards
// (Raspberry Pi, i.MX, Exynos, OMAP, i.MX LPUART, Jetson, Qualcomm).
constexpr const char* kDevicePrefixes[] = {"ttyS",   "ttyUSB", "ttyACM", "ttyAMA", "ttymxc",
                                           "ttySAC", "ttyO",   "ttyLP",  "ttyTHS", "ttyMSM"};

bool IsDeviceName(const std::string& name, const std::string& prefix) {
    return name.size() > prefix.size() && name.rfind(prefix, 0) == 0 &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// Entries of dir that pass the test, in natural order (ttyS2 before ttyS10).
template <typename Test>
std::vector<fs::path> Matching(const fs::path& dir, Test test) {
    std::vector<fs::path> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
        if (test(entry.path().filename().string())) found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        const std::string x = a.filename().string();
        const std::string y = b.filename().string();
        return x.size() != y.size() ? x.size() < y.size() : x < y;
    });
    return found;
}

std::string PortLine(int port, const std::string& path, bool mapped) {
    const std::string head = "  COM" + std::to_string(port) + "  " + path;
    if (const std::string network = platform::NetworkPortKind(path); !network.empty()) {
        return head + "  (" + network + ")\n";
    }
    std::error_code error;
    const bool missing = mapped && !fs::exists(path, error);
    return head + (missing ? "  (does not exist)" : "") + "\n";
}

}  // namespace

std::string DescribePorts(bool virtualPrinterOnCom1, const fs::path& devRoot) {
    const std::map<int, std::string> mapped = platform::MappedPorts();
    std::string text = "Port map:\n";
    for (int port = 1; port <= kListedPorts; ++port) {
        if (port == 1 && virtualPrinterOnCom1) {
            text += "  COM1  the virtual printer (its pty is made when the program starts)\n";
        } else {
            text += PortLine(port, platform::PortPath(port), mapped.count(port) != 0);
        }
    }
    for (const auto& [port, path] : mapped) {
        if (port > kListedPorts) text += PortLine(port, path, true);
    }
    std::vector<std::string> lines;
    for (const char* prefix : kDevicePrefixes) {
        auto isDevice = [prefix](const std::string& name) { return IsDeviceName(name, prefix); };
        for (const fs::path& device : Matching(devRoot, isDevice)) {
            lines.push_back("  " + device.string());
        }
    }
    for (const fs::path& link :
         Matching(devRoot / "serial" / "by-id", [](const std::string&) { return true; })) {
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
