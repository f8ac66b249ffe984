#include "emulator/VirtualPrinter.h"

#include "emulator/memory/NvFile.h"

namespace emu {

VirtualPrinter::VirtualPrinter(int widthDots, std::size_t inputCapacity)
    : VirtualPrinter(DefaultPrinterModel(), widthDots, inputCapacity) {}

VirtualPrinter::VirtualPrinter(const PrinterModel& model, int widthDots, std::size_t inputCapacity)
    : m_engine(widthDots > 0 ? widthDots : model.widthDots, model.commands),
      m_core(m_engine, inputCapacity, model) {}

std::size_t VirtualPrinter::Feed(const std::uint8_t* data, std::size_t length) {
    bool wake;
    std::size_t taken;
    {
        std::lock_guard lock(m_mutex);
        taken = m_core.Feed(data, length);
        wake = m_core.HasReplies();
    }
    WakeIf(wake);
    return taken;
}

void VirtualPrinter::Finish() {
    std::lock_guard lock(m_mutex);
    m_core.Finish();
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
    }
    WakeIf(wake);
}

ConditionSet VirtualPrinter::ConditionsOn() const {
    std::lock_guard lock(m_mutex);
    return m_core.Conditions();
}

const PrinterModel& VirtualPrinter::Model() const { return m_core.Model(); }

bool VirtualPrinter::GetCondition(Condition condition) const {
    std::lock_guard lock(m_mutex);
    return m_core.GetCondition(condition);
}

std::uint8_t VirtualPrinter::Conditions() const {
    std::lock_guard lock(m_mutex);
    return m_core.StatusByte();
}

std::uint8_t VirtualPrinter::AutoStatusMask() const {
    std::lock_guard lock(m_mutex);
    return m_core.AutoStatusMask();
}

bool VirtualPrinter::Asleep() const {
    std::lock_guard lock(m_mutex);
    return m_core.Asleep();
}

std::size_t VirtualPrinter::Waiting() const {
    std::lock_guard lock(m_mutex);
    return m_core.Waiting();
}

std::uint64_t VirtualPrinter::Received() const {
    std::lock_guard lock(m_mutex);
    return m_core.Received();
}

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
    return m_core.Graphics().AttachFile(NvFilePath(stateFolder, m_core.Model().name), error);
}

void VirtualPrinter::SetLineBaudRate(std::uint32_t baud) {
    std::lock_guard lock(m_mutex);
    m_core.SetLineBaudRate(baud);
}

LineSettings VirtualPrinter::Line() const {
    std::lock_guard lock(m_mutex);
    return LineSettings{m_core.BaudRate(), m_core.GetHandshake()};
}

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

void VirtualPrinter::SetPageCallback(std::function<void(const PaperImage&)> onPage) {
    std::lock_guard lock(m_mutex);
    m_engine.SetPageCallback(std::move(onPage));
}

void VirtualPrinter::SetTraceCallback(std::function<void(const std::string&)> onLine) {
    std::lock_guard lock(m_mutex);
    m_core.SetTrace(std::move(onLine));
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
