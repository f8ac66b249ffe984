// PrinterStation: one virtual printer at work, as both programs run it. It owns the
// VirtualPrinter, its link (a pty, a serial device and/or a TCP port, or bytes fed in directly),
// the receipt folder, and one thread of its own that saves finished receipts and tells every view
// subscribed (the printer window, the console, a browser page) what happened, as typed events
// (StationEvent.h).
//
// Threads: the link's thread feeds the printer; the printer's callbacks only queue work for the
// station's thread, so the link goes on reading while receipts are saved. The station's thread
// saves each receipt, then hands events to the views in the order they happened, and a few times
// a second (kRefresh), while they change, the paper in progress and the state. Every other call
// may come from any thread, unless it says otherwise.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "emulator/PrinterModel.h"
#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "emulator/receipts/ReceiptFolder.h"
#include "emulator/station/StationEvent.h"

namespace emu {

class PrinterStation {
  public:
    // How often views hear of the paper in progress and of the state, while they change.
    static constexpr std::chrono::milliseconds kRefresh{40};

    // A TCP connection the station knows of: printing now, or waiting its turn.
    struct Connection {
        std::string peer;
        bool printing = false;
    };

    explicit PrinterStation(const PrinterModel& model = DefaultPrinterModel(), int widthDots = 0);
    ~PrinterStation();
    PrinterStation(const PrinterStation&) = delete;
    PrinterStation& operator=(const PrinterStation&) = delete;

    // ---- Before Start ----
    // Receipts are saved there; without it they are only shown. False with the reason.
    bool PrepareReceipts(const std::filesystem::path& folder, std::string* error,
                         const ReceiptFolder::Limits& limits = {});
    // Whether each saved receipt's bytes are written beside it (receipt-NNN.bin); they are
    // unless this says otherwise.
    void KeepReceiptBytes(bool keep) { m_keepBytes = keep; }
    bool OpenPty(std::string* error);
    bool OpenDevice(const std::string& path, std::string* error);
    bool Listen(const ListenAddress& address, std::string* error, bool* inUse = nullptr);
    // Another name hosts open the pty by (a symbolic link), for Where.
    void SetLinkName(const std::string& name);
    Link& GetLink() { return m_link; }
    const Link& GetLink() const { return m_link; }

    // Starts the station's thread, and serving when a pty, device or port is open.
    bool Start(std::string* error);
    // Lets the printer take what the host has written (while it keeps taking bytes), stops
    // serving, ends the receipt in progress, saves every receipt and tells the views, then stops
    // the thread. The destructor does this too.
    void Stop();

    // ---- Any thread ----
    // Bytes from no link (a captured stream); returns the bytes taken, as VirtualPrinter::Feed.
    std::size_t Feed(const std::uint8_t* data, std::size_t length, const std::string& source);
    // The paper in progress becomes a receipt now, as at a cut (the window's "Save receipt",
    // 'save', the end of a captured stream). Nothing happens for blank paper.
    void EndReceipt();
    // As the operator's toggle does: the printer reports the change (when it reports that
    // condition) and every view hears of it.
    void SetCondition(Condition condition, bool on);
    // Returns once everything that happened before the call is saved and told to the views.
    void Flush();

    // A view hears of everything that happens after it subscribes, on the station's thread, until
    // Unsubscribe returns. Neither may be called from inside OnStationEvent.
    void Subscribe(StationView* view);
    void Unsubscribe(StationView* view);

    // ---- What views read ----
    // The receipts of this run, oldest first. Numbers are the files' (receipt-NNN); when none are
    // saved, the receipts are numbered in the order of the run.
    std::vector<Receipt> Receipts() const;  // without their pictures (ReceiptFinished has them)
    std::vector<Receipt> ReceiptsSince(std::size_t count) const;  // those after the first count
    // The newest `last` of those numbered above `after` and below `before` (the list is in the
    // order of the numbers): a long run's page asks for a hundred, not for a copy of all.
    std::vector<Receipt> ReceiptsBetween(int after, int before, std::size_t last) const;
    std::size_t ReceiptCount() const;
    std::optional<Receipt> FindReceipt(int number) const;
    // The trace of a saved receipt, decoded again from its bytes (empty when none were kept).
    std::vector<std::string> ReceiptTrace(int number) const;
    ConditionSet Conditions() const { return m_printer.ConditionsOn(); }
    bool GetCondition(Condition condition) const { return m_printer.GetCondition(condition); }
    std::vector<Connection> Connections() const;
    // Where hosts reach the printer: "/dev/pts/3 (printer-line) and TCP 127.0.0.1:9100".
    std::string Where() const;
    // A few lines on the state: where, both sides of the line and whether they match, the
    // connections, and the printer's activity and conditions.
    std::string DescribeState() const;
    bool SavesReceipts() const { return m_saving; }
    std::filesystem::path ReceiptFolderPath() const { return m_receipts.Path(); }
    // The receipts this run could not save, and why the last was not.
    ReceiptFolder::Losses LostReceipts() const { return m_receipts.Lost(); }
    // Seconds since the station was made.
    double Seconds() const;

    VirtualPrinter& Printer() { return m_printer; }
    const VirtualPrinter& Printer() const { return m_printer; }

  private:
    void Post(std::function<void()> task);
    void Tell(const StationEvent& event);
    void Run();
    void Refresh();
    void SaveAndTell(FinishedReceipt&& finished, double seconds);
    void OnConnection(const ConnectionEvent& event);
    void UpdateTrace();
    // Tells of the conditions that changed since it last looked.
    void PostConditionChanges();
    void DrainLine();

    const std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    const PrinterModel& m_model;
    const int m_widthDots;
    VirtualPrinter m_printer;
    Link m_link{m_printer};
    ReceiptFolder m_receipts;
    bool m_saving = false;
    bool m_keepBytes = true;
    std::string m_linkName;

    mutable std::mutex m_stateLock;  // what views read
    std::vector<Receipt> m_saved;
    std::vector<Connection> m_connections;

    std::mutex m_conditionsLock;
    ConditionSet m_toldConditions = 0;

    std::mutex m_viewsLock;  // held while views are told
    std::vector<StationView*> m_views;
    bool m_tracing = false;
    bool m_tracingEveryByte = false;

    // Receipts made but not yet saved: Feed waits while there are this many.
    static constexpr std::size_t kUnsavedReceipts = 8;

    std::mutex m_queueLock;
    std::condition_variable m_wake;
    std::condition_variable m_doneWake;
    std::condition_variable m_savedWake;
    std::size_t m_unsaved = 0;
    std::deque<std::function<void()>> m_tasks;
    std::uint64_t m_posted = 0;
    std::uint64_t m_done = 0;
    bool m_stopThread = false;
    bool m_running = false;  // the thread runs: Flush waits for it
    std::thread m_thread;

    std::atomic<bool> m_retell{false};  // a view subscribed: tell the paper and state again
    // The station's thread's own: what views were last told.
    std::uint64_t m_shownBytes = ~0ull;
    std::uint64_t m_shownReceipts = ~0ull;
    std::size_t m_shownWaiting = ~std::size_t{0};
    std::string m_shownState;
    std::chrono::steady_clock::time_point m_refreshed{};
};

}  // namespace emu
