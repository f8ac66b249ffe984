#include "emulator/device/PrinterCore.h"

#include <algorithm>
#include <cstdio>

#include "emulator/decoding/TraceText.h"
#include "emulator/device/EscPosStatus.h"

namespace emu {

namespace {
std::string HexByte(std::uint8_t byte) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", byte);
    return buf;
}

const char* ArrivalMnemonic(RealTimeScanner::Kind kind) {
    switch (kind) {
        case RealTimeScanner::Kind::StatusRequest:
        case RealTimeScanner::Kind::RealTimeStatus:
            return "DLE EOT";
        case RealTimeScanner::Kind::Recover:
            return "DLE ENQ";
        default:
            return "DLE DC4";
    }
}

const char* ArrivalMeaning(RealTimeScanner::Kind kind) {
    switch (kind) {
        case RealTimeScanner::Kind::StatusRequest:
            return "status request";
        case RealTimeScanner::Kind::RealTimeStatus:
            return "real-time status";
        case RealTimeScanner::Kind::ClearBuffers:
            return "clear buffers";
        case RealTimeScanner::Kind::EnterSleep:
            return "enter sleep";
        case RealTimeScanner::Kind::LeaveSleep:
            return "leave sleep";
        case RealTimeScanner::Kind::Recover:
            return "recover from error";
        case RealTimeScanner::Kind::Pulse:
        case RealTimeScanner::Kind::None:
            break;
    }
    return "";
}
// DLE DC4 1 m t: pin m (0: drawer 1, 1: drawer 2) on for t x 100 ms.
Peripheral RealTimePulse(std::uint8_t pin, std::uint8_t time) {
    return DrawerKick{pin == 1 ? 2 : 1, time * 100u, 0};
}

}  // namespace

PrinterCore::PrinterCore(CommandSink& sink, std::size_t inputCapacity, const PrinterModel& model)
    : m_sink(sink),
      m_model(model),
      m_decoder(sink, *this, model.commands),
      m_scanner(model.commands == CommandSet::EscPos),
      m_capacity(std::max<std::size_t>(inputCapacity, 16)) {}

void PrinterCore::SetTrace(std::function<void(const std::string&)> writeLine,
                           Trace::ByteSource bytes) {
    if (!writeLine) {
        m_trace.reset();
        m_decoder.SetObserver(nullptr);
        return;
    }
    m_trace = std::make_unique<Trace>(std::move(writeLine));
    m_trace->SetByteSource(std::move(bytes));
    m_decoder.SetObserver([this](const DecodedCommand& command) { m_trace->Command(command); });
}

std::string PrinterCore::Drive(const Peripheral& pulse) {
    if (m_onPulse) m_onPulse(pulse);
    return {};
}

void PrinterCore::Note(const std::string& text) {
    if (m_trace) m_trace->Note(m_received, text);
}

std::size_t PrinterCore::Feed(const std::uint8_t* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        if (m_status.Asleep()) {
            done += FeedAsleep(data + done, length - done);
            continue;
        }
        if (Held() || !m_waiting.empty()) {
            std::size_t space = m_capacity - m_waiting.size();
            if (space == 0) break;
            done += FeedWaiting(data + done, std::min(space, length - done));
            UpdateFlowControl();
            if (!Held()) Drain();
            continue;
        }
        // The usual path: decode at once. The scanner still sees every byte, so that a
        // real-time command begun here and finished while input waits is recognised.
        std::size_t taken = m_decoder.Feed(data + done, length - done);
        for (std::size_t k = 0; k < taken; ++k) m_scanner.Push(data[done + k]);
        m_received += taken;
        done += taken;
        if (m_status.Asleep()) m_discardedFrom = m_received;
    }
    return done;
}

std::size_t PrinterCore::FeedAsleep(const std::uint8_t* data, std::size_t length) {
    for (std::size_t k = 0; k < length; ++k) {
        ++m_received;
        RealTimeScanner::Kind kind = m_scanner.Push(data[k]);
        if (kind == RealTimeScanner::Kind::None) continue;
        ActOnArrival(kind, false);
        if (!m_status.Asleep()) return k + 1;
    }
    return length;
}

std::size_t PrinterCore::FeedWaiting(const std::uint8_t* data, std::size_t length) {
    for (std::size_t k = 0; k < length; ++k) {
        m_waiting.push_back(data[k]);
        ++m_received;
        RealTimeScanner::Kind kind = m_scanner.Push(data[k]);
        if (kind == RealTimeScanner::Kind::None) continue;
        ActOnArrival(kind, true);
        if (m_status.Asleep()) return k + 1;
    }
    return length;
}

void PrinterCore::ActOnArrival(RealTimeScanner::Kind kind, bool waiting) {
    using Kind = RealTimeScanner::Kind;
    const std::size_t length = RealTimeScanner::Length(kind);
    const std::uint64_t start = m_received - length;
    if (!waiting) {
        // Asleep: say what was thrown away before this command.
        NoteDiscardedUpTo(start);
    }

    std::string note;
    bool keepInWaiting = waiting;  // the decoder will reach these bytes later
    // What waits before this command: its own bytes are in the buffer too.
    const std::size_t waitingBefore =
        m_waiting.size() - std::min(m_waiting.size(), waiting ? length : 0);
    switch (kind) {
        case Kind::StatusRequest:
            note = Reply(m_status.StatusByte());
            break;
        case Kind::RealTimeStatus:
            note = Reply(*RealTimeStatusByte(Conditions(), m_scanner.StatusNumber()));
            break;
        case Kind::Recover: {
            bool dropped = false;
            note = RecoverNow(m_scanner.Found()[2], &dropped);
            if (dropped) keepInWaiting = false;
            break;
        }
        case Kind::Pulse:
            Drive(RealTimePulse(m_scanner.Found()[3], m_scanner.Found()[4]));
            break;
        case Kind::ClearBuffers: {
            DropWaiting();
            m_sink.ClearBuffer();
            keepInWaiting = false;
            note =
                waiting ? std::to_string(waitingBefore) + " waiting bytes dropped" : std::string();
            break;
        }
        case Kind::EnterSleep: {
            StatusModel::SleepResult result = m_status.EnterSleep(m_clock());
            note = SleepReply(result);
            if (result == StatusModel::SleepResult::Accepted) {
                if (waitingBefore > 0)
                    note += ", " + std::to_string(waitingBefore) + " waiting bytes dropped";
                DropWaiting();
                keepInWaiting = false;
                m_discardedFrom = m_received;
            }
            break;
        }
        case Kind::LeaveSleep: {
            StatusModel::SleepResult result = m_status.LeaveSleep(m_clock());
            note = SleepReply(result);
            if (result == StatusModel::SleepResult::Accepted) m_decoder.Reset(m_received);
            break;
        }
        case Kind::None:
            return;
    }
    if (keepInWaiting) m_actedOnArrival.push_back(start);

    if (m_trace) {
        DecodedCommand command;
        command.offset = start;
        command.length = length;
        std::copy_n(m_scanner.Found(), length, command.head.begin());
        command.mnemonic = ArrivalMnemonic(kind);
        command.meaning =
            (kind == Kind::Pulse ? DrawerPulseMeaning(m_scanner.Found()[3], m_scanner.Found()[4])
                                 : std::string(ArrivalMeaning(kind))) +
            (waiting ? " (on arrival, input waiting)" : " (while asleep)") +
            (note.empty() ? "" : ": " + note);
        m_trace->Command(command);
    }
}

void PrinterCore::DropWaiting() {
    m_waiting.clear();
    m_actedOnArrival.clear();
    m_decoder.Reset(m_received);
    UpdateFlowControl();
}

void PrinterCore::Drain() {
    if (m_waiting.empty()) return;
    std::size_t taken = m_decoder.Feed(m_waiting.data(), m_waiting.size());
    if (taken < m_waiting.size()) {
        // Sleep was entered part way: the rest is discarded, as on arrival.
        if (m_trace) {
            m_trace->Note(m_decoder.Offset(), std::to_string(m_waiting.size() - taken) +
                                                  " waiting bytes dropped on entering sleep");
        }
        m_decoder.Reset(m_received);
        m_discardedFrom = m_received;
    }
    m_waiting.clear();
    m_actedOnArrival.clear();
    UpdateFlowControl();
}

void PrinterCore::UpdateFlowControl() {
    if (m_handshake != Handshake::Software) return;
    if (!m_xoffSent && m_waiting.size() >= m_capacity - m_capacity / 4) {
        m_replies.push_back(kXoff);
        m_xoffSent = true;
        Note("input buffer " + std::to_string(m_waiting.size()) + " bytes: XOFF sent");
    } else if (m_xoffSent && m_waiting.size() <= m_capacity / 4) {
        m_replies.push_back(kXon);
        m_xoffSent = false;
        Note("input buffer " + std::to_string(m_waiting.size()) + " bytes: XON sent");
    }
}

void PrinterCore::Finish() {
    if (m_status.Asleep()) {
        NoteDiscardedUpTo(m_received);
        return;
    }
    if (!m_waiting.empty()) {
        Note(std::to_string(m_waiting.size()) + " bytes still wait for paper at end of input");
        return;
    }
    m_decoder.Finish();
    // As on the printer, page data prints only when FF or ESC FF asks for it.
    if (m_decoder.InPageMode())
        Note("page mode data not printed: the input ended before FF; the page is held for one");
}

void PrinterCore::NoteDiscardedUpTo(std::uint64_t end) {
    if (end > m_discardedFrom && m_trace) {
        m_trace->Note(m_discardedFrom,
                      std::to_string(end - m_discardedFrom) + " bytes discarded while asleep");
    }
    m_discardedFrom = m_received;
}

std::vector<std::uint8_t> PrinterCore::TakeReplies() {
    std::vector<std::uint8_t> out;
    out.swap(m_replies);
    return out;
}

bool PrinterCore::Held() const {
    if (m_model.commands == CommandSet::Module) return m_status.Get(Condition::PaperOut);
    return OffLine(Conditions());
}

void PrinterCore::ResumeIfFree() {
    if (!Held() && !m_status.Asleep()) Drain();
}

void PrinterCore::SetCondition(Condition condition, bool on) {
    if (m_status.Get(condition) == on) return;
    bool report = m_status.Set(condition, on);
    std::string text =
        std::string(ConditionName(condition, m_model.commands)) + (on ? " on" : " off");
    if (m_model.commands == CommandSet::EscPos) {
        if (m_statusBack & StatusBackCategories(condition))
            text += ": automatic status back " + Reply(AutomaticStatusBack(Conditions()));
    } else if (report) {
        m_replies.push_back(m_status.StatusByte());
        text += ": automatic status " + HexByte(m_status.StatusByte());
    }
    if (on && Held() && m_waiting.empty()) text += "; printing holds";
    Note(text);
    if (!on) ResumeIfFree();
}

std::string PrinterCore::RecoverNow(std::uint8_t n, bool* dropped) {
    if (!m_status.Get(Condition::Cutter)) return "no recoverable error, ignored";
    std::string note = "cutter error cleared";
    if (n == 2) {
        note += ", " + std::to_string(m_waiting.size()) + " waiting bytes dropped";
        DropWaiting();
        m_sink.ClearBuffer();
        *dropped = true;
    }
    m_status.Set(Condition::Cutter, false);
    if (m_statusBack & StatusBackCategories(Condition::Cutter))
        note += ", automatic status back " + Reply(AutomaticStatusBack(Conditions()));
    return note;
}

std::string PrinterCore::Recover(std::uint64_t offset, std::uint8_t n) {
    if (AlreadyActed(offset)) return "done on arrival";
    bool dropped = false;
    return RecoverNow(n, &dropped);
}

std::string PrinterCore::Pulse(std::uint64_t offset, std::uint8_t pin, std::uint8_t time) {
    if (AlreadyActed(offset)) return "done on arrival";
    return Drive(RealTimePulse(pin, time));
}

std::string PrinterCore::Transmit(const std::vector<std::uint8_t>& bytes) { return Reply(bytes); }

bool PrinterCore::AlreadyActed(std::uint64_t offset) {
    while (!m_actedOnArrival.empty() && m_actedOnArrival.front() < offset)
        m_actedOnArrival.pop_front();
    if (m_actedOnArrival.empty() || m_actedOnArrival.front() != offset) return false;
    m_actedOnArrival.pop_front();
    return true;
}

std::string PrinterCore::Reply(std::uint8_t byte) {
    m_replies.push_back(byte);
    return "answered " + HexByte(byte);
}

std::string PrinterCore::Reply(const std::vector<std::uint8_t>& bytes) {
    std::string text = "answered";
    for (std::uint8_t byte : bytes) {
        m_replies.push_back(byte);
        text += " " + HexByte(byte);
    }
    return text;
}

std::string PrinterCore::SleepReply(StatusModel::SleepResult result) {
    switch (result) {
        case StatusModel::SleepResult::Accepted:
            return Reply('1') + " (accepted)";
        case StatusModel::SleepResult::AlreadyAsleep:
            return Reply('0') + " (refused: already asleep)";
        case StatusModel::SleepResult::NotAsleep:
            return Reply('0') + " (refused: not asleep)";
        case StatusModel::SleepResult::TooSoon:
            return Reply('0') + " (refused: less than 500 ms asleep)";
    }
    return "";
}

std::string PrinterCore::StatusRequest(std::uint64_t offset, std::uint8_t n) {
    if (AlreadyActed(offset)) return "answered on arrival";
    if (m_model.commands == CommandSet::EscPos) {
        const auto byte = RealTimeStatusByte(Conditions(), n);
        return byte ? Reply(*byte) : std::string();
    }
    if (n != 5) return "";
    return Reply(m_status.StatusByte());
}

std::string PrinterCore::ClearBuffers(std::uint64_t offset) {
    if (AlreadyActed(offset)) return "done on arrival";
    m_sink.ClearBuffer();
    return "";
}

std::string PrinterCore::Sleep(std::uint64_t offset, bool enter) {
    if (AlreadyActed(offset)) return "done on arrival";
    StatusModel::SleepResult result =
        enter ? m_status.EnterSleep(m_clock()) : m_status.LeaveSleep(m_clock());
    if (enter && result == StatusModel::SleepResult::Accepted) m_decoder.RequestStop();
    return SleepReply(result);
}

std::string PrinterCore::AutoStatus(std::uint8_t n) {
    if (m_model.commands == CommandSet::EscPos) {
        // Turning it on sends the status at once; later changes send it again.
        m_statusBack = n & 0x0F;
        return m_statusBack ? Reply(AutomaticStatusBack(Conditions())) : std::string();
    }
    m_status.SetAutoStatus(n);
    return "";
}

std::string PrinterCore::TransmitStatus(std::uint8_t n) {
    const auto byte = TransmittedStatusByte(Conditions(), n);
    return byte ? Reply(*byte) : "no such status, not answered";
}

std::string PrinterCore::TransmitId(std::uint8_t n) {
    const std::vector<std::uint8_t> reply = PrinterIdReply(m_model.name, n);
    return reply.empty() ? "no such ID, not answered" : Reply(reply);
}

std::string PrinterCore::SetBaudRate(std::uint32_t baud) {
    m_baud = baud;
    return "line switches after this command";
}

std::string PrinterCore::SetHandshake(Handshake mode) {
    m_handshake = mode;
    if (mode != Handshake::Software && m_xoffSent) {
        // Leaving software handshake must not leave the host stopped.
        m_replies.push_back(kXon);
        m_xoffSent = false;
        return "XON sent";
    }
    return "";
}

}  // namespace emu
