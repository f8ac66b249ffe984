// CPrinterDemoApp: the application object. InitInstance handles the command line, runs the main
// dialog modally and returns FALSE, so the program ends when the dialog does.
#pragma once

#include "app/CommandLine.h"
#include "framework/WinApp.h"

class CPrinterDemoApp : public CWinApp {
  public:
    CPrinterDemoApp();

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()

  private:
    // False when the program is to end before the dialog (help, version, port list, a bad
    // option, an unwritable trace); the exit code is set then.
    bool ProcessCommandLine();

    CommandLineOptions m_options;
};

extern CPrinterDemoApp theApp;
