// CInProcessPrinter: what --virtual-printer and --demo add around the dialog. Before it: the
// virtual printer on COM1 (unless --port maps COM1 elsewhere), the "printer" script verb and,
// for --demo, the built-in demonstration as the script. While it runs: the printer's window
// beside it. After it: the printer stops and the program says where the pictures are.
#pragma once

#include "app/CommandLine.h"
#include "app/DemoTour.h"
#include "app/VirtualPrinterSession.h"

class CWinApp;

class CInProcessPrinter {
  public:
    ~CInProcessPrinter();

    // False, with the reason on standard error and the exit code set, when the program is to end.
    bool Start(const CommandLineOptions& options, CWinApp& app);
    void ShowWindow();
    void Finish(CWinApp& app);

  private:
    CVirtualPrinterSession m_session;
    DemoTourFiles m_tour;
    bool m_bDemo = false;
    bool m_bStarted = false;
};
