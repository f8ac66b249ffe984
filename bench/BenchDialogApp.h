// The application object of the end-to-end benchmarks: CE_MOLV's dialog on a virtual printer
// in the same process, offscreen, driven by a script. The script verb "bench" runs the
// benchmark's measurement (on the user-interface thread; it may start threads of its own).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "app/VirtualPrinterSession.h"
#include "bench/BenchCommon.h"
#include "framework/WinApp.h"

class CPrinterDemoDlg;

class CBenchDialogApp : public CWinApp {
  public:
    using Measure =
        std::function<bool(CVirtualPrinterSession&, CPrinterDemoDlg&, const std::string& args)>;

    CBenchDialogApp(VirtualPrinterOptions options, std::string script, Measure measure);

    BOOL InitInstance() override;
    // For a script that depends on the benchmark's options: made when the application starts.
    void SetScript(std::function<std::string()> script) { m_makeScript = std::move(script); }
    // For a pace given on the benchmark's command line: read when the application starts.
    void SetPace(std::function<std::uint32_t()> pace) { m_pace = std::move(pace); }

  private:
    VirtualPrinterOptions m_options;
    std::string m_script;
    std::function<std::string()> m_makeScript;
    std::function<std::uint32_t()> m_pace;
    Measure m_measure;
};

// main() of a benchmark: answers --help, --version and the benchmark's own options, then runs
// the application object on the offscreen platform.
int RunBench(int argc, char** argv, const char* program, const char* purpose,
             std::initializer_list<bench::IntOption> options = {});
