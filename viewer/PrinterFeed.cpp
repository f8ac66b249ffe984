#include "viewer/PrinterFeed.h"

#include <algorithm>
#include <chrono>

#include "emulator/VirtualPrinter.h"
#include "viewer/PaperWindow.h"

namespace {

constexpr std::chrono::milliseconds kPaperRefresh(40);
constexpr std::size_t kEventsShown = 3;

}  // namespace

CPrinterFeed::CPrinterFeed(emu::VirtualPrinter& printer)
    : m_printer(printer), m_pWindow(std::make_unique<CPaperWindow>()) {}

CPrinterFeed::~CPrinterFeed() { Stop(); }

void CPrinterFeed::Start(const std::string& title, const std::string& folder, SaveReceipt save,
                         DescribeState describe) {
    m_save = std::move(save);
    m_describe = std::move(describe);
    const auto conditions = emu::ConditionsOf(m_printer.Model().commands);
    std::vector<std::string> labels;
    for (const emu::ConditionRow& row : conditions) labels.emplace_back(row.label);
    m_pWindow->Create(title, labels, [this, conditions](int index, bool on) {
        m_printer.SetCondition(conditions[static_cast<std::size_t>(index)].condition, on);
    });
    m_pWindow->SetPaperFolder(folder);
    ShowConditions(m_printer.ConditionsOn());
    m_stopWatching = false;
    m_watcher = std::thread([this] { WatchPaper(); });
}

void CPrinterFeed::Stop() {
    if (!m_watcher.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(m_watchLock);
        m_stopWatching = true;
    }
    m_watchWake.notify_all();
    m_watcher.join();  // saves the receipts still queued
}

void CPrinterFeed::OnTraceLine(const std::string& line) {
    m_pWindow->AddTraceLine(line);
    // The decoder words these commands' meanings "drawer N: ..." and "buzzer: ..."; the trace
    // puts two spaces before the meaning.
    std::size_t at = std::string::npos;
    for (const char* kind : {"  drawer ", "  buzzer: "}) at = std::min(at, line.find(kind));
    if (at == std::string::npos) return;
    std::lock_guard<std::mutex> guard(m_eventLock);
    m_events.push_back(line.substr(at + 2));
    if (m_events.size() > kEventsShown) m_events.pop_front();
    std::string text;
    for (const std::string& event : m_events) text += (text.empty() ? "" : " · ") + event;
    m_pWindow->SetEventLine(text);
}

void CPrinterFeed::OnReceipt(const emu::PaperImage& page) {
    {
        std::lock_guard<std::mutex> guard(m_watchLock);
        m_unsaved.push_back(page);
    }
    ++m_pages;
    m_watchWake.notify_all();
}

void CPrinterFeed::SetCondition(emu::Condition condition, bool on) {
    m_printer.SetCondition(condition, on);
    ShowConditions(m_printer.ConditionsOn());
}

void CPrinterFeed::ShowConditions(emu::ConditionSet conditions) {
    const auto rows = emu::ConditionsOf(m_printer.Model().commands);
    for (std::size_t i = 0; i < rows.size(); ++i)
        m_pWindow->SetToggle(static_cast<int>(i), (conditions & emu::Mask(rows[i].condition)) != 0);
}

void CPrinterFeed::SaveQueuedReceipts() {
    for (;;) {
        emu::PaperImage page;
        {
            std::lock_guard<std::mutex> guard(m_watchLock);
            if (m_unsaved.empty()) return;
            page = std::move(m_unsaved.front());
            m_unsaved.pop_front();
        }
        const std::string savedAs = m_save ? m_save(page) : std::string();
        m_pWindow->AddReceipt(page.gray.data(), page.width, page.height, savedAs);
    }
}

// Saves finished receipts and hands the paper in progress to the window while it changes, a
// few times a second: the printer itself has no "row printed" callback, and a picture per
// command would be wasteful.
void CPrinterFeed::WatchPaper() {
    std::uint64_t shownBytes = ~0ull;
    std::uint64_t shownPages = ~0ull;
    // Data held while paper is out prints when it is back, with no new byte arriving.
    std::size_t shownWaiting = ~std::size_t{0};
    std::string shownState;
    emu::ConditionSet shownConditions = m_printer.ConditionsOn();
    std::unique_lock<std::mutex> guard(m_watchLock);
    while (!m_stopWatching) {
        guard.unlock();
        SaveQueuedReceipts();
        const std::uint64_t pages = m_pages.load();
        const std::uint64_t bytes = m_printer.Received();
        const std::size_t waiting = m_printer.Waiting();
        if (bytes != shownBytes || pages != shownPages || waiting != shownWaiting) {
            const emu::PaperImage paper = m_printer.Snapshot();
            m_pWindow->SetPaper(paper.gray.data(), paper.width, paper.height, pages);
            shownBytes = bytes;
            shownPages = pages;
            shownWaiting = waiting;
        }
        if (const emu::ConditionSet conditions = m_printer.ConditionsOn();
            conditions != shownConditions) {
            ShowConditions(conditions);
            shownConditions = conditions;
        }
        std::string state = m_describe ? m_describe() : std::string();
        if (state != shownState) {
            m_pWindow->SetStatusLine(state);
            shownState = std::move(state);
        }
        guard.lock();
        m_watchWake.wait_for(guard, kPaperRefresh,
                             [this] { return m_stopWatching.load() || !m_unsaved.empty(); });
    }
    guard.unlock();
    SaveQueuedReceipts();
}
