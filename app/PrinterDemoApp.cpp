#include "app/PrinterDemoApp.h"

#include "app/CommandLine.h"
#include "app/PortList.h"
#include "app/PrinterDemoDlg.h"
#include "app/res/VersionInfo.h"

#include <cstdio>

namespace {

constexpr int kExitUsage = 2;

}  // namespace

BEGIN_MESSAGE_MAP(CPrinterDemoApp, CWinApp)
END_MESSAGE_MAP()

CPrinterDemoApp::CPrinterDemoApp() = default;

BOOL CPrinterDemoApp::InitInstance() {
    SetRegistryKey(L"应用程序向导生成的本地应用程序");
    if (!ProcessCommandLine()) {
        return FALSE;
    }
    {
        CPrinterDemoDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    m_pMainWnd = nullptr;  // the dialog is gone
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
    const CommandLineOptions& options = commandLine.Options();
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
        std::fputs(DescribePorts().c_str(), stdout);
        return false;
    }
    return options.script.empty() || LoadScript(options.script);
}
