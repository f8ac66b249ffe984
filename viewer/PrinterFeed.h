// CPrinterFeed: keeps a CPaperWindow showing a VirtualPrinter at work: the paper in progress a
// few times a second while it changes, finished receipts with where they were saved, the command
// trace, the five conditions as toggles that work both ways, and a status line saying where the
// printer is reached and what state it is in.
//
// The printer has one trace and one page callback, and their owner (who also writes the trace to
// a file or saves the receipts) passes them on through OnTraceLine and OnReceipt.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "emulator/device/Condition.h"

class CPaperWindow;
namespace emu {
struct PaperImage;
class VirtualPrinter;
}  // namespace emu

class CPrinterFeed {
  public:
    // The toggles' order, left to right as the dialog's status boxes.
    static constexpr emu::Condition kToggleOrder[] = {
        emu::Condition::Overheat, emu::Condition::PaperOut, emu::Condition::OverVoltage,
        emu::Condition::Cutter, emu::Condition::Platen};

    explicit CPrinterFeed(emu::VirtualPrinter& printer);
    ~CPrinterFeed();
    CPrinterFeed(const CPrinterFeed&) = delete;
    CPrinterFeed& operator=(const CPrinterFeed&) = delete;

    // User-interface thread: makes the (hidden) window titled title, whose status line names
    // where the printer is reached, and starts following the printer.
    void Start(const std::string& title, const std::string& where, const std::string& folder);
    // Stops following; the window stays until the feed goes.
    void Stop();

    // Printer's lock held (its callbacks): nothing here calls the printer.
    void OnTraceLine(const std::string& line);
    void OnReceipt(const emu::PaperImage& page, const std::string& savedAs);

    // As the operator's toggle does: the printer reports the change (when it reports that
    // condition) and the toggle follows. Any thread.
    void SetCondition(emu::Condition condition, bool on);

    CPaperWindow& Window() { return *m_pWindow; }

  private:
    void WatchPaper();
    std::string DescribeState() const;

    emu::VirtualPrinter& m_printer;
    std::unique_ptr<CPaperWindow> m_pWindow;
    std::string m_where;
    std::atomic<std::uint64_t> m_pages{0};  // receipts finished, counted under the printer's lock
    std::atomic<bool> m_stopWatching{false};
    std::mutex m_watchLock;
    std::condition_variable m_watchWake;
    std::thread m_watcher;
};
