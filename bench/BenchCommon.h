// What the benchmark programs share: argument handling and the figures around a measurement.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace bench {

// Parses "--name N" options into the given integer, and answers --help and --version. Returns
// false (after printing what is wrong or the help text) when the program should exit; exitCode
// then holds its status.
struct IntOption {
    const char* name;
    int* value;
    const char* help;
};
// "--name TEXT" options.
struct TextOption {
    const char* name;
    std::string* value;
    const char* help;
};
bool ParseArguments(int argc, char** argv, const char* program, const char* purpose,
                    std::initializer_list<IntOption> options, int& exitCode,
                    std::initializer_list<TextOption> textOptions = {});

// A duration in seconds, as the figures are printed.
inline double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The value at the given share of the values in order (0.5 the median, 0.99 the 99th percentile,
// 1 the largest); 0 when there are none.
double Percentile(std::vector<double> values, double share);

// Receipts of text lines, each ending in a full cut, to about the size asked for; *count says
// how many.
std::vector<std::uint8_t> ReceiptStream(std::size_t size, int* count);

// A folder of this run's own under the temporary folder (NAME.PID), made.
std::filesystem::path RunFolder(const std::string& name);

// The machine's load averages as /proc/loadavg gives them, or "unknown".
std::string LoadAverage();

// CPU time the whole process has used so far, in seconds.
double ProcessCpuSeconds();

// The process's resident memory, and its live heap: what it holds, without the memory the
// allocator keeps for reuse (which RSS counts).
struct ProcessMemory {
    long rssKb = 0;
    long liveHeapKb = 0;
};
ProcessMemory SampleMemory();

}  // namespace bench
