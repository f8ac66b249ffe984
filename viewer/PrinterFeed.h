// CPrinterFeed: keeps a CPaperWindow showing a VirtualPrinter at work: the paper in progress a
// few times a second while it changes, finished receipts with where they were saved, the command
// trace, the printer model's conditions as toggles that work both ways (emu::ConditionsOf gives
// them and their order; a change the printer makes itself, as DLE ENQ clearing a cutter error,
// shows too), and a status line the owner words.
//
// The printer has one trace and one page callback, and their owner (who may also write the
// trace to a file) passes them on through OnTraceLine and OnReceipt. Finished receipts are saved
// on the feed's own thread, so the link goes on reading meanwhile.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "emulator/device/Condition.h"
#include "emulator/rendering/PaperImage.h"

class CPaperWindow;
namespace emu {
class VirtualPrinter;
}  // namespace emu

class CPrinterFeed {
  public:
    explicit CPrinterFeed(emu::VirtualPrinter& printer);
    ~CPrinterFeed();
    CPrinterFeed(const CPrinterFeed&) = delete;
    CPrinterFeed& operator=(const CPrinterFeed&) = delete;

    // Saves a finished receipt; returns the file written, "" when none was.
    using SaveReceipt = std::function<std::string(const emu::PaperImage&)>;
    // The status line: where the printer is reached and the state it is in.
    using DescribeState = std::function<std::string()>;

    // User-interface thread: makes the (hidden) window and starts following the printer.
    void Start(const std::string& title, const std::string& folder, SaveReceipt save,
               DescribeState describe);
    // Saves the receipts still queued and stops following; the window stays until the feed goes.
    void Stop();

    // Printer's lock held (its callbacks): nothing here calls the printer.
    void OnTraceLine(const std::string& line);
    void OnReceipt(const emu::PaperImage& page);

    // As the operator's toggle does: the printer reports the change (when it reports that
    // condition) and the toggle follows. Any thread.
    void SetCondition(emu::Condition condition, bool on);

    CPaperWindow& Window() { return *m_pWindow; }

  private:
    void SaveQueuedReceipts();
    void WatchPaper();
    void ShowConditions(emu::ConditionSet conditions);

    emu::VirtualPrinter& m_printer;
    std::unique_ptr<CPaperWindow> m_pWindow;
    SaveReceipt m_save;
    DescribeState m_describe;
    std::atomic<std::uint64_t> m_pages{0};  // receipts finished, counted under the printer's lock
    std::atomic<bool> m_stopWatching{false};
    std::mutex m_watchLock;
    std::deque<emu::PaperImage> m_unsaved;  // finished receipts, under m_watchLock
    std::condition_variable m_watchWake;
    std::mutex m_eventLock;
    std::deque<std::string> m_events;  // the newest drawer and buzzer events, under m_eventLock
    std::thread m_watcher;
};
