#include "app/VirtualPrinterSession.h"

#include <cstdio>
#include <cstdlib>

#include "emulator/memory/NvFile.h"
#include "platform/WireTrace.h"
#include "platform/win32.h"
#include "viewer/PaperWindow.h"
#include "viewer/PrinterFeed.h"

namespace {

// The module's rate at power-on, as the dialog tells its operator.
constexpr std::uint32_t kPowerOnBaud = 9600;

}  // namespace

std::filesystem::path DefaultPaperFolder() {
    const char* home = std::getenv("HOME");
    const std::filesystem::path base = home != nullptr && *home != '\0' ? home : ".";
    return base / "CE_MOLV-paper";
}

CVirtualPrinterSession::CVirtualPrinterSession() = default;

CVirtualPrinterSession::~CVirtualPrinterSession() {
    Stop();
    // After a start that failed half way: no view may outlive its subscription.
    m_pHttp.reset();
    m_pFeed.reset();
    m_pStation->Stop();
    m_pStation->Unsubscribe(this);
}

bool CVirtualPrinterSession::Start(const VirtualPrinterOptions& options, std::string* pError) {
    emu::PrinterStation& station = *m_pStation;
    emu::ReceiptFolder::Limits limits;
    limits.maxReceipts = options.maxReceipts;
    m_bPaperFolderRefused = !station.PrepareReceipts(options.paperFolder, pError, limits);
    if (m_bPaperFolderRefused) return false;
    station.Printer().SetLineBaudRate(options.paceBaud > 0 ? options.paceBaud : kPowerOnBaud);
    m_stateWarning.clear();
    station.Printer().AttachState(options.stateFolder, &m_stateWarning);
    emu::Link& link = station.GetLink();
    if (!link.OpenPty(pError)) return false;
    m_devicePath = link.DevicePath();
    link.SetPacing(options.paceBaud > 0);
    link.SetLineEventCallback(
        [this](const std::string& text) { platform::TraceLineEvent(m_devicePath, text); });

    if (options.http) {
        // Jobs posted over HTTP print through a TCP port of the printer's own, on loopback.
        if (!link.Listen(emu::ListenAddress{}, pError)) return false;
        m_pHttp = std::make_unique<emu::HttpView>(station);
        if (!m_pHttp->Open(*options.http, pError)) {
            *pError = "--http " + *pError;
            return false;
        }
    }
    station.Subscribe(this);
    m_pFeed = std::make_unique<CPrinterFeed>(station);
    m_pFeed->Start("CE_MOLV virtual printer on " + m_devicePath, PaperFolder().string());
    Window().SetClosedHandler([this] {
        std::printf(
            "The virtual printer's window is closed; the printer still serves %s and saves "
            "receipts in %s (F2 in the dialog shows the window again)\n",
            m_devicePath.c_str(), PaperFolder().c_str());
        std::fflush(stdout);
    });

    if (!station.Start(pError) || (m_pHttp && !m_pHttp->Start(pError))) return false;
    // The host's output count holds what the printer has not taken, as a UART's would.
    platform::AttachLinePeer(m_devicePath,
                             [link = &station.GetLink()] { return link->LineTaken(); });
    if (options.mapPort && !platform::MapPort(options.port, m_devicePath)) {
        *pError = "cannot map COM" + std::to_string(options.port) + " to " + m_devicePath;
        platform::AttachLinePeer(m_devicePath, nullptr);
        station.Stop();
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
    if (m_pHttp) m_pHttp->Stop();
    m_pStation->Stop();  // takes what the host wrote, then saves every receipt
    platform::AttachLinePeer(m_devicePath, nullptr);
    if (m_mappedPort != 0) platform::MapPort(m_mappedPort, "");
    m_pFeed.reset();
    m_pStation->Unsubscribe(this);
}

void CVirtualPrinterSession::OnStationEvent(const emu::StationEvent& event) {
    const std::string* sentence = nullptr;
    if (const auto* failed = std::get_if<emu::SaveFailed>(&event)) sentence = &failed->sentence;
    if (const auto* notice = std::get_if<emu::Notice>(&event)) sentence = &notice->sentence;
    if (sentence != nullptr) std::fprintf(stderr, "virtual printer: %s\n", sentence->c_str());
}

std::vector<std::string> CVirtualPrinterSession::SavedReceipts() const {
    std::vector<std::string> files;
    for (const emu::Receipt& receipt : m_pStation->Receipts()) {
        if (!receipt.png.empty()) files.push_back(receipt.png);
    }
    return files;
}

void CVirtualPrinterSession::SetCondition(emu::Condition condition, bool on) {
    m_pStation->SetCondition(condition, on);
}

CPaperWindow& CVirtualPrinterSession::Window() { return m_pFeed->Window(); }
