// Every demonstration through a virtual printer that reads at 115200 baud, as a printer on a
// real line would: time from the first button press until the printer has taken the last byte,
// divided by the line time of those bytes (bytes x 10 / baud). 1.00 means the tool keeps the
// line full; goal <= 1.02 on the pty, <= 1.05 with --ser2net 1 (the dialog's port then reaches
// the printer's pty through ser2net's RFC 2217 accepter on loopback).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/DemonstrationTable.h"
#include "app/PrinterDemoDlg.h"
#include "app/res/Resource.h"
#include "bench/BenchDialogApp.h"
#include "emulator/VirtualPrinter.h"
#include "platform/win32.h"
#include "tests/support/DeviceServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kBaud = 115200;
int g_ser2net = 0;
std::unique_ptr<testsupport::DeviceServer> g_server;

struct Watch {
    Clock::time_point start;
    std::uint64_t bytesAtStart = 0;
    std::atomic<bool> stop{false};
    std::thread thread;
    Clock::time_point lastChange;
    std::uint64_t lastBytes = 0;
};
Watch g_watch;

// "bench start": before the first demonstration; "bench end": waits until the printer has
// been idle for a while, then prints the figures.
bool Measure(CVirtualPrinterSession& session, const std::string& args) {
    emu::VirtualPrinter& printer = session.Printer();
    if (args == "ser2net") {
        g_server = std::make_unique<testsupport::DeviceServer>(
            testsupport::DeviceServer::Kind::Ser2net, session.DevicePath());
        if (!g_server->Ok()) std::fprintf(stderr, "bench: %s\n", g_server->Problem().c_str());
        return g_server->Ok() && platform::MapPort(1, g_server->Url());
    }
    if (args == "start") {
        g_watch.bytesAtStart = printer.Received();
        g_watch.lastBytes = g_watch.bytesAtStart;
        g_watch.start = g_watch.lastChange = Clock::now();
        g_watch.thread = std::thread([&printer] {
            while (!g_watch.stop) {
                const std::uint64_t bytes = printer.Received();
                if (bytes != g_watch.lastBytes) {
                    g_watch.lastBytes = bytes;
                    g_watch.lastChange = Clock::now();
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        return true;
    }
    if (args != "end" || !g_watch.thread.joinable()) return false;
    // Blocking the user-interface thread is fine here: the printer's link runs on its own.
    for (std::uint64_t seen = ~0ull; seen != printer.Received();) {
        seen = printer.Received();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    g_watch.stop = true;
    g_watch.thread.join();
    const std::uint64_t bytes = g_watch.lastBytes - g_watch.bytesAtStart;
    const double elapsed =
        std::chrono::duration<double>(g_watch.lastChange - g_watch.start).count();
    const double lineTime = bytes * 10.0 / kBaud;
    std::printf(
        "all demonstrations at %u baud%s: %llu bytes, elapsed %.3f s, line time %.3f s, "
        "ratio %.3f (goal <= %s)\n",
        kBaud, g_server ? " through ser2net" : "", static_cast<unsigned long long>(bytes), elapsed,
        lineTime, lineTime > 0 ? elapsed / lineTime : 0.0, g_server ? "1.05" : "1.02");
    std::fflush(stdout);
    return true;
}

VirtualPrinterOptions Options() {
    VirtualPrinterOptions options;
    options.paperFolder = std::filesystem::temp_directory_path() / "ce_molv-bench-paper";
    options.paceBaud = kBaud;
    return options;
}

std::string Script() {
    std::string text = g_ser2net ? "bench ser2net\n" : "";
    text += "select " + std::to_string(IDC_COMBO_BAUDRATE) + " 2\n";  // 115200
    text += "click " + std::to_string(IDC_BUTTON_OPEN) + "\nwait 500\nbench start\n";
    for (const Demonstration& demo : kDemonstrations) {
        text += "click " + std::to_string(demo.controlId) + "\n";
    }
    text += "bench end\nclick " + std::to_string(IDC_BUTTON_OPEN) + "\nclose\n";
    return text;
}

CBenchDialogApp theApp(Options(), "",
                       [](CVirtualPrinterSession& session, CPrinterDemoDlg&,
                          const std::string& args) { return Measure(session, args); });

}  // namespace

int main(int argc, char** argv) {
    theApp.SetScript([] { return Script(); });
    const int code = RunBench(
        argc, argv, "bench_demo_line_rate",
        "Runs every demonstration through a virtual printer reading at 115200 baud and\n"
        "prints elapsed time / line time (bytes x 10 / baud). Goal: <= 1.02; through ser2net\n"
        "(--ser2net 1) <= 1.05.",
        {{"ser2net", &g_ser2net, "1: reach the printer through ser2net on loopback"}});
    g_server.reset();
    return code;
}
