// The virtual printer module as a library: bytes in, reply bytes out, paper as pictures.
//
// Threads: one thread feeds bytes (Feed, Finish, TakeReplies) while another controls it
// (SetCondition, Snapshot, the queries); every call takes one lock, but for the queries asked
// most (conditions, status byte, sleep, bytes waiting and received, line), which read what the
// last call left and so never wait behind a chunk being decoded. The receipt, trace and
// peripheral callbacks run on the thread whose call produced them, with that lock held: they must
// not call back into the VirtualPrinter.
//
// Each finished receipt comes with the bytes that made it: the stream from where the previous
// receipt ended to the end of the command that ended this one, so feeding them to a fresh printer
// prints the same paper. The wake callback runs without the lock, after a call that queued reply
// bytes or freed input space, so a pump (Link) knows to send or read again.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/TurnLock.h"
#include "emulator/decoding/ControlHandler.h"
#include "emulator/device/Condition.h"
#include "emulator/device/PrinterCore.h"
#include "emulator/rendering/PaperImage.h"
#include "emulator/rendering/PrintEngine.h"

namespace emu {

struct FinishedReceipt {
    PaperImage image;
    std::vector<std::uint8_t> bytes;  // the stream that made it
    bool bytesComplete = true;        // false when it was longer than the printer keeps
    std::string source;               // who sent the bytes that ended it (SetSource)
};

struct LineSettings {
    std::uint32_t baud = 0;  // 0: not known (a pty has no line speed)
    Handshake handshake = Handshake::None;
};

class VirtualPrinter {
  public:
    using Clock = std::chrono::steady_clock;

    // The stream kept for one receipt; a longer one is not kept whole.
    static constexpr std::size_t kMaxReceiptBytes = 64 * 1024 * 1024;

    explicit VirtualPrinter(int widthDots = 384,
                            std::size_t inputCapacity = PrinterCore::kDefaultInputCapacity);
    // widthDots 0: the model's own width.
    VirtualPrinter(const PrinterModel& model, int widthDots,
                   std::size_t inputCapacity = PrinterCore::kDefaultInputCapacity);

    // Returns the bytes taken; fewer only while paper is out and the input buffer is full.
    std::size_t Feed(const std::uint8_t* data, std::size_t length);
    void Finish();
    // The paper in progress becomes a receipt, as at a cut (none when it is blank), and the next
    // one starts with the bytes fed after this call.
    void EndReceipt();
    std::vector<std::uint8_t> TakeReplies();

    void SetCondition(Condition condition, bool on);
    bool GetCondition(Condition condition) const;
    std::uint8_t Conditions() const;  // the module's status byte
    ConditionSet ConditionsOn() const;
    const PrinterModel& Model() const;
    std::uint8_t AutoStatusMask() const;
    bool Asleep() const;
    std::size_t Waiting() const;
    std::uint64_t Received() const;
    // "N bytes received", then what holds the printer and its conditions, for status lines.
    std::string DescribeActivity() const;

    // Keeps the NV graphics in stateFolder/<model>/ from run to run (see NvFile.h; an empty
    // stateFolder is DefaultStateFolder()). False with the reason in *error when what is kept
    // there cannot be read: the memory starts empty.
    bool AttachState(const std::string& stateFolder, std::string* error);

    void SetLineBaudRate(std::uint32_t baud);
    LineSettings Line() const;

    PaperImage Snapshot() const;
    bool HasContent() const;
    int WidthDots() const;
    std::uint64_t DotRowsPrinted() const;
    std::string FontProblems() const;

    // Who sends the bytes fed from now on ("pty", "TCP 127.0.0.1:40312"), for receipts.
    void SetSource(const std::string& source);
    std::string Source() const;

    // Trace lines and peripheral pulses come with the source of the bytes being decoded.
    using TraceCallback = std::function<void(const std::string& line, const std::string& source)>;
    using PeripheralCallback =
        std::function<void(const Peripheral& pulse, const std::string& source)>;
    void SetReceiptCallback(std::function<void(FinishedReceipt&&)> onReceipt);
    // everyByte: a long command's line goes on with continuation lines holding all of its bytes
    // (in the same text, after '\n'), as long as the receipt's bytes are kept.
    void SetTraceCallback(TraceCallback onLine, bool everyByte = false);
    void SetPeripheralCallback(PeripheralCallback onPulse);
    void SetWakeCallback(std::function<void()> onWake);
    void SetClock(std::function<Clock::time_point()> clock);
    void Note(const std::string& text);  // a note line in the trace

  private:
    void WakeIf(bool due);
    void Publish();                                     // with m_mutex held, after any change
    void OnPaper(PaperImage&& image);                   // the engine's receipt, with m_mutex held
    std::ptrdiff_t JobLength(std::uint64_t end) const;  // kept bytes before stream offset end
    void DropJobUpTo(std::uint64_t end);
    void ResumeKeeping();

    mutable TurnLock m_mutex;  // taken in turn: see TurnLock.h
    PrintEngine m_engine;
    PrinterCore m_core;
    std::function<void()> m_onWake;
    std::function<void(FinishedReceipt&&)> m_onReceipt;
    std::string m_source;
    // The stream since the last receipt ended: m_job[0] is stream offset m_jobStart.
    std::vector<std::uint8_t> m_job;
    std::uint64_t m_jobStart = 0;
    bool m_jobComplete = true;  // false while a receipt is too long to keep

    // What the queries read without the lock, as the last call that held it left it. The
    // station asks for the conditions after every batch of its work: behind the lock it waited
    // for the feeding thread's chunks and its saving fell behind.
    struct Shown {
        std::atomic<ConditionSet> conditions{0};
        std::atomic<std::uint8_t> statusByte{0};
        std::atomic<bool> asleep{false};
        std::atomic<std::size_t> waiting{0};
        std::atomic<std::uint64_t> received{0};
        std::atomic<std::uint32_t> baud{0};
        std::atomic<Handshake> handshake{Handshake::None};
    };
    Shown m_shown;
};

}  // namespace emu
