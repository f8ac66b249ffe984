// CEmulatorWindow: the printer-emulator program with its window: a CPrinterFeed follows the
// program's station, the window's Save button ends the receipt in progress so it is saved, and
// closing the window ends the program as 'quit' does.
#pragma once

#include "emulator/program/Program.h"
#include "viewer/PrinterFeed.h"

class CPaperWindow;

class CEmulatorWindow {
  public:
    // User-interface thread, with the application object made after the program.
    explicit CEmulatorWindow(emutool::Program& program);

    // Opens the program (0, or its exit code) and makes the hidden window.
    int Open();
    CPaperWindow& Window() { return m_feed.Window(); }

  private:
    emutool::Program& m_program;
    CPrinterFeed m_feed;
};
