#include "emulator/VirtualPrinter.h"

#include <algorithm>
#include <utility>

#include "emulator/memory/NvFile.h"

namespace emu {

VirtualPrinter::VirtualPrinter(int widthDots, std::size_t inputCapacity)
    : VirtualPrinter(DefaultPrinterModel(), widthDots, inputCapacity) {}

VirtualPrinter::VirtualPrinter(const PrinterModel& model, int widthDots, std::size_t inputCapacity)
    : m_engine(widthDots > 0 ? widthDots : model.widthDots, model.commands),
      m_core(m_engine, inputCapacity, model) {
    m_engine.SetPageCallback([this](PaperImage&& image) { OnPaper(std::move(image)); });
    Publish();
}

void VirtualPrinter::Publish() {
    m_shown.conditions = m_core.Conditions();
    m_shown.statusByte = m_core.StatusByte();
    m_shown.asleep = m_core.Asleep();
    m_shown.waiting = m_core.Waiting();
    m_shown.received = m_core.Received();
    m_shown.baud = m_core.BaudRate();
    m_shown.handshake = m_core.GetHandshake();
}

void VirtualPrinter::OnPaper(PaperImage&& image) {
    // The command that ended the receipt has been decoded up to here; what follows is the next's.
    const std::uint64_t end = m_core.Decoded();
    if (m_onReceipt) {
        FinishedReceipt receipt;
        receipt.image = std::move(image);
        receipt.bytesComplete = m_jobComplete;
        if (m_jobComplete) {
            receipt.bytes.assign(m_job.begin(), m_job.begin() + JobLength(end));
        }
        receipt.source = m_source;
        m_onReceipt(std::move(receipt));
    }
    DropJobUpTo(end);
}

std::ptrdiff_t VirtualPrinter::JobLength(std::uint64_t end) const {
    return static_cast<std::ptrdiff_t>(
        std::min<std::uint64_t>(end > m_jobStart ? end - m_jobStart : 0, m_job.size()));
}

void VirtualPrinter::DropJobUpTo(std::uint64_t end) {
    m_job.erase(m_job.begin(), m_job.begin() + JobLength(end));
    m_jobStart = std::max(m_jobStart, end);
}

void VirtualPrinter::ResumeKeeping() {
    // After a receipt too long to keep, the next is kept whole when it starts at a chunk's start.
    if (!m_jobComplete && m_jobStart == m_core.Received()) {
        m_jobComplete = true;
        m_job.clear();
    }
}

std::size_t VirtualPrinter::Feed(const std::uint8_t* data, std::size_t length) {
    bool wake;
    std::size_t taken;
    {
        std::lock_guard lock(m_mutex);
        // Kept before decoding, so a cut in the middle finds its own bytes already there.
        const std::uint64_t first = m_core.Received();  // stream offset of data[0]
        if (m_jobComplete && m_job.size() + length > kMaxReceiptBytes) {
            m_jobComplete = false;
            m_job.clear();
        }
        if (m_jobComplete) m_job.insert(m_job.end(), data, data + length);
        taken = m_core.Feed(data, length);
        // Bytes not taken are offered again later.
        if (m_jobComplete && taken < length) {
            m_job.resize(static_cast<std::size_t>(JobLength(first + taken)));
        }
        ResumeKeeping();
        wake = m_core.HasReplies();
        Publish();
    }
    WakeIf(wake);
    return taken;
}

void VirtualPrinter::Finish() {
    std::lock_guard lock(m_mutex);
    m_core.Finish();
    Publish();
}

void VirtualPrinter::EndReceipt() {
    std::lock_guard lock(m_mutex);
    m_engine.EndReceipt();
    // Blank paper is no receipt, but its bytes are not the next receipt's either.
    DropJobUpTo(m_core.Decoded());
    ResumeKeeping();
    Publish();
}

std::vector<std::uint8_t> VirtualPrinter::TakeReplies() {
    std::lock_guard lock(m_mutex);
    return m_core.TakeReplies();
}

void VirtualPrinter::SetCondition(Condition condition, bool on) {
    bool wake;
    {
        std::lock_guard lock(m_mutex);
        std::size_t waitingBefore = m_core.Waiting();
        m_core.SetCondition(condition, on);
        wake = m_core.HasReplies() || m_core.Waiting() < waitingBefore;
        Publish();
    }
    WakeIf(wake);
}

ConditionSet VirtualPrinter::ConditionsOn() const { return m_shown.conditions; }

const PrinterModel& VirtualPrinter::Model() const { return m_core.Model(); }

bool VirtualPrinter::GetCondition(Condition condition) const {
    return (m_shown.conditions & Mask(condition)) != 0;
}

std::uint8_t VirtualPrinter::Conditions() const { return m_shown.statusByte; }

std::uint8_t VirtualPrinter::AutoStatusMask() const {
    std::lock_guard lock(m_mutex);
    return m_core.AutoStatusMask();
}

bool VirtualPrinter::Asleep() const { return m_shown.asleep; }

std::size_t VirtualPrinter::Waiting() const { return m_shown.waiting; }

std::uint64_t VirtualPrinter::Received() const { return m_shown.received; }

std::string VirtualPrinter::DescribeActivity() const {
    std::string text = std::to_string(Received()) + " bytes received";
    if (const std::size_t waiting = Waiting(); waiting > 0) {
        text += " · " + std::to_string(waiting) + " waiting to print";
    }
    if (Asleep()) text += " · asleep";
    return text + " · conditions: " + DescribeConditions(ConditionsOn(), Model().commands);
}

bool VirtualPrinter::AttachState(const std::string& stateFolder, std::string* error) {
    std::lock_guard lock(m_mutex);
    const std::string folder = stateFolder.empty() ? DefaultStateFolder() : stateFolder;
    return m_core.Graphics().AttachFile(NvFilePath(folder, m_core.Model().name), error);
}

void VirtualPrinter::SetLineBaudRate(std::uint32_t baud) {
    std::lock_guard lock(m_mutex);
    m_core.SetLineBaudRate(baud);
    Publish();
}

LineSettings VirtualPrinter::Line() const { return LineSettings{m_shown.baud, m_shown.handshake}; }

PaperImage VirtualPrinter::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_engine.Snapshot();
}

bool VirtualPrinter::HasContent() const {
    std::lock_guard lock(m_mutex);
    return m_engine.HasContent();
}

int VirtualPrinter::WidthDots() const { return m_engine.WidthDots(); }

std::uint64_t VirtualPrinter::DotRowsPrinted() const {
    std::lock_guard lock(m_mutex);
    return m_engine.DotRowsPrinted();
}

std::string VirtualPrinter::FontProblems() const {
    std::lock_guard lock(m_mutex);
    return m_engine.FontProblems();
}

void VirtualPrinter::SetSource(const std::string& source) {
    std::lock_guard lock(m_mutex);
    m_source = source;
}

std::string VirtualPrinter::Source() const {
    std::lock_guard lock(m_mutex);
    return m_source;
}

void VirtualPrinter::SetReceiptCallback(std::function<void(FinishedReceipt&&)> onReceipt) {
    std::lock_guard lock(m_mutex);
    m_onReceipt = std::move(onReceipt);
}

void VirtualPrinter::SetPeripheralCallback(PeripheralCallback onPulse) {
    std::lock_guard lock(m_mutex);
    if (!onPulse) return m_core.SetPeripheralCallback(nullptr);
    // The core calls back under m_mutex, so m_source is read there without taking it again.
    m_core.SetPeripheralCallback([this, onPulse = std::move(onPulse)](const Peripheral& pulse) {
        onPulse(pulse, m_source);
    });
}

void VirtualPrinter::SetTraceCallback(TraceCallback onLine, bool everyByte) {
    std::lock_guard lock(m_mutex);
    if (!onLine) return m_core.SetTrace(nullptr);
    Trace::ByteSource bytes;
    // The bytes kept for the receipt hold every command of it; called under m_mutex.
    if (everyByte) {
        bytes = [this](std::uint64_t offset, std::uint64_t length, std::vector<std::uint8_t>* out) {
            if (!m_jobComplete || offset < m_jobStart ||
                offset + length > m_jobStart + m_job.size())
                return false;
            const auto from = m_job.begin() + static_cast<std::ptrdiff_t>(offset - m_jobStart);
            out->assign(from, from + static_cast<std::ptrdiff_t>(length));
            return true;
        };
    }
    m_core.SetTrace(
        [this, onLine = std::move(onLine)](const std::string& line) { onLine(line, m_source); },
        std::move(bytes));
}

void VirtualPrinter::SetWakeCallback(std::function<void()> onWake) {
    std::lock_guard lock(m_mutex);
    m_onWake = std::move(onWake);
}

void VirtualPrinter::SetClock(std::function<Clock::time_point()> clock) {
    std::lock_guard lock(m_mutex);
    m_core.SetClock(std::move(clock));
}

void VirtualPrinter::Note(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_core.Note(text);
}

void VirtualPrinter::WakeIf(bool due) {
    if (!due) return;
    std::function<void()> onWake;
    {
        std::lock_guard lock(m_mutex);
        onWake = m_onWake;
    }
    if (onWake) onWake();
}

}  // namespace emu
