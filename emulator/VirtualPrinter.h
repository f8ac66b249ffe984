// The virtual printer module as a library: bytes in, reply bytes out, paper as pictures.
//
// Threads: one thread feeds bytes (Feed, Finish, TakeReplies) while another controls it
// (SetCondition, Snapshot, the queries); every call takes one lock. The page and trace callbacks
// run on the thread whose call produced them, with that lock held: they must not call back into
// the VirtualPrinter. The wake callback runs without the lock, after a call that queued reply
// bytes or freed input space, so a pump (Link) knows to send or read again.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/decoding/ControlHandler.h"
#include "emulator/device/Condition.h"
#include "emulator/device/PrinterCore.h"
#include "emulator/rendering/PaperImage.h"
#include "emulator/rendering/PrintEngine.h"

namespace emu {

struct LineSettings {
    std::uint32_t baud = 0;  // 0: not known (a pty has no line speed)
    Handshake handshake = Handshake::None;
};

class VirtualPrinter {
  public:
    using Clock = std::chrono::steady_clock;

    explicit VirtualPrinter(int widthDots = 384,
                            std::size_t inputCapacity = PrinterCore::kDefaultInputCapacity);
    // widthDots 0: the model's own width.
    VirtualPrinter(const PrinterModel& model, int widthDots,
                   std::size_t inputCapacity = PrinterCore::kDefaultInputCapacity);

    // Returns the bytes taken; fewer only while paper is out and the input buffer is full.
    std::size_t Feed(const std::uint8_t* data, std::size_t length);
    void Finish();
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

    // Keeps the NV graphics in stateFolder/<model>/ from run to run (see NvFile.h). False with
    // the reason in *error when what is kept there cannot be read: the memory starts empty.
    bool AttachState(const std::string& stateFolder, std::string* error);

    void SetLineBaudRate(std::uint32_t baud);
    LineSettings Line() const;

    PaperImage Snapshot() const;
    bool HasContent() const;
    int WidthDots() const;
    std::uint64_t DotRowsPrinted() const;
    std::string FontProblems() const;

    void SetPageCallback(std::function<void(const PaperImage&)> onPage);
    void SetTraceCallback(std::function<void(const std::string&)> onLine);
    void SetWakeCallback(std::function<void()> onWake);
    void SetClock(std::function<Clock::time_point()> clock);
    void Note(const std::string& text);  // a note line in the trace

  private:
    void WakeIf(bool due);

    mutable std::mutex m_mutex;
    PrintEngine m_engine;
    PrinterCore m_core;
    std::function<void()> m_onWake;
};

}  // namespace emu
