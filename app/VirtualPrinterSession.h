// CVirtualPrinterSession: the virtual printer inside CE_MOLV. It serves a pty as the printer
// end of the line, maps a COM port to it, saves every receipt as PNG and shows the printer's
// window (live paper, command trace, condition toggles) beside the dialog. The dialog reaches
// it only through the port, so a condition toggled here travels the real path: printer ->
// pty -> CPrinterPort -> posted message -> check box.
//
// Closing the printer's window only hides it: the printer keeps serving the line and saving
// receipts, so an open port stays usable.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/device/Condition.h"
#include "emulator/http/HttpView.h"
#include "emulator/station/PrinterStation.h"
#include "framework/WinUser.h"

class CPaperWindow;
class CPrinterFeed;

// $HOME/CE_MOLV-paper (./CE_MOLV-paper when HOME is not set).
std::filesystem::path DefaultPaperFolder();

struct VirtualPrinterOptions {
    std::filesystem::path paperFolder = DefaultPaperFolder();
    int port = 1;                // the COM port that reaches the printer
    bool mapPort = true;         // false when the port was mapped elsewhere on the command line
    std::uint32_t paceBaud = 0;  // read at this line rate, as a real printer would; 0: at once
    std::string stateFolder;     // what the printer keeps for good; "": the default folder
    int maxReceipts = 0;         // receipts saved at most; 0: until the disk is nearly full
    std::optional<emu::ListenAddress> http;  // also served in a browser there
};

class CVirtualPrinterSession : private emu::StationView {
  public:
    CVirtualPrinterSession();
    ~CVirtualPrinterSession() override;
    CVirtualPrinterSession(const CVirtualPrinterSession&) = delete;
    CVirtualPrinterSession& operator=(const CVirtualPrinterSession&) = delete;

    // User-interface thread, before the dialog: makes the receipt folder, the pty and the
    // window, starts serving and maps the port. False with the reason in *pError.
    bool Start(const VirtualPrinterOptions& options, std::string* pError);
    // After a Start that failed: whether the receipt folder was what it could not use.
    bool PaperFolderRefused() const { return m_bPaperFolderRefused; }
    // Shows the printer's window beside the application's main window once the message loop
    // runs (the dialog is shown by then); F2 in that window shows it again after it was closed.
    void ShowWindowBesideDialog();
    // The printer's window beside the main window again, now (after the operator closed it).
    void ShowWindowAgain();
    // Lets the printer take what the host has written (while it keeps taking bytes), stops
    // serving, saves every receipt and the unfinished one, and closes the window. The destructor
    // does this too.
    void Stop();

    // As the operator's toggle does: the printer reports the change (when it reports that
    // condition) and the toggle follows. Any thread.
    void SetCondition(emu::Condition condition, bool on);

    const std::string& DevicePath() const { return m_devicePath; }
    // Why the printer's stored graphics could not be read (they start empty), or "".
    const std::string& StateWarning() const { return m_stateWarning; }
    std::filesystem::path PaperFolder() const { return m_pStation->ReceiptFolderPath(); }
    // The receipt files saved so far, oldest first.
    std::vector<std::string> SavedReceipts() const;
    emu::ReceiptFolder::Losses LostReceipts() const { return m_pStation->LostReceipts(); }
    emu::PrinterStation& Station() { return *m_pStation; }
    emu::VirtualPrinter& Printer() { return m_pStation->Printer(); }
    CPaperWindow& Window();
    // The browser's view, with VirtualPrinterOptions::http; else null.
    const emu::HttpView* Http() const { return m_pHttp.get(); }

  private:
    // The console's part: what went wrong is said on standard error.
    void OnStationEvent(const emu::StationEvent& event) override;

    std::unique_ptr<emu::PrinterStation> m_pStation = std::make_unique<emu::PrinterStation>();
    std::unique_ptr<CPrinterFeed> m_pFeed;
    std::unique_ptr<emu::HttpView> m_pHttp;
    std::string m_devicePath;
    std::string m_stateWarning;
    int m_mappedPort = 0;
    bool m_bRunning = false;
    bool m_bPaperFolderRefused = false;
};
