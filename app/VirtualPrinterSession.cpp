#include "app/VirtualPrinterSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "platform/WireTrace.h"
#include "platform/win32.h"
#include "viewer/PaperWindow.h"

namespace {

constexpr std::chrono::milliseconds kPaperRefresh(40);
// The module's rate at power-on, as the dialog tells its operator.
constexpr std::uint32_t kPowerOnBaud = 9600;
// At the end, the printer may still be reading what the host wrote (a paced line); it gets the
// time it needs as long as it keeps taking bytes.
constexpr std::chrono::milliseconds kDrainStall(1500);
constexpr std::chrono::milliseconds kDrainLook(5);
constexpr std::chrono::milliseconds kDrainConfirm(1);

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
    m_pPrinter->SetLineBaudRate(options.paceBaud > 0 ? options.paceBaud : kPowerOnBaud);
    m_pLink = std::make_unique<emu::Link>(*m_pPrinter);
    if (!m_pLink->OpenPty(pError)) return false;
    m_devicePath = m_pLink->DevicePath();
    m_pLink->SetPacing(options.paceBaud > 0);
    m_pLink->SetLineEventCallback(
        [this](const std::string& text) { platform::TraceLineEvent(m_devicePath, text); });

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
    DrainLine();
    m_pLink->Stop();
    {
        std::lock_guard<std::mutex> guard(m_watchLock);
        m_stopWatching = true;
    }
    m_watchWake.notify_all();
    m_watcher.join();  // saves the receipts still queued
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

void CVirtualPrinterSession::DrainLine() {
    using Clock = std::chrono::steady_clock;
    std::uint64_t received = m_pPrinter->Received();
    Clock::time_point progress = Clock::now();
    // Twice empty in a row: a byte moving from the line into the link is counted in neither.
    for (int empty = 0;;) {
        empty = m_pLink->Unread() == 0 ? empty + 1 : 0;
        if (empty == 2) return;
        if (empty == 1) {
            std::this_thread::sleep_for(kDrainConfirm);
            continue;
        }
        if (const std::uint64_t now = m_pPrinter->Received(); now != received) {
            received = now;
            progress = Clock::now();
        } else if (Clock::now() - progress > kDrainStall) {
            std::fprintf(stderr, "virtual printer: %zu bytes the host wrote were not taken (%s)\n",
                         m_pLink->Unread(),
                         m_pPrinter->Waiting() > 0 ? "waiting for paper" : "the printer is busy");
            return;
        }
        std::this_thread::sleep_for(kDrainLook);
    }
}

void CVirtualPrinterSession::SetCondition(emu::Condition condition, bool on) {
    m_pPrinter->SetCondition(condition, on);
    m_pWindow->SetToggle(ToggleIndex(condition), on);
}

// Runs on the link's thread with the printer's lock held: nothing here may call the printer.
// The receipt is saved on the watcher's thread, so the link goes on reading meanwhile.
void CVirtualPrinterSession::OnPage(const emu::PaperImage& page) {
    {
        std::lock_guard<std::mutex> guard(m_watchLock);
        m_unsaved.push_back(page);
    }
    ++m_pages;
    m_watchWake.notify_all();
}

void CVirtualPrinterSession::SaveQueuedReceipts() {
    for (;;) {
        emu::PaperImage page;
        {
            std::lock_guard<std::mutex> guard(m_watchLock);
            if (m_unsaved.empty()) return;
            page = std::move(m_unsaved.front());
            m_unsaved.pop_front();
        }
        const emu::ReceiptFolder::Result saved = m_receipts.Save(page);
        if (!saved.error.empty()) {
            std::fprintf(stderr, "virtual printer: a receipt was %s\n", saved.error.c_str());
        }
        m_pWindow->AddReceipt(page.gray.data(), page.width, page.height, saved.path);
    }
}

// Saves finished receipts and hands the paper in progress to the window while it changes, a
// few times a second: the printer itself has no "row printed" callback, and a picture per
// command would be wasteful.
void CVirtualPrinterSession::WatchPaper() {
    std::uint64_t shownBytes = ~0ull;
    std::uint64_t shownPages = ~0ull;
    std::string shownState;
    std::unique_lock<std::mutex> guard(m_watchLock);
    while (!m_stopWatching) {
        guard.unlock();
        SaveQueuedReceipts();
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
        m_watchWake.wait_for(guard, kPaperRefresh,
                             [this] { return m_stopWatching.load() || !m_unsaved.empty(); });
    }
    guard.unlock();
    SaveQueuedReceipts();
}

std::string CVirtualPrinterSession::DescribeState() const {
    const emu::LineSettings line = m_pPrinter->Line();
    const emu::HostLine host = m_pLink->Host();
    std::string text = "Host: " + m_devicePath + " ";
    text += host.baud > 0 ? host.Describe() : std::string("not opened yet");
    text += "\nPrinter: " + std::to_string(line.baud) + " baud 8N1, handshake " +
            emu::DescribeHandshake(line.handshake);
    if (host.baud > 0 && !host.Readable(line.baud)) {
        text += "\nThe two sides differ: the host's bytes arrive as framing errors (" +
                std::to_string(m_pLink->FramingErrors()) +
                " so far),\nnot printed. Set both to the same speed and 8N1.";
    } else if (host.baud > 0 && host.handshake != line.handshake) {
        text += "\nThe two sides use different flow control:\nthe printer's buffer can overrun.";
    }
    text += "\n" + std::to_string(m_pPrinter->Received()) + " bytes received";
    if (const std::size_t waiting = m_pPrinter->Waiting(); waiting > 0) {
        text += " · " + std::to_string(waiting) + " waiting for paper";
    }
    if (m_pPrinter->Asleep()) text += " · asleep";
    text += " · conditions: " + emu::DescribeConditions(m_pPrinter->Conditions());
    return text;
}
