// Baud-rate changes through CE_MOLV's dialog on the virtual printer, as an operator makes them:
// 50 changes cycling 19200, 115200 and 9600 ("修改波特率": the printer's command, the drain
// wait, then the host's settings). A change is taken when the printer runs at the new rate
// within a second of the click; one judged at the wrong rate leaves it at the old one, and every
// later change with it. Prints changes taken out of changes made (goal: all), with --pace BAUD
// for a printer that reads at the line's rate.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "app/res/Resource.h"
#include "bench/BenchDialogApp.h"
#include "emulator/VirtualPrinter.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChanges = 50;
constexpr int kRates[] = {19200, 115200, 9600};
constexpr int kRateIndex[] = {1, 2, 0};  // in the dialog's baud-rate list

int g_pace = 0;
int g_taken = 0;
double g_slowestMs = 0;

// "bench RATE" right after a change: waits up to a second for the printer to run at RATE.
bool Check(CVirtualPrinterSession& session, const std::string& args) {
    if (args == "end") {
        std::printf(
            "baud changes taken by the printer%s: %d of %d (goal: all); slowest %.1f ms from the "
            "click's end\n",
            g_pace > 0 ? (" (paced from " + std::to_string(g_pace) + " baud)").c_str()
                       : " (unpaced)",
            g_taken, kChanges, g_slowestMs);
        std::fflush(stdout);
        return true;
    }
    const std::uint32_t rate = static_cast<std::uint32_t>(std::stoul(args));
    const Clock::time_point start = Clock::now();
    while (session.Printer().Line().baud != rate) {
        if (Clock::now() - start > std::chrono::seconds(1)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ++g_taken;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (ms > g_slowestMs) g_slowestMs = ms;
    return true;
}

std::string Script() {
    std::string text = "click " + std::to_string(IDC_BUTTON_OPEN) + "\n";
    for (int i = 0; i < kChanges; ++i) {
        const int k = i % 3;
        text += "select " + std::to_string(IDC_COMBO_BAUDRATE) + " " +
                std::to_string(kRateIndex[k]) + "\nclick " + std::to_string(IDC_BUTTON_BAUDRATE) +
                "\nbench " + std::to_string(kRates[k]) + "\n";
    }
    return text + "bench end\nclick " + std::to_string(IDC_BUTTON_OPEN) + "\nclose\n";
}

VirtualPrinterOptions Options() {
    VirtualPrinterOptions options;
    options.paperFolder = std::filesystem::temp_directory_path() / "ce_molv-bench-baud-paper";
    return options;
}

CBenchDialogApp theApp(Options(), Script(),
                       [](CVirtualPrinterSession& session, CPrinterDemoDlg&,
                          const std::string& args) { return Check(session, args); });

}  // namespace

int main(int argc, char** argv) {
    theApp.SetPace([] { return static_cast<std::uint32_t>(g_pace); });
    return RunBench(argc, argv, "bench_baud_changes",
                    "Changes the baud rate 50 times through the dialog on a virtual printer and "
                    "prints\nhow many changes the printer took. Goal: all of them.",
                    {{"pace", &g_pace, "the printer reads at this baud rate (default: at once)"}});
}
