// The printer's receive side and state, in front of a CommandSink: the input buffer, the
// decoder, the real-time scanner and the status model, with the bytes the printer sends back.
// Single-threaded; VirtualPrinter adds the lock.
//
// What the printer does:
// - Paper out (and, on the ESC/POS models, any off-line cause: cover open, a cutter, head or
//   voltage error): nothing prints. Arriving bytes wait undecoded in the input buffer (bounded by
//   its capacity; Feed then accepts no more, and the caller stops reading its line, so nothing is
//   dropped) and are decoded when the cause is gone. Real-time commands in them (status
//   requests, clear buffers, sleep, recovery, drawer pulse) are acted on as they arrive, and not
//   again when decoded later.
// - DLE ENQ 1 recovers from a cutter error and printing goes on; DLE ENQ 2 also drops what
//   waits. Without a cutter error both are ignored.
// - Clear buffers drops the waiting input and any unfinished command, and the sink's line.
// - Asleep: only real-time commands act; every other byte is discarded (the trace says how many).
//   Entering sleep drops the waiting input and any unfinished command.
// - ESC @ resets the print modes only: the conditions, automatic status reports, sleep and the
//   line settings stay. The host enables automatic reports once, after opening; a printer that
//   forgot them on every ESC @ would leave its status display stale.
// - Automatic reports send the whole status byte (all five conditions) whenever a condition
//   enabled by GS a changes; nothing is sent when GS a is received. On the ESC/POS models GS a
//   turns on the 4-byte automatic status back, sent at once and whenever a condition of an
//   enabled kind (drawer, on-line, error, paper sensor) changes.
// - With software handshake the printer sends XOFF when the waiting input passes three quarters
//   of the buffer and XON when it falls to a quarter.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "emulator/PrinterModel.h"
#include "emulator/decoding/CommandDecoder.h"
#include "emulator/decoding/ControlHandler.h"
#include "emulator/decoding/RealTimeScanner.h"
#include "emulator/decoding/Trace.h"
#include "emulator/device/Condition.h"
#include "emulator/device/StatusModel.h"

namespace emu {

class PrinterCore : private ControlHandler {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kDefaultInputCapacity = 64 * 1024;
    static constexpr std::uint8_t kXon = 0x11;
    static constexpr std::uint8_t kXoff = 0x13;

    explicit PrinterCore(CommandSink& sink, std::size_t inputCapacity = kDefaultInputCapacity,
                         const PrinterModel& model = DefaultPrinterModel());

    // Returns how many bytes were taken: fewer than given only while paper is out and the input
    // buffer is full. The caller keeps the rest and offers them again later.
    std::size_t Feed(const std::uint8_t* data, std::size_t length);
    // End of the input stream: finishes or reports what is unfinished.
    void Finish();

    std::vector<std::uint8_t> TakeReplies();
    bool HasReplies() const { return !m_replies.empty(); }

    void SetCondition(Condition condition, bool on);
    bool GetCondition(Condition condition) const { return m_status.Get(condition); }
    std::uint8_t StatusByte() const { return m_status.StatusByte(); }
    ConditionSet Conditions() const { return m_status.Conditions(); }
    const PrinterModel& Model() const { return m_model; }
    // Printing waits for the paper (or the cover, or an error's end).
    bool Held() const;
    std::uint8_t AutoStatusMask() const { return m_status.AutoStatusMask(); }
    bool Asleep() const { return m_status.Asleep(); }

    std::size_t Waiting() const { return m_waiting.size(); }
    std::size_t Capacity() const { return m_capacity; }
    std::uint64_t Received() const { return m_received; }
    // The stream offset the decoder has reached: during a sink call, the end of its command.
    std::uint64_t Decoded() const { return m_decoder.Offset(); }

    // The line as the host last set it (GS ( E); the baud rate starts as given here, 0 unknown.
    void SetLineBaudRate(std::uint32_t baud) { m_baud = baud; }
    std::uint32_t BaudRate() const { return m_baud; }
    Handshake GetHandshake() const { return m_handshake; }

    // The graphics the printer keeps; attach its state file here.
    GraphicsMemory& Graphics() { return m_decoder.Graphics(); }

    void SetClock(std::function<Clock::time_point()> clock) { m_clock = std::move(clock); }
    // With bytes, a long command's line goes on with all of its bytes (Trace::ByteSource).
    void SetTrace(std::function<void(const std::string&)> writeLine,
                  Trace::ByteSource bytes = nullptr);
    void Note(const std::string& text);  // a note line in the trace, at the current offset
    // Drawer kicks and beeps, as they are decoded.
    void SetPeripheralCallback(std::function<void(const Peripheral&)> onPulse) {
        m_onPulse = std::move(onPulse);
    }

  private:
    std::string StatusRequest(std::uint64_t offset, std::uint8_t n) override;
    std::string ClearBuffers(std::uint64_t offset) override;
    std::string Sleep(std::uint64_t offset, bool enter) override;
    std::string AutoStatus(std::uint8_t n) override;
    std::string TransmitStatus(std::uint8_t n) override;
    std::string TransmitId(std::uint8_t n) override;
    std::string SetBaudRate(std::uint32_t baud) override;
    std::string SetHandshake(Handshake mode) override;
    std::string Drive(const Peripheral& pulse) override;
    std::string Recover(std::uint64_t offset, std::uint8_t n) override;
    std::string Pulse(std::uint64_t offset, std::uint8_t pin, std::uint8_t time) override;
    std::string Transmit(const std::vector<std::uint8_t>& bytes) override;

    std::size_t FeedAsleep(const std::uint8_t* data, std::size_t length);
    std::size_t FeedWaiting(const std::uint8_t* data, std::size_t length);
    void ActOnArrival(RealTimeScanner::Kind kind, bool waiting);
    std::string RecoverNow(std::uint8_t n, bool* dropped);
    void ResumeIfFree();
    void Drain();
    void DropWaiting();
    void UpdateFlowControl();
    // Traces the bytes discarded while asleep from m_discardedFrom to end; the next discard
    // counts from the bytes received so far.
    void NoteDiscardedUpTo(std::uint64_t end);
    bool AlreadyActed(std::uint64_t offset);
    std::string Reply(std::uint8_t byte);
    std::string Reply(const std::vector<std::uint8_t>& bytes);
    std::string SleepReply(StatusModel::SleepResult result);

    CommandSink& m_sink;
    const PrinterModel& m_model;
    std::uint8_t m_statusBack = 0;  // ESC/POS automatic status back (GS a n): its kinds
    CommandDecoder m_decoder;
    RealTimeScanner m_scanner;
    StatusModel m_status;
    std::unique_ptr<Trace> m_trace;
    std::function<Clock::time_point()> m_clock = [] { return Clock::now(); };
    std::function<void(const Peripheral&)> m_onPulse;

    const std::size_t m_capacity;
    std::vector<std::uint8_t> m_waiting;
    std::deque<std::uint64_t> m_actedOnArrival;  // offsets of real-time commands in m_waiting
    std::uint64_t m_received = 0;                // stream offset of the next byte
    std::uint64_t m_discardedFrom = 0;           // start of bytes discarded while asleep
    std::vector<std::uint8_t> m_replies;
    std::uint32_t m_baud = 0;
    Handshake m_handshake = Handshake::None;
    bool m_xoffSent = false;
};

}  // namespace emu
