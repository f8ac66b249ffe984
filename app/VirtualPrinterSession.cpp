#include "app/VirtualPrinterSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "framework/PaperWindow.h"
#include "platform/win32.h"

namespace {

constexpr std::chrono::milliseconds kPaperRefresh(40);

int ToggleIndex(emu::Condition condition) {
    for (int i = 0; i < 5; ++i) {
        if (CVirtualPrinterSession::kToggleOrder[i] == condition) return i;
    }
    return -1;
}

std::string ToggleLabel(emu::Condition condition) {
    switch (condition) {
        case emu::Condition::Overheat:
            return "过热 overheat";
        case emu::Condition::PaperOut:
            return "缺纸 paper out";
        case emu::Condition::OverVoltage:
            return "过压 over-voltage";
        case emu::Condition::Cutter:
            return "切刀 cutter";
        case emu::Condition::Platen:
            return "压轴 platen";
    }
    return "";
}

}  // namespace

std::filesystem::path DefaultPaperFolder() {
    const char* home = std::getenv("HOME");
    const std::filesystem::path base = home != nullptr && *home != '\0' ? home : ".";
    return base / "CE_MOLV-paper";
}

CVirtualPrinterSession::CVirtualPrinterSession() = default;

CVirtualPrinterSession::~CVirtualPrinterSession() { Stop(); }

bool CVirtualPrinterSession::Start(const VirtualPrinterOptions& options, std::string* pError) {
    if (!m_receipts.Prepare(options.paperFolder, pError)) return false;
    m_pPrinter = std::make_unique<emu::VirtualPrinter>();
    m_pLink = std::make_unique<emu::Link>(*m_pPrinter);
    if (!m_pLink->OpenPty(pError)) return false;
    m_devicePath = m_pLink->DevicePath();
    if (options.paceBaud > 0) {
        m_pPrinter->SetLineBaudRate(options.paceBaud);
        m_pLink->SetPacing(true);
    }

    m_pWindow = std::make_unique<CPaperWindow>();
    std::vector<std::string> labels;
    for (emu::Condition condition : kToggleOrder) labels.push_back(ToggleLabel(condition));
    m_pWindow->Create(
        "CE_MOLV virtual printer on " + m_devicePath, labels,
        [this](int index, bool on) { m_pPrinter->SetCondition(kToggleOrder[index], on); });
    m_pWindow->SetPaperFolder(m_receipts.Path().string());
    m_pWindow->SetClosedHandler([this] {
        std::printf(
            "The virtual printer's window is closed; the printer still serves %s and saves "
            "receipts in %s\n",
            m_devicePath.c_str(), m_receipts.Path().c_str());
        std::fflush(stdout);
    });
    m_pPrinter->SetTraceCallback(
        [this](const std::string& line) { m_pWindow->AddTraceLine(line); });
    m_pPrinter->SetPageCallback([this](const emu::PaperImage& page) { OnPage(page); });
    for (emu::Condition condition : kToggleOrder) {
        m_pWindow->SetToggle(ToggleIndex(condition), m_pPrinter->GetCondition(condition));
    }

    if (!m_pLink->Start(pError)) return false;
    if (options.mapPort && !platform::MapPort(options.port, m_devicePath)) {
        *pError = "cannot map COM" + std::to_string(options.port) + " to " + m_devicePath;
        m_pLink->Stop();
        return false;
    }
    m_mappedPort = options.mapPort ? options.port : 0;
    m_stopWatching = false;
    m_watcher = std::thread([this] { WatchPaper(); });
    m_bRunning = true;
    return true;
}

void CVirtualPrinterSession::ShowWindowBesideDialog() {
    if (m_pWindow) m_pWindow->ShowBesideMainWindow();
}

void CVirtualPrinterSession::Stop() {
    if (!m_bRunning) return;
    m_bRunning = false;
    {
        std::lock_guard<std::mutex> guard(m_watchLock);
        m_stopWatching = true;
    }
    m_watchWake.notify_all();
    m_watcher.join();
    m_pLink->Stop();
    if (m_mappedPort != 0) platform::MapPort(m_mappedPort, "");
    if (m_pPrinter->HasContent()) {
        const emu::ReceiptFolder::Result saved = m_receipts.Save(m_pPrinter->Snapshot());
        if (!saved.error.empty()) {
            std::fprintf(stderr, "virtual printer: the unfinished receipt was %s\n",
                         saved.error.c_str());
        }
    }
    m_pPrinter->SetTraceCallback(nullptr);
    m_pPrinter->SetPageCallback(nullptr);
    m_pWindow.reset();
}

void CVirtualPrinterSession::SetCondition(emu::Condition condition, bool on) {
    m_pPrinter->SetCondition(condition, on);
    m_pWindow->SetToggle(ToggleIndex(condition), on);
}

// Runs on the link's thread with the printer's lock held: nothing here may call the printer.
void CVirtualPrinterSession::OnPage(const emu::PaperImage& page) {
    ++m_pages;
    const emu::ReceiptFolder::Result saved = m_receipts.Save(page);
    if (!saved.error.empty())
        std::fprintf(stderr, "virtual printer: a receipt was %s\n", saved.error.c_str());
    m_pWindow->AddReceipt(page.gray.data(), page.width, page.height, saved.path);
}

// Hands the paper in progress to the window while it changes, a few times a second: the
// printer itself has no "row printed" callback, and a picture per command would be wasteful.
void CVirtualPrinterSession::WatchPaper() {
    std::uint64_t shownBytes = ~0ull;
    std::uint64_t shownPages = ~0ull;
    std::string shownState;
    std::unique_lock<std::mutex> guard(m_watchLock);
    while (!m_stopWatching) {
        guard.unlock();
        const std::uint64_t pages = m_pages.load();
        const std::uint64_t bytes = m_pPrinter->Received();
        if (bytes != shownBytes || pages != shownPages) {
            const emu::PaperImage paper = m_pPrinter->Snapshot();
            m_pWindow->SetPaper(paper.gray.data(), paper.width, paper.height, pages);
            shownBytes = bytes;
            shownPages = pages;
        }
        std::string state = DescribeState();
        if (state != shownState) {
            m_pWindow->SetStatusLine(state);
            shownState = std::move(state);
        }
        guard.lock();
        m_watchWake.wait_for(guard, kPaperRefresh, [this] { return m_stopWatching.load(); });
    }
}

std::string CVirtualPrinterSession::DescribeState() const {
    const emu::LineSettings line = m_pPrinter->Line();
    std::string text = "Printer on " + m_devicePath + " · ";
    text += line.baud > 0 ? std::to_string(line.baud) + " baud" : std::string("no line speed set");
    text += " · " + std::to_string(m_pPrinter->Received()) + " bytes received";
    if (const std::size_t waiting = m_pPrinter->Waiting(); waiting > 0) {
        text += " · " + std::to_string(waiting) + " waiting for paper";
    }
    if (m_pPrinter->Asleep()) text += " · asleep";
    text += " · conditions: " + emu::DescribeConditions(m_pPrinter->Conditions());
    return text;
}
