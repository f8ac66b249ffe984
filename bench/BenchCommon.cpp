#include "bench/BenchCommon.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <initializer_list>

namespace bench {

std::vector<std::uint8_t> ReceiptStream(std::size_t size, int* count) {
    std::vector<std::uint8_t> stream;
    auto append = [&stream](const std::string& text) {
        stream.insert(stream.end(), text.begin(), text.end());
    };
    *count = 0;
    while (stream.size() < size) {
        append(std::string("\x1b@\x1b"
                           "a\x01",
                           5) +
               "RECEIPT " + std::to_string(*count) + "\n");
        for (int line = 0; line < 24; ++line)
            append("Item " + std::to_string(line) + "  Coffee beans 250 g   4.50\n");
        append(std::string("\x1dVA\x00", 4));
        ++*count;
    }
    return stream;
}

bool ParseArguments(int argc, char** argv, const char* program, const char* purpose,
                    std::initializer_list<IntOption> options, int& exitCode,
                    std::initializer_list<TextOption> textOptions) {
    exitCode = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::printf("Usage: %s [options]\n%s\n\nOptions:\n", program, purpose);
            for (const IntOption& option : options)
                std::printf("  --%-10s N  %s (default %d)\n", option.name, option.help,
                            *option.value);
            for (const TextOption& option : textOptions)
                std::printf("  --%-10s S  %s\n", option.name, option.help);
            std::printf("  --help          show this help\n  --version       show the version\n");
            return false;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("%s %s\n", program, CE_MOLV_VERSION);
            return false;
        }
        const auto named = [arg](const char* name) {
            return arg[0] == '-' && arg[1] == '-' && std::strcmp(arg + 2, name) == 0;
        };
        bool known = false;
        for (const TextOption& option : textOptions) {
            if (!named(option.name)) continue;
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s: --%s needs a value\n", program, option.name);
                exitCode = 2;
                return false;
            }
            known = true;
            *option.value = argv[++i];
        }
        for (const IntOption& option : options) {
            if (!named(option.name)) continue;
            known = true;
            char* end = nullptr;
            const long value = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
            if (i + 1 >= argc || *end != '\0' || value <= 0 || value > 1000000) {
                std::fprintf(stderr, "%s: --%s needs a whole number from 1 to 1000000\n", program,
                             option.name);
                exitCode = 2;
                return false;
            }
            *option.value = static_cast<int>(value);
            ++i;
        }
        if (!known) {
            std::fprintf(stderr, "%s: unknown option '%s' (try --help)\n", program, arg);
            exitCode = 2;
            return false;
        }
    }
    return true;
}

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto last = static_cast<double>(values.size() - 1);
    return values[static_cast<std::size_t>(std::clamp(share, 0.0, 1.0) * last + 0.5)];
}

std::filesystem::path RunFolder(const std::string& name) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (name + "." + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string a, b, c;
    if (!(file >> a >> b >> c)) return "unknown";
    return a + " " + b + " " + c;
}

double ProcessCpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

ProcessMemory SampleMemory() {
    ProcessMemory memory;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) memory.rssKb = std::stol(line.substr(6));
    }
    memory.liveHeapKb = static_cast<long>(mallinfo2().uordblks / 1024);
    return memory;
}

}  // namespace bench
