#include "app/VirtualPrinterSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "emulator/memory/NvFile.h"
#include "platform/WireTrace.h"
#include "platform/win32.h"
#include "viewer/PaperWindow.h"
#include "viewer/PrinterFeed.h"

namespace {

// The module's rate at power-on, as the dialog tells its operator.
constexpr std::uint32_t kPowerOnBaud = 9600;
// At the end, the printer takes what the host wrote, at once, as long as it keeps taking bytes;
// short enough that a stop with paper out still ends within two seconds.
constexpr std::chrono::milliseconds kDrainStall(500);

}  // namespace

std::filesystem::path DefaultPaperFolder() {
    const char* home = std::getenv("HOME");
    const std::filesystem::path base = home != nullptr && *home != '\0' ? home : ".";
    return base / "CE_MOLV-paper";
}

CVirtualPrinterSession::CVirtualPrinterSession() = default;

CVirtualPrinterSession::~CVirtualPrinterSession() { Stop(); }

bool CVirtualPrinterSession::Start(const VirtualPrinterOptions& options, std::string* pError) {
    emu::ReceiptFolder::Limits limits;
    limits.maxReceipts = options.maxReceipts;
    if (!m_receipts.Prepare(options.paperFolder, pError, limits)) return false;
    m_pPrinter = std::make_unique<emu::VirtualPrinter>();
    m_pPrinter->SetLineBaudRate(options.paceBaud > 0 ? options.paceBaud : kPowerOnBaud);
    m_stateWarning.clear();
    m_pPrinter->AttachState(
        options.stateFolder.empty() ? emu::DefaultStateFolder() : options.stateFolder,
        &m_stateWarning);
    m_pLink = std::make_unique<emu::Link>(*m_pPrinter);
    if (!m_pLink->OpenPty(pError)) return false;
    m_devicePath = m_pLink->DevicePath();
    m_pLink->SetPacing(options.paceBaud > 0);
    m_pLink->SetLineEventCallback(
        [this](const std::string& text) { platform::TraceLineEvent(m_devicePath, text); });

    m_pFeed = std::make_unique<CPrinterFeed>(*m_pPrinter);
    m_pPrinter->SetTraceCallback([this](const std::string& line) { m_pFeed->OnTraceLine(line); });
    m_pPrinter->SetPageCallback([this](const emu::PaperImage& page) { m_pFeed->OnReceipt(page); });
    m_pFeed->Start(
        "CE_MOLV virtual printer on " + m_devicePath, m_receipts.Path().string(),
        [this](const emu::PaperImage& page) { return SaveReceipt(page); },
        [this] { return DescribeState(); });
    Window().SetClosedHandler([this] {
        std::printf(
            "The virtual printer's window is closed; the printer still serves %s and saves "
            "receipts in %s (F2 in the dialog shows the window again)\n",
            m_devicePath.c_str(), m_receipts.Path().c_str());
        std::fflush(stdout);
    });

    if (!m_pLink->Start(pError)) return false;
    if (options.mapPort && !platform::MapPort(options.port, m_devicePath)) {
        *pError = "cannot map COM" + std::to_string(options.port) + " to " + m_devicePath;
        m_pLink->Stop();
        return false;
    }
    m_mappedPort = options.mapPort ? options.port : 0;
    m_bRunning = true;
    return true;
}

void CVirtualPrinterSession::ShowWindowBesideDialog() {
    if (m_pFeed) Window().ShowBesideMainWindow();
}

void CVirtualPrinterSession::ShowWindowAgain() {
    if (m_pFeed) Window().ShowBesideMainWindowNow();
}

void CVirtualPrinterSession::Stop() {
    if (!m_bRunning) return;
    m_bRunning = false;
    DrainLine();
    m_pLink->Stop();
    m_pFeed->Stop();  // saves the receipts still queued
    if (m_mappedPort != 0) platform::MapPort(m_mappedPort, "");
    if (m_pPrinter->HasContent()) {
        SayNotSaved(m_receipts.Save(m_pPrinter->Snapshot()), "the unfinished receipt");
    }
    m_pPrinter->SetTraceCallback(nullptr);
    m_pPrinter->SetPageCallback(nullptr);
    m_pFeed.reset();
}

void CVirtualPrinterSession::DrainLine() {
    if (const std::size_t left = m_pLink->TakeWhatWasWritten(kDrainStall); left > 0) {
        std::fprintf(stderr, "virtual printer: %zu bytes the host wrote were not taken (%s)\n",
                     left, m_pPrinter->Waiting() > 0 ? "waiting for paper" : "the printer is busy");
    }
}

void CVirtualPrinterSession::SetCondition(emu::Condition condition, bool on) {
    m_pFeed->SetCondition(condition, on);
}

CPaperWindow& CVirtualPrinterSession::Window() { return m_pFeed->Window(); }

// On the feed's thread, so the link goes on reading meanwhile.
std::string CVirtualPrinterSession::SaveReceipt(const emu::PaperImage& page) {
    const emu::ReceiptFolder::Result saved = m_receipts.Save(page);
    SayNotSaved(saved, "a receipt");
    return saved.path;
}

void CVirtualPrinterSession::SayNotSaved(const emu::ReceiptFolder::Result& result,
                                         const char* which) const {
    if (result.error.empty() || (result.stopped && !result.firstStop)) return;
    if (result.stopped) {
        std::fprintf(stderr,
                     "virtual printer: stopped saving receipts: %s; later paper is not saved\n",
                     m_receipts.Stopped().c_str());
    } else {
        std::fprintf(stderr, "virtual printer: %s was %s\n", which, result.error.c_str());
    }
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
    text += "\n" + m_pPrinter->DescribeActivity();
    if (const std::string stopped = m_receipts.Stopped(); !stopped.empty()) {
        text += "\nReceipts are no longer saved: " + stopped;
    }
    return text;
}
