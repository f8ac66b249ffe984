#include "app/VirtualPrinterSession.h"

#include <cstdio>
#include <cstdlib>

#include "emulator/VirtualPrinter.h"
#include "emulator/link/Link.h"
#include "platform/win32.h"
#include "viewer/PaperWindow.h"
#include "viewer/PrinterFeed.h"

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

    m_pFeed = std::make_unique<CPrinterFeed>(*m_pPrinter);
    m_pPrinter->SetTraceCallback([this](const std::string& line) { m_pFeed->OnTraceLine(line); });
    m_pPrinter->SetPageCallback([this](const emu::PaperImage& page) { OnPage(page); });
    m_pFeed->Start("CE_MOLV virtual printer on " + m_devicePath, m_devicePath,
                   m_receipts.Path().string());
    Window().SetClosedHandler([this] {
        std::printf(
            "The virtual printer's window is closed; the printer still serves %s and saves "
            "receipts in %s\n",
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

void CVirtualPrinterSession::Stop() {
    if (!m_bRunning) return;
    m_bRunning = false;
    m_pFeed->Stop();
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
    m_pFeed.reset();
}

void CVirtualPrinterSession::SetCondition(emu::Condition condition, bool on) {
    m_pFeed->SetCondition(condition, on);
}

CPaperWindow& CVirtualPrinterSession::Window() { return m_pFeed->Window(); }

// Runs on the link's thread with the printer's lock held: nothing here may call the printer.
void CVirtualPrinterSession::OnPage(const emu::PaperImage& page) {
    const emu::ReceiptFolder::Result saved = m_receipts.Save(page);
    if (!saved.error.empty())
        std::fprintf(stderr, "virtual printer: a receipt was %s\n", saved.error.c_str());
    m_pFeed->OnReceipt(page, saved.path);
}
