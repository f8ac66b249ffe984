// Soak: CE_MOLV's dialog on the virtual printer, cycle after cycle for the given time: open,
// every demonstration, paper out reported by the printer and taken back, sleep and wake, close.
// Prints the cycles, the errors, and the process's resident memory, open descriptors and threads
// after a warm-up (a minute, or a fifth of a shorter run) and at the end.
// Goal: no errors, no growth in descriptors or threads, resident memory growth under 1 MB.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/PrinterDemoDlg.h"
#include "app/res/Resource.h"
#include "bench/BenchDialogApp.h"
#include "emulator/VirtualPrinter.h"
#include "emulator/device/StatusModel.h"

namespace {

using Clock = std::chrono::steady_clock;

int g_seconds = 600;
// A listed receipt path: the string's heap block and its slot in the vector, with the vector's
// spare room.
constexpr std::size_t kListedReceiptBytes = 112;
std::thread g_soaker;

// A script's wait lasts at most 10 minutes, and the script must be on its last line when the soak
// ends the dialog: the soak runs under enough waits, and once done it holds the end until the
// last wait has begun.
constexpr int kWaitSeconds = 600;
int WaitLines() { return (g_seconds + 30) / kWaitSeconds + 1; }

struct ProcessFigures {
    long rssKb = 0;
    // What the program holds: the allocator keeps freed receipt pictures for reuse, so RSS alone
    // can grow with no leak behind it.
    long liveHeapKb = 0;
    int descriptors = 0;
    int threads = 0;
};

ProcessFigures Sample() {
    ProcessFigures figures;
    const bench::ProcessMemory memory = bench::SampleMemory();
    figures.rssKb = memory.rssKb;
    figures.liveHeapKb = memory.liveHeapKb;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Threads:", 0) == 0) figures.threads = std::stoi(line.substr(8));
    }
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++figures.descriptors;
        closedir(dir);
        --figures.descriptors;  // the one opendir holds
    }
    return figures;
}

class Soaker {
  public:
    Soaker(CVirtualPrinterSession& session, CPrinterDemoDlg& dialog)
        : m_session(session),
          m_dialog(dialog),
          m_hDialog(dialog.GetSafeHwnd()),
          m_hPaperOut(dialog.GetDlgItemHandle(IDC_CHECK_PAPEROUT)) {}

    void Run() {
        const Clock::time_point start = Clock::now();
        const Clock::time_point end = start + std::chrono::seconds(g_seconds);
        // The printer's window fills up to its limits in the first minute; growth counts after.
        const Clock::time_point warmedUp =
            start + std::chrono::seconds(std::min(60, g_seconds / 5));
        Clock::time_point nextProgress = start + std::chrono::minutes(1);
        std::optional<ProcessFigures> first;
        std::size_t receiptsAtWarmUp = 0;
        long cycles = 0;
        while (Clock::now() < end) {
            Cycle();
            ++cycles;
            if (!first && Clock::now() >= warmedUp) {
                first = Sample();
                receiptsAtWarmUp = m_session.SavedReceipts().size();
            }
            if (Clock::now() >= nextProgress) {
                const ProcessFigures now = Sample();
                std::printf(
                    "  %3lld s: %ld cycles, %ld errors, RSS %ld kB, live heap %ld kB, %d "
                    "descriptors, %d threads\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start)
                            .count()),
                    cycles, m_errors, now.rssKb, now.liveHeapKb, now.descriptors, now.threads);
                std::fflush(stdout);
                nextProgress += std::chrono::minutes(1);
            }
        }
        if (!first) first = Sample();
        const ProcessFigures last = Sample();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("soak, %.0f s: %ld cycles of %llu bytes each, %ld errors (goal 0)\n", seconds,
                    cycles, static_cast<unsigned long long>(m_bytesPerCycle), m_errors);
        const long warmUpSeconds =
            std::chrono::duration_cast<std::chrono::seconds>(warmedUp - start).count();
        std::printf(
            "  RSS after the %ld s warm-up %ld kB, at the end %ld kB: %+ld kB "
            "(goal < 1024 kB)\n",
            warmUpSeconds, first->rssKb, last.rssKb, last.rssKb - first->rssKb);
        std::printf("  live heap after the warm-up %ld kB, at the end %ld kB: %+ld kB\n",
                    first->liveHeapKb, last.liveHeapKb, last.liveHeapKb - first->liveHeapKb);
        // By design, the virtual printer lists the path of every receipt it saved.
        std::printf(
            "  of which the virtual printer's list of the %zu receipts saved meanwhile: "
            "about %zu kB\n",
            m_session.SavedReceipts().size() - receiptsAtWarmUp,
            (m_session.SavedReceipts().size() - receiptsAtWarmUp) * kListedReceiptBytes / 1024);
        std::printf("  descriptors %d -> %d, threads %d -> %d (goal: no growth)\n",
                    first->descriptors, last.descriptors, first->threads, last.threads);
        std::printf("  load average at the end: %s\n", bench::LoadAverage().c_str());
        std::fflush(stdout);
        std::this_thread::sleep_until(start +
                                      std::chrono::seconds(kWaitSeconds * (WaitLines() - 1) + 2));
        ::PostMessageW(m_hDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }

  private:
    // Sent, not posted: each handler has run on the user-interface thread when this returns.
    void Click(int id) { ::SendMessageW(m_hDialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

    void Error(const char* what) {
        ++m_errors;
        std::printf("  error: %s\n", what);
    }

    // Whether the condition holds within 5 s.
    static bool Within(const std::function<bool()>& condition) {
        const Clock::time_point until = Clock::now() + std::chrono::seconds(5);
        while (!condition()) {
            if (Clock::now() >= until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    bool PaperOutShown(bool on) {
        return Within([&] { return (::SendMessageW(m_hPaperOut, BM_GETCHECK, 0, 0) == 1) == on; });
    }

    // Waits until the printer has taken every byte sent: nothing new for 300 ms, long enough
    // for its link thread to get a turn on a busy machine.
    std::uint64_t PrinterSettled() {
        emu::VirtualPrinter& printer = m_session.Printer();
        std::uint64_t seen = printer.Received();
        for (int still = 0; still < 6;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const std::uint64_t now = printer.Received();
            still = now == seen && printer.Waiting() == 0 ? still + 1 : 0;
            seen = now;
        }
        return seen;
    }

    // Every cycle sends the same bytes; the first one's count is the reference.
    void Cycle() {
        const std::uint64_t before = PrinterSettled();
        RunCycle();
        const std::uint64_t taken = PrinterSettled() - before;
        if (m_bytesPerCycle == 0) m_bytesPerCycle = taken;
        if (taken != m_bytesPerCycle) {
            Error(("the printer took " + std::to_string(taken) + " bytes, not " +
                   std::to_string(m_bytesPerCycle))
                      .c_str());
        }
    }

    void RunCycle() {
        Click(IDC_BUTTON_OPEN);
        if (!m_dialog.IsOpen()) return Error("the port did not open");
        for (int id :
             {IDC_BUTTON_FONTSTYLE, IDC_BUTTON_PRINTFEED, IDC_BUTTON_MARGINS,
              IDC_BUTTON_ABSPOSITION, IDC_BUTTON_GRAYLEVEL, IDC_BUTTON_HTAB, IDC_BUTTON_VTABLE,
              IDC_BUTTON_IMAGE, IDC_BUTTON_ALIGNMENT, IDC_BUTTON_BARCODE, IDC_BUTTON_CUTPAPER})
            Click(id);
        // Reports start once the printer has read the request for them, behind the open's
        // other commands: a change made before that is never reported, by design.
        PrinterSettled();
        for (bool on : {true, false}) {
            m_session.SetCondition(emu::Condition::PaperOut, on);
            if (!PaperOutShown(on))
                Error(on ? "paper out did not reach the check box"
                         : "paper back did not reach the check box");
        }
        emu::VirtualPrinter& printer = m_session.Printer();
        Click(IDC_BUTTON_ENTERSLEEP);
        if (!Within([&] { return printer.Asleep(); })) Error("the printer did not go to sleep");
        // The printer refuses to wake sooner.
        std::this_thread::sleep_for(emu::StatusModel::kMinimumSleep);
        Click(IDC_BUTTON_EXITSLEEP);
        if (!Within([&] { return !printer.Asleep(); })) Error("the printer did not wake");
        Click(IDC_BUTTON_OPEN);
        if (m_dialog.IsOpen()) Error("the port did not close");
    }

    CVirtualPrinterSession& m_session;
    CPrinterDemoDlg& m_dialog;
    HWND m_hDialog;
    HWND m_hPaperOut;
    long m_errors = 0;
    std::uint64_t m_bytesPerCycle = 0;
};

VirtualPrinterOptions Options() {
    VirtualPrinterOptions options;
    options.paperFolder = std::filesystem::temp_directory_path() / "ce_molv-bench-soak-paper";
    return options;
}

std::string Script() {
    std::string text = "bench\n";
    for (int i = 0; i < WaitLines(); ++i)
        text += "wait " + std::to_string(kWaitSeconds * 1000) + "\n";
    return text;
}

CBenchDialogApp theApp(Options(), "",
                       [](CVirtualPrinterSession& session, CPrinterDemoDlg& dialog,
                          const std::string&) {
                           if (dialog.GetDlgItemHandle(IDC_CHECK_PAPEROUT) == nullptr) return false;
                           g_soaker =
                               std::thread([&session, &dialog] { Soaker(session, dialog).Run(); });
                           return true;
                       });

}  // namespace

int main(int argc, char** argv) {
    theApp.SetScript([] { return Script(); });
    const int code = RunBench(
        argc, argv, "bench_soak",
        "Runs CE_MOLV's dialog on the virtual printer in a loop (open, every demonstration,\n"
        "paper out and back from the printer, sleep and wake, close) and prints cycles, errors,\n"
        "and resident memory, live heap, descriptors and threads after a warm-up and at the end.\n"
        "Goal: no errors, no growth in descriptors or threads, RSS growth under 1 MB.",
        {{"seconds", &g_seconds, "how long to run"}});
    if (g_soaker.joinable()) g_soaker.join();
    std::error_code ignored;
    std::filesystem::remove_all(Options().paperFolder, ignored);
    return code;
}
