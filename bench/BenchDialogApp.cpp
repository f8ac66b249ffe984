#include "bench/BenchDialogApp.h"

#include <cstdio>
#include <cstdlib>

#include "app/PrinterDemoDlg.h"
#include "framework/ScriptExtensions.h"
#include "framework/ScriptRunner.h"

CBenchDialogApp::CBenchDialogApp(VirtualPrinterOptions options, std::string script, Measure measure)
    : CWinApp(L"CE_MOLV"),
      m_options(std::move(options)),
      m_script(std::move(script)),
      m_measure(std::move(measure)) {}

BOOL CBenchDialogApp::InitInstance() {
    CVirtualPrinterSession session;
    if (m_pace) m_options.paceBaud = m_pace();
    std::string error;
    if (!session.Start(m_options, &error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        SetExitCode(1);
        return FALSE;
    }
    CPrinterDemoDlg dialog;
    RegisterScriptCommand("bench", [&](const std::string& args, std::string* pSeen) {
        *pSeen = "the measurement failed";
        return m_measure(session, dialog, args);
    });
    CScriptRunner runner;
    if (m_makeScript) m_script = m_makeScript();
    if (!runner.LoadText(m_script, "bench", &error)) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        SetExitCode(1);
        return FALSE;
    }
    m_pMainWnd = &dialog;
    SetExitCode(runner.Run(dialog));
    m_pMainWnd = nullptr;
    RegisterScriptCommand("bench", nullptr);
    return FALSE;
}

int RunBench(int argc, char** argv, const char* program, const char* purpose,
             std::initializer_list<bench::IntOption> options) {
    int exitCode = 0;
    if (!bench::ParseArguments(argc, argv, program, purpose, options, exitCode)) return exitCode;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return AfxWinMain(1, argv);  // the options are the benchmark's, not the framework's
}
