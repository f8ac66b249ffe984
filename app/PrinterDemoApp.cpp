#include "app/PrinterDemoApp.h"

#include <csignal>
#include <cstdio>
#include <memory>

#include "app/CommandLine.h"
#include "app/InProcessPrinter.h"
#include "app/PortList.h"
#include "app/PrinterDemoDlg.h"
#include "app/res/VersionInfo.h"
#include "platform/WireTrace.h"
#include "platform/WriteAbandon.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

}  // namespace

BEGIN_MESSAGE_MAP(CPrinterDemoApp, CWinApp)
END_MESSAGE_MAP()

CPrinterDemoApp::CPrinterDemoApp() = default;

BOOL CPrinterDemoApp::InitInstance() {
    // A file past the size limit, or a closed pipe or terminal on the other end of standard
    // output, fails its write (reported where it matters) instead of ending the run mid-save.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    SetRegistryKey(L"应用程序向导生成的本地应用程序");
    if (!ProcessCommandLine()) {
        return FALSE;
    }
    std::unique_ptr<CInProcessPrinter> pPrinter;
    if (m_options.virtualPrinter) {
        pPrinter = std::make_unique<CInProcessPrinter>();
        if (!pPrinter->Start(m_options, *this)) {
            return FALSE;
        }
        pPrinter->ShowWindow();
    } else if (!m_options.script.empty() && !LoadScript(m_options.script)) {
        return FALSE;
    }
    {
        CPrinterDemoDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    m_pMainWnd = nullptr;  // the dialog is gone
    if (const std::uint64_t unsent = platform::UnsentBytes(); unsent > 0) {
        std::fprintf(
            stderr, "%s: stopped while writing to the printer: the last %llu bytes were not sent\n",
            kVersionInfo.internalName, static_cast<unsigned long long>(unsent));
    }
    if (pPrinter) {
        pPrinter->Finish(*this);
    }
    // The trace said why it stopped when it did; the summary and the exit status say again that
    // it is not whole.
    if (const std::string failure = platform::WireTraceFailure(); !failure.empty()) {
        std::fprintf(stderr, "%s: the wire trace is incomplete: %s\n", kVersionInfo.internalName,
                     failure.c_str());
        NoteDataLost();
    }
    // No message loop of our own: the program ends with the dialog.
    return FALSE;
}

bool CPrinterDemoApp::ProcessCommandLine() {
    const char* program = kVersionInfo.internalName;
    CCommandLine commandLine;
    std::string error;
    if (!commandLine.Parse(GetArguments(), &error)) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, error.c_str(), program);
        SetExitCode(kExitUsage);
        return false;
    }
    m_options = commandLine.Options();
    const CommandLineOptions& options = m_options;
    if (options.help) {
        std::fputs(CCommandLine::Usage(program).c_str(), stdout);
        return false;
    }
    if (options.version) {
        std::printf("%s %s\n", program, kVersionInfo.fileVersion);
        return false;
    }
    for (const auto& [port, path] : options.portMap) {
        if (!platform::MapPort(port, path)) {
            std::fprintf(stderr, "%s: cannot map COM%d to %s\n", program, port, path.c_str());
            SetExitCode(kExitUsage);
            return false;
        }
    }
    if (options.listPorts) {
        std::fputs(DescribePorts(options.VirtualPrinterOnCom1()).c_str(), stdout);
        return false;
    }
    if (!options.tracePath.empty() && !platform::SetWireTrace(options.tracePath, &error)) {
        std::fprintf(stderr, "%s: cannot write the wire trace: %s\n", program, error.c_str());
        SetExitCode(kExitFailure);
        return false;
    }
    return true;
}
