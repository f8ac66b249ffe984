// Start to dialog shown, and peak memory, of CE_MOLV on its virtual printer, offscreen. Each run
// starts the program with a script whose first line takes a screenshot: the script runs once
// the dialog is shown, so the screenshot's time stamp marks "shown". Goals: < 500 ms, < 80 MB.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"

extern char** environ;

namespace {

struct Run {
    double shownMs = 0;
    double totalMs = 0;
    double peakMiB = 0;
    bool ok = false;
};

double Millis(const timespec& from, const timespec& to) {
    return (to.tv_sec - from.tv_sec) * 1e3 + (to.tv_nsec - from.tv_nsec) / 1e6;
}

Run RunOnce(const std::string& program, const std::filesystem::path& dir, bool virtualPrinter) {
    const std::filesystem::path shot = dir / "shown.png";
    std::filesystem::remove(shot);
    const std::filesystem::path script = dir / "startup.script";
    std::ofstream(script) << "screenshot " << shot.string() << "\nclose\n";

    std::vector<std::string> args = {program, "--script", script.string()};
    if (virtualPrinter) {
        args.insert(args.end(), {"--virtual-printer", "--paper-dir", (dir / "paper").string()});
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    Run run;
    timespec start{}, end{};
    clock_gettime(CLOCK_REALTIME, &start);
    // The program's own output would bury the figures.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    clock_gettime(CLOCK_REALTIME, &end);
    struct stat st {};
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && stat(shot.c_str(), &st) == 0;
    run.shownMs = run.ok ? Millis(start, st.st_mtim) : 0;
    run.totalMs = Millis(start, end);
    run.peakMiB = usage.ru_maxrss / 1024.0;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_startup",
            "Starts CE_MOLV offscreen (alone and with its virtual printer) and prints the\n"
            "time until the dialog is shown and the peak memory. Goals: < 500 ms, < 80 MB.",
            {{"runs", &runs, "starts of each kind"}}, exitCode))
        return exitCode;
    const std::string program = CE_MOLV_EXECUTABLE;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ce_molv-startup-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    std::printf(
        "CE_MOLV start-up, offscreen, %d runs each (goal: shown < 500 ms, peak RSS < 80 MB)\n",
        runs);
    for (bool virtualPrinter : {false, true}) {
        std::vector<double> shown, total, peak;
        int failed = 0;
        for (int i = 0; i < runs; ++i) {
            const Run run = RunOnce(program, dir, virtualPrinter);
            if (!run.ok) {
                ++failed;
                continue;
            }
            shown.push_back(run.shownMs);
            total.push_back(run.totalMs);
            peak.push_back(run.peakMiB);
        }
        std::printf(
            "  %-28s start to shown: median %6.1f ms, max %6.1f ms; start to exit: median %6.1f "
            "ms; "
            "peak RSS: max %5.1f MiB%s\n",
            virtualPrinter ? "--virtual-printer:" : "dialog alone:", bench::Percentile(shown, 0.5),
            bench::Percentile(shown, 1), bench::Percentile(total, 0.5), bench::Percentile(peak, 1),
            failed > 0 ? (" (" + std::to_string(failed) + " runs failed)").c_str() : "");
    }
    std::filesystem::remove_all(dir);
    return 0;
}
