// printer-emulator against a previous build of it, in one run, on the client libraries' streams
// (tests/emulator/clients): receipts one process each, receipts as one batch, jobs over TCP one
// connection each, the PNG bytes a receipt, and the start of a one-receipt --input job against a
// plain C++ program. The two programs take turns, round by round; the figures are medians.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HostEnd.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::Seconds;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

const char* const kTextClients[] = {"escpos-buffer", "node-thermal-printer", "point-of-sale",
                                    "receiptline"};
const char* const kImageClients[] = {"images-escpos-buffer", "images-node-thermal-printer",
                                     "images-point-of-sale-column", "images-point-of-sale-raster",
                                     "images-receiptline"};

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// CPU seconds of the programs waited for so far: on a shared machine the wall clock also counts
// the time others had the processors.
double g_programCpu = 0;

// Whether the program ended well; it is counted in g_programCpu.
bool Ended(testsupport::ChildProcess& program) {
    if (!program.Started()) return false;
    rusage usage{};
    const int status = program.Wait(&usage);
    g_programCpu += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs the program to its end, its output and errors to /dev/null.
bool Run(std::vector<std::string> args) {
    testsupport::ChildProcess program(std::move(args), testsupport::ChildProcess::kQuiet);
    return Ended(program);
}

// A folder of its own for one run's receipts, all removed at the end: on ext4 without a journal
// the inode allocator steps over recently deleted inodes one by one, so removing a run's
// receipts before the next would put that clean-up into the next run's figures.
fs::path Fresh(const fs::path& work) {
    static int runs = 0;
    return work / ("out-" + std::to_string(++runs));
}

int CountReceipts(const fs::path& folder) {
    std::error_code ec;
    int n = 0;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        n += entry.path().extension() == ".png";
    return n;
}

std::uintmax_t ReceiptBytes(const fs::path& folder) {
    std::error_code ec;
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == ".png") bytes += entry.file_size();
    return bytes;
}

struct Workload {
    const char* name;
    // Seconds for one run of the program, its receipts saved in out; negative when it failed.
    double (*run)(const std::string& program, const fs::path& out);
    int receipts;
    bool rate;  // also as receipts a second
};

fs::path g_streams;  // the streams the workloads feed, written once

double OneProcessEach(const std::string& program, const fs::path& out, const char* prefix) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(g_streams))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    const Clock::time_point start = Clock::now();
    for (const fs::path& file : files)
        if (!Run({program, "--model", "escpos80", "--input", file.string(), "--out", out.string()}))
            return -1;
    return Seconds(Clock::now() - start);
}

double Batch(const std::string& program, const fs::path& out, const char* name) {
    const Clock::time_point start = Clock::now();
    if (!Run({program, "--model", "escpos80", "--input", (g_streams / name).string(), "--out",
              out.string()}))
        return -1;
    return Seconds(Clock::now() - start);
}

constexpr int kTcpJobs = 240;

// Jobs one connection each, one after the other as a point-of-sale program sends them; from the
// first connection to the last receipt saved.
double OverTcp(const std::string& program, const fs::path& out) {
    testsupport::ChildProcess printer(
        {program, "--model", "escpos80", "--listen", "127.0.0.1:0", "--out", out.string()},
        testsupport::ChildProcess::kInput | testsupport::ChildProcess::kOutput |
            testsupport::ChildProcess::kQuiet);
    int port = 0;
    while (port == 0) {
        const std::string line = printer.ReadLine();
        if (line.empty()) break;
        if (line.rfind("listening:", 0) == 0) port = std::atoi(line.c_str() + line.rfind(':') + 1);
    }
    std::vector<Bytes> jobs;
    for (const char* client : kTextClients)
        jobs.push_back(ReadFile(g_streams / (std::string("job-") + client + ".bin")));
    double seconds = -1;
    if (port > 0) {
        const Clock::time_point start = Clock::now();
        bool sent = true;
        for (int i = 0; i < kTcpJobs && sent; ++i) {
            emutest::HostEnd client =
                emutest::HostEnd::ConnectTcp(static_cast<std::uint16_t>(port));
            sent = client.Ok() && client.Write(jobs[i % jobs.size()]);
        }
        const bool all = sent && emutest::WaitUntil([&] { return CountReceipts(out) >= kTcpJobs; },
                                                    std::chrono::milliseconds(60000));
        if (all) seconds = Seconds(Clock::now() - start);
    }
    printer.Write("quit\n");
    printer.CloseInput();
    return Ended(printer) ? seconds : -1;
}

const Workload kWorkloads[] = {
    {"12 text receipts, one process each",
     [](const std::string& p, const fs::path& o) { return OneProcessEach(p, o, "text-"); }, 12,
     false},
    {"14 image receipts, one process each",
     [](const std::string& p, const fs::path& o) { return OneProcessEach(p, o, "image-"); }, 14,
     false},
    {"240 text receipts as one batch",
     [](const std::string& p, const fs::path& o) { return Batch(p, o, "batch-text.bin"); }, 240,
     false},
    {"140 image receipts as one batch",
     [](const std::string& p, const fs::path& o) { return Batch(p, o, "batch-images.bin"); }, 140,
     false},
    {"240 text jobs over TCP, one connection each",
     [](const std::string& p, const fs::path& o) { return OverTcp(p, o); }, kTcpJobs, true},
};

// A client's receipt ending in a full cut: most clients end theirs with a partial cut, which
// leaves the paper on.
Bytes Receipt(const fs::path& fixtures, const char* client) {
    Bytes stream = ReadFile(fixtures / (std::string(client) + ".bin"));
    stream.insert(stream.end(), {0x1D, 0x56, 0x00});
    return stream;
}

// The streams: the text clients' receipts three times over as files of their own (12), the image
// clients' to 14, and batches of 240 text and 140 image receipts.
void WriteStreams(const fs::path& fixtures) {
    fs::create_directories(g_streams);
    Bytes textBatch, imageBatch;
    for (int i = 0; i < 12; ++i) {
        const char* client = kTextClients[i % 4];
        const Bytes stream = Receipt(fixtures, client);
        WriteFile(g_streams / ("text-" + std::to_string(10 + i) + "-" + client + ".bin"), stream);
        if (i < 4) WriteFile(g_streams / (std::string("job-") + client + ".bin"), stream);
    }
    for (int i = 0; i < 14; ++i) {
        const char* client = kImageClients[i % 5];
        WriteFile(g_streams / ("image-" + std::to_string(10 + i) + "-" + client + ".bin"),
                  Receipt(fixtures, client));
    }
    for (int i = 0; i < 240; ++i) {
        const Bytes stream = Receipt(fixtures, kTextClients[i % 4]);
        textBatch.insert(textBatch.end(), stream.begin(), stream.end());
    }
    for (int i = 0; i < 140; ++i) {
        const Bytes stream = Receipt(fixtures, kImageClients[i % 5]);
        imageBatch.insert(imageBatch.end(), stream.begin(), stream.end());
    }
    WriteFile(g_streams / "batch-text.bin", textBatch);
    WriteFile(g_streams / "batch-images.bin", imageBatch);
}

double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Start to exit of one process, in milliseconds.
double TimeProcess(const std::vector<std::string>& args) {
    const Clock::time_point start = Clock::now();
    return Run(args) ? Seconds(Clock::now() - start) * 1000 : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--plain") == 0) {
        std::printf("a plain program\n");  // the yardstick of the start-up figure
        return 0;
    }
    int rounds = 5;
    int starts = 20;
    std::string baseline;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_emulator_workloads",
            "Runs printer-emulator and a previous build of it (--baseline PATH) on five\n"
            "workloads made of the client libraries' receipts (80 mm), taking turns, and prints\n"
            "the median seconds of each and how many times faster this build is; then the PNG\n"
            "bytes a receipt of both, and the start to exit of a one-receipt --input job against\n"
            "a plain C++ program. Goals: one process each and the text batch >= 4x, the image\n"
            "batch >= 1x, TCP >= 1000 receipts/s, start within 3x the plain program.",
            {{"rounds", &rounds, "rounds of the workloads"},
             {"starts", &starts, "start-up runs of each program"}},
            exitCode, {{"baseline", &baseline, "the previous build's printer-emulator"}}))
        return exitCode;
    const std::string current = PRINTER_EMULATOR;
    const fs::path work = bench::RunFolder("bench_emulator_workloads");
    g_streams = work / "streams";
    WriteStreams(EMULATOR_FIXTURES);
    std::vector<std::pair<const char*, std::string>> programs = {{"this build", current}};
    if (!baseline.empty()) programs.push_back({"baseline", baseline});
    std::printf("load average: %s\nthis build: %s\nbaseline:   %s\n", bench::LoadAverage().c_str(),
                current.c_str(),
                baseline.empty() ? "(none: give --baseline PATH)" : baseline.c_str());

    const std::size_t count = std::size(kWorkloads);
    std::vector<std::vector<double>> times(count * programs.size()), cpu(times.size());
    std::vector<std::uintmax_t> bytes(programs.size());
    std::vector<int> receipts(programs.size());
    for (int round = 0; round < rounds; ++round)
        for (std::size_t w = 0; w < count; ++w)
            for (std::size_t p = 0; p < programs.size(); ++p) {
                const fs::path out = Fresh(work);
                g_programCpu = 0;
                const double seconds = kWorkloads[w].run(programs[p].second, out);
                if (seconds < 0 || CountReceipts(out) != kWorkloads[w].receipts) {
                    std::printf("%s failed on '%s' (%d receipts saved)\n", programs[p].first,
                                kWorkloads[w].name, CountReceipts(out));
                    fs::remove_all(work);
                    return 1;
                }
                times[w * programs.size() + p].push_back(seconds);
                cpu[w * programs.size() + p].push_back(g_programCpu);
                if (round == 0) {
                    bytes[p] += ReceiptBytes(out);
                    receipts[p] += CountReceipts(out);
                }
            }
    std::printf("\n%-44s %8s %8s %8s   %8s %8s %8s\n", "workload (median of rounds)", "wall s",
                "baseline", "x faster", "CPU s", "baseline", "x less");
    for (std::size_t w = 0; w < count; ++w) {
        const std::size_t at = w * programs.size();
        const double now = Median(times[at]), nowCpu = Median(cpu[at]);
        const bool both = programs.size() > 1;
        const double before = both ? Median(times[at + 1]) : 0;
        const double beforeCpu = both ? Median(cpu[at + 1]) : 0;
        std::printf("%-44s %8.3f %8.3f %8.2f   %8.3f %8.3f %8.2f\n", kWorkloads[w].name, now,
                    before, before > 0 ? before / now : 0, nowCpu, beforeCpu,
                    beforeCpu > 0 ? beforeCpu / nowCpu : 0);
        if (kWorkloads[w].rate)
            std::printf(
                "%-44s %8.0f %8.0f receipts a second; a second of the printer's CPU: "
                "%.0f, baseline %.0f\n",
                "", kWorkloads[w].receipts / now, before > 0 ? kWorkloads[w].receipts / before : 0,
                kWorkloads[w].receipts / nowCpu,
                beforeCpu > 0 ? kWorkloads[w].receipts / beforeCpu : 0);
    }
    std::printf("\nPNG bytes a receipt (first round, every workload): this build %.0f",
                static_cast<double>(bytes[0]) / receipts[0]);
    if (programs.size() > 1)
        std::printf(", baseline %.0f (%.0f%% of it)", static_cast<double>(bytes[1]) / receipts[1],
                    100.0 * bytes[0] / receipts[0] / (static_cast<double>(bytes[1]) / receipts[1]));
    std::printf("\n");

    // Start-up: one receipt of Font A text, and one of Font A and B with box-drawing rules.
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::printf("\nstart to exit, one-receipt --input job (median of %d, ms):\n", starts);
    for (const char* client : {"escpos-buffer", "point-of-sale"}) {
        const std::string stream = (g_streams / (std::string("job-") + client + ".bin")).string();
        std::vector<std::vector<double>> ms(programs.size() + 1);
        for (int i = 0; i < starts; ++i) {
            ms[0].push_back(TimeProcess({self, "--plain"}));
            for (std::size_t p = 0; p < programs.size(); ++p)
                ms[p + 1].push_back(TimeProcess(
                    {programs[p].second, "--input", stream, "--out", Fresh(work).string()}));
        }
        const double plain = Median(ms[0]);
        std::printf("  %-22s plain program %.2f; this build %.2f (%.1fx the plain program)", client,
                    plain, Median(ms[1]), Median(ms[1]) / plain);
        if (programs.size() > 1)
            std::printf("; baseline %.2f (%.1fx)", Median(ms[2]), Median(ms[2]) / plain);
        std::printf("\n");
    }
    fs::remove_all(work);
    return 0;
}
