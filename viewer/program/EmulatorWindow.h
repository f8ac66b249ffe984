// CEmulatorWindow: the printer-emulator program with its window: the program's trace and
// receipts go to a CPrinterFeed, the window's Save button saves the receipt in progress, and
// closing the window ends the program as 'quit' does.
#pragma once

#include <memory>

#include "emulator/program/Program.h"
#include "viewer/PrinterFeed.h"

class CPaperWindow;

class CEmulatorWindow : private emutool::ProgramObserver {
  public:
    // User-interface thread, with the application object made after the program.
    explicit CEmulatorWindow(emutool::Program& program);
    ~CEmulatorWindow() override;

    // Opens the program (0, or its exit code) and makes the hidden window.
    int Open();
    CPaperWindow& Window() { return m_feed.Window(); }

  private:
    void OnTraceLine(const std::string& line) override { m_feed.OnTraceLine(line); }
    void OnReceipt(const emu::PaperImage& page) override { m_feed.OnReceipt(page); }
    void OnLinkStopped() override { m_feed.Stop(); }

    emutool::Program& m_program;
    CPrinterFeed m_feed;
};
