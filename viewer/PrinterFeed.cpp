#include "viewer/PrinterFeed.h"

#include "emulator/station/PrinterStation.h"
#include "viewer/PaperWindow.h"

namespace {

constexpr std::size_t kEventsShown = 3;

}  // namespace

CPrinterFeed::CPrinterFeed(emu::PrinterStation& station)
    : m_station(station),
      m_pWindow(std::make_unique<CPaperWindow>()),
      m_started(std::chrono::system_clock::now() -
                std::chrono::duration_cast<std::chrono::system_clock::duration>(
                    std::chrono::duration<double>(station.Seconds()))) {}

CPrinterFeed::~CPrinterFeed() { Stop(); }

void CPrinterFeed::Start(const std::string& title, const std::string& folder) {
    const auto conditions = emu::ConditionsOf(m_station.Printer().Model().commands);
    std::vector<std::string> labels;
    for (const emu::ConditionRow& row : conditions) labels.emplace_back(row.label);
    m_pWindow->Create(title, labels, [this, conditions](int index, bool on) {
        m_station.SetCondition(conditions[static_cast<std::size_t>(index)].condition, on);
    });
    m_pWindow->SetPaperFolder(folder);
    m_pWindow->SetPaperWidth(m_station.Printer().WidthDots());
    ShowConditions(m_station.Printer().ConditionsOn());
    m_station.Subscribe(this);
    m_following = true;
}

void CPrinterFeed::Stop() {
    if (!m_following) return;
    m_following = false;
    m_station.Unsubscribe(this);
}

void CPrinterFeed::SetCondition(emu::Condition condition, bool on) {
    m_station.SetCondition(condition, on);
}

void CPrinterFeed::ShowConditions(emu::ConditionSet conditions) {
    const auto rows = emu::ConditionsOf(m_station.Printer().Model().commands);
    for (std::size_t i = 0; i < rows.size(); ++i)
        m_pWindow->SetToggle(static_cast<int>(i), (conditions & emu::Mask(rows[i].condition)) != 0);
}

void CPrinterFeed::AddEvent(const std::string& text) {
    m_events.push_back(text);
    if (m_events.size() > kEventsShown) m_events.pop_front();
    std::string line;
    for (const std::string& event : m_events) line += (line.empty() ? "" : " · ") + event;
    m_pWindow->SetEventLine(line);
}

void CPrinterFeed::OnStationEvent(const emu::StationEvent& event) {
    if (const auto* finished = std::get_if<emu::ReceiptFinished>(&event)) {
        const emu::Receipt& receipt = finished->receipt;
        const emu::PaperImage& image = *receipt.image;
        const auto cut =
            m_started + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                            std::chrono::duration<double>(receipt.seconds));
        const CPaperWindow::ReceiptInfo info{
            receipt.number,
            std::chrono::duration_cast<std::chrono::milliseconds>(cut.time_since_epoch()).count(),
            receipt.source,
            receipt.bytes,
            receipt.png,
            receipt.bin};
        m_pWindow->AddReceipt(image.gray.data(), image.width, image.height, info);
    } else if (const auto* paper = std::get_if<emu::PaperChanged>(&event)) {
        m_pWindow->SetPaper(paper->paper->gray.data(), paper->paper->width, paper->paper->height,
                            paper->receiptsBefore);
    } else if (const auto* entry = std::get_if<emu::TraceEntry>(&event)) {
        // The window shows each command on one line; a trace file has the rest of its bytes.
        m_pWindow->AddTraceLine(entry->text.substr(0, entry->text.find('\n')));
    } else if (const auto* kick = std::get_if<emu::DrawerKicked>(&event)) {
        AddEvent(emu::Describe(kick->kick));
    } else if (const auto* buzzer = std::get_if<emu::BuzzerSounded>(&event)) {
        AddEvent(emu::Describe(buzzer->buzzer));
    } else if (const auto* changed = std::get_if<emu::ConditionChanged>(&event)) {
        ShowConditions(changed->conditions);
    } else if (const auto* status = std::get_if<emu::StatusChanged>(&event)) {
        m_pWindow->SetStatusLine(status->text);
    } else if (std::get_if<emu::SaveFailed>(&event) != nullptr) {
        m_pWindow->SetSaveFailure("This run " + emu::Describe(m_station.LostReceipts()) + ".");
    }
}
