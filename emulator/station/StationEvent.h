// What a PrinterStation tells its views, as typed events: one struct per kind of event, and
// StationEvent, the one of them a view is handed (std::visit or std::get_if on it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "emulator/decoding/Peripheral.h"
#include "emulator/device/Condition.h"
#include "emulator/rendering/PaperImage.h"

namespace emu {

// A finished receipt as the station keeps it.
struct Receipt {
    int number = 0;           // receipt-NNN; without a folder, its place in the run
    std::string png;          // the picture's file; empty when none was written
    std::string bin;          // the bytes that made it; empty when they were not written
    std::string source;       // who sent it: "pty", a device's path, "TCP 127.0.0.1:40312", "input"
    double seconds = 0;       // when it was finished, in seconds since the station started
    std::uint64_t bytes = 0;  // the bytes that made it
    std::string error;        // why it was not saved, as a sentence after "program: "; or empty
    std::shared_ptr<const PaperImage> image;  // in ReceiptFinished; Receipts() keeps none
};

struct ReceiptFinished {
    Receipt receipt;
};
// A receipt that could not be saved; the sentence ("a receipt from pty was not saved: ...") says
// what and why. Once saving has stopped (a count reached, the disk nearly full), only the first is
// told.
struct SaveFailed {
    std::string sentence;
};
// The paper in progress changed; receiptsBefore counts the receipts finished before it.
struct PaperChanged {
    std::shared_ptr<const PaperImage> paper;
    std::uint64_t receiptsBefore = 0;
};
// One decoded command or note, with when and from whom it came; continuation lines follow '\n'
// when a view wants every byte.
struct TraceEntry {
    double seconds = 0;
    std::string source;
    std::string text;
};
struct DrawerKicked {
    DrawerKick kick;
    std::string source;
};
struct BuzzerSounded {
    Buzzer buzzer;
    std::string source;
};
// A condition set or cleared, by a view or by the printer itself (DLE ENQ clearing an error).
struct ConditionChanged {
    Condition condition;
    bool on = false;
    ConditionSet conditions = 0;  // every condition standing after the change
};
struct ConnectionWaiting {
    std::string peer;
    std::size_t waiting = 0;
};
struct ConnectionOpened {
    std::string peer;
    std::size_t waiting = 0;
};
struct ConnectionClosed {
    std::string peer;
    std::string how;
    std::size_t waiting = 0;
};
// Something the user must read that is no failed save: bytes the host wrote that the printer
// never took, at the end.
struct Notice {
    std::string sentence;
};
// The station's one-paragraph description (PrinterStation::DescribeState) changed.
struct StatusChanged {
    std::string text;
};

using StationEvent = std::variant<ReceiptFinished, SaveFailed, PaperChanged, TraceEntry,
                                  DrawerKicked, BuzzerSounded, ConditionChanged, ConnectionWaiting,
                                  ConnectionOpened, ConnectionClosed, Notice, StatusChanged>;

// A view of a station: the printer window, the console, a browser page. Its OnStationEvent runs
// on the station's thread, one event at a time in the order they happened; it may read the
// station (Receipts, Conditions, ...) and set conditions, but must not subscribe or unsubscribe.
class StationView {
  public:
    virtual ~StationView() = default;
    virtual void OnStationEvent(const StationEvent& event) = 0;
    // Trace entries cost time to build: they are made only while a view wants them.
    virtual bool WantsTrace() const { return false; }
    // Trace entries of long commands with all of their bytes, on continuation lines after '\n'
    // in the entry's text (for a trace file); without, an entry is one line.
    virtual bool WantsEveryByte() const { return false; }
    // PaperChanged and StatusChanged, a few times a second while they change: for views that
    // show the printer live (pictures of the paper cost time too).
    virtual bool WantsLiveState() const { return false; }
};

}  // namespace emu
