#include "app/InProcessPrinter.h"

#include <cstdio>

#include "app/PrinterScriptCommand.h"
#include "app/res/VersionInfo.h"
#include "emulator/VirtualPrinter.h"
#include "framework/WinApp.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kVirtualPort = 1;

}  // namespace

CInProcessPrinter::~CInProcessPrinter() {
    if (m_bStarted) UnregisterPrinterScriptCommand();
}

bool CInProcessPrinter::Start(const CommandLineOptions& options, CWinApp& app) {
    const char* program = kVersionInfo.internalName;
    if (app.IsHeadless() && options.script.empty() && !options.demo) {
        std::fprintf(
            stderr,
            "%s: no display to show the dialog on; set DISPLAY (or run it under xvfb-run), "
            "or run '%s --virtual-printer --demo' for the built-in demonstration offscreen\n",
            program, program);
        app.SetExitCode(kExitFailure);
        return false;
    }
    VirtualPrinterOptions printer;
    if (!options.paperFolder.empty()) printer.paperFolder = options.paperFolder;
    printer.port = kVirtualPort;
    printer.mapPort = options.VirtualPrinterOnCom1();
    printer.paceBaud = options.paceBaud;
    printer.stateFolder = options.stateFolder;
    printer.maxReceipts = options.maxReceipts;
    printer.http = options.http;
    std::string error;
    if (!m_session.Start(printer, &error)) {
        if (m_session.PaperFolderRefused()) {
            std::fprintf(stderr, "%s: --paper-dir: %s; give a folder receipts can be saved in\n",
                         program, error.c_str());
        } else {
            std::fprintf(stderr, "%s: the virtual printer did not start: %s\n", program,
                         error.c_str());
        }
        app.SetExitCode(m_session.PaperFolderRefused() ? kExitUsage : kExitFailure);
        return false;
    }
    m_bStarted = true;
    if (const std::string& state = m_session.StateWarning(); !state.empty()) {
        std::fprintf(stderr, "%s: warning: %s; the printer's stored graphics start empty\n",
                     program, state.c_str());
    }
    if (std::string fonts = m_session.Printer().FontProblems(); !fonts.empty()) {
        std::fprintf(stderr, "%s: warning: the virtual printer lacks fonts: %s\n", program,
                     fonts.c_str());
    }
    RegisterPrinterScriptCommand(m_session);
    std::printf(
        "Virtual printer on %s%s; receipts are saved in %s\n", m_session.DevicePath().c_str(),
        printer.mapPort ? " (COM1)"
                        : " (COM1 is mapped elsewhere by --port; map a port to it to use it)",
        m_session.PaperFolder().c_str());
    if (const emu::HttpView* http = m_session.Http()) {
        std::printf("The virtual printer in a browser: %s\n", http->Address().c_str());
    }
    std::fflush(stdout);

    m_bDemo = options.demo;
    if (m_bDemo) {
        m_tour = DemoTourFilesIn(m_session.PaperFolder());
        if (!WriteDemoTour(m_tour, &error)) {
            std::fprintf(stderr, "%s: %s\n", program, error.c_str());
            app.SetExitCode(kExitFailure);
            return false;
        }
        return app.LoadScript(m_tour.script.string());
    }
    return options.script.empty() || app.LoadScript(options.script);
}

void CInProcessPrinter::ShowWindow() { m_session.ShowWindowBesideDialog(); }

void CInProcessPrinter::Finish(CWinApp& app) {
    m_session.Stop();
    const std::vector<std::string> receipts = m_session.SavedReceipts();
    const emu::ReceiptFolder::Losses lost = m_session.LostReceipts();
    if (lost.count > 0) app.NoteDataLost();
    // The received bytes go to the debug output with no line end between them; end that line so
    // the summary starts on a line of its own.
    std::fputs("\n", stderr);
    if (m_bDemo) {
        std::printf(
            "The demonstration %s.\n  dialog:         %s\n  printer window: %s\n  script:         "
            "%s\n",
            app.ExitInstance() == 0 ? "ran as expected" : "did not run as expected (see above)",
            m_tour.dialogShot.c_str(), m_tour.printerShot.c_str(), m_tour.script.c_str());
    }
    std::printf("%zu receipt%s saved in %s%s\n", receipts.size(), receipts.size() == 1 ? "" : "s",
                m_session.PaperFolder().c_str(), receipts.empty() ? "" : ":");
    for (const std::string& receipt : receipts) std::printf("  %s\n", receipt.c_str());
    std::fflush(stdout);
    if (lost.count > 0) {
        std::fprintf(stderr, "%s: %d receipt%s lost; the last: %s\n", kVersionInfo.internalName,
                     lost.count, lost.count == 1 ? " was" : "s were", lost.reason.c_str());
    }
}
