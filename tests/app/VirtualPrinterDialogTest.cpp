// The dialog on the virtual printer inside the program, end to end over a pty: conditions that
// change while a demonstration prints, paper running out in the middle of the raster image, and
// the printer's window closed while the port is open.
#include <gtest/gtest.h>

#include "app/PrinterDemoDlg.h"
#include "app/PrinterScriptCommand.h"
#include "app/VirtualPrinterSession.h"
#include "app/res/Resource.h"
#include "emulator/VirtualPrinter.h"
#include "framework/ScriptExtensions.h"
#include "framework/ScriptRunner.h"
#include "tests/app/HostPort.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/WireRecorder.h"
#include "viewer/PaperWindow.h"

namespace apptest {
namespace {

// At 19200 baud the raster demonstration (over 4 KB) takes more than two seconds to arrive.
constexpr std::uint32_t kSlowLine = 19200;

struct PrintedRun {
    int exitCode = -1;
    std::string failure;
    emu::PaperImage paper;  // the receipt in progress at the end
    std::vector<std::string> receipts;
    std::vector<std::uint64_t> rowsAtMarks;  // dot rows printed at each "mark" line
};

// Runs the script on a fresh dialog whose COM1 is a virtual printer reading at paceBaud, then
// waits until the printer has taken every byte.
PrintedRun RunOnVirtualPrinter(const std::string& script, std::uint32_t paceBaud,
                               const std::filesystem::path& folder) {
    PrintedRun run;
    CVirtualPrinterSession session;
    VirtualPrinterOptions options;
    options.paperFolder = folder;
    options.paceBaud = paceBaud;
    std::string error;
    if (!session.Start(options, &error)) {
        run.failure = error;
        return run;
    }
    RegisterPrinterScriptCommand(session);
    RegisterScriptCommand("mark", [&](const std::string&, std::string*) {
        run.rowsAtMarks.push_back(session.Printer().DotRowsPrinted());
        return true;
    });
    // The dialog's GS a may still be on the line when the script sets a condition: a printer
    // that has not read it yet reports nothing.
    RegisterScriptCommand("reports-on", [&](const std::string&, std::string* pSeen) {
        *pSeen = "the printer never read the dialog's GS a";
        return testsupport::WaitUntil([&] { return session.Printer().AutoStatusMask() != 0; });
    });
    RegisterScriptCommand("close-printer-window", [&](const std::string&, std::string* pSeen) {
        session.Window().Close();
        *pSeen = "the printer's window is still visible";
        return !session.Window().IsVisible();
    });
    session.ShowWindowBesideDialog();
    testsupport::WireRecorder recorder;
    {
        CPrinterDemoDlg dialog;
        CScriptRunner runner;
        // The host opens at the printer's rate; at another one the printer reads garbage.
        const std::string host = paceBaud == kSlowLine ? "select 1003 1\n" : "";
        if (runner.LoadText(host + script, "script", &error)) {
            run.exitCode = runner.Run(dialog);
            run.failure = runner.Failure();
        } else {
            run.failure = error;
        }
    }
    const std::size_t sent = testsupport::Joined(recorder.Stop()).size();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return session.Printer().Received() >= sent; }, 20000))
        << "the printer took " << session.Printer().Received() << " of the " << sent
        << " bytes sent";
    run.paper = session.Printer().Snapshot();
    session.Stop();
    run.receipts = session.SavedReceipts();
    for (const char* verb : {"printer", "mark", "reports-on", "close-printer-window"})
        RegisterScriptCommand(verb, nullptr);
    return run;
}

std::string Click(int id) { return "click " + std::to_string(id) + "\n"; }
std::string Check(int id, int on) {
    return "wait until check " + std::to_string(id) + " " + std::to_string(on) + "\n";
}

const std::string kOpen =
    Click(IDC_BUTTON_OPEN) + "expect text " + std::to_string(IDC_BUTTON_OPEN) + " 关闭串口\n";

TEST(VirtualPrinterDialog,
     ConditionsChangingWhileTheImagePrintsReachTheBoxesAndLeaveThePaperAlone) {
    testsupport::TempDir dir;
    const PrintedRun reference =
        RunOnVirtualPrinter(kOpen + Click(IDC_BUTTON_IMAGE), kSlowLine, dir / "a");
    ASSERT_EQ(reference.exitCode, 0) << reference.failure;
    ASSERT_GT(reference.paper.height, 91) << "the image printed";

    const std::string script =
        kOpen + Click(IDC_BUTTON_IMAGE) + "reports-on\nprinter overheat on\n" +
        Check(IDC_CHECK_OVERHEAT, 1) + "printer cutter on\nprinter overheat off\n" +
        Check(IDC_CHECK_OVERHEAT, 0) + Check(IDC_CHECK_CUTTER, 1) +
        "printer over-voltage on\nprinter platen on\n" + Check(IDC_CHECK_OVERVOLTAGE, 1) +
        Check(IDC_CHECK_PLATEN, 1) +
        "printer cutter off\nprinter over-voltage off\nprinter platen off\n" +
        Check(IDC_CHECK_CUTTER, 0) + Check(IDC_CHECK_OVERVOLTAGE, 0) + Check(IDC_CHECK_PLATEN, 0);
    const PrintedRun toggled = RunOnVirtualPrinter(script, kSlowLine, dir / "b");
    ASSERT_EQ(toggled.exitCode, 0) << toggled.failure;
    EXPECT_EQ(toggled.paper.height, reference.paper.height);
    EXPECT_TRUE(toggled.paper.gray == reference.paper.gray)
        << "the paper differs from an undisturbed run";
}

TEST(VirtualPrinterDialog, PaperOutInTheMiddleOfTheImageHoldsThePrintingAndLosesNothing) {
    testsupport::TempDir dir;
    const PrintedRun reference =
        RunOnVirtualPrinter(kOpen + Click(IDC_BUTTON_IMAGE), kSlowLine, dir / "a");
    ASSERT_EQ(reference.exitCode, 0) << reference.failure;

    const std::string script = kOpen + Click(IDC_BUTTON_IMAGE) +
                               "wait 700\nprinter paper-out on\n" + Check(IDC_CHECK_PAPEROUT, 1) +
                               "mark\nwait 2500\nmark\nprinter paper-out off\n" +
                               Check(IDC_CHECK_PAPEROUT, 0);
    const PrintedRun interrupted = RunOnVirtualPrinter(script, kSlowLine, dir / "b");
    ASSERT_EQ(interrupted.exitCode, 0) << interrupted.failure;
    ASSERT_EQ(interrupted.rowsAtMarks.size(), 2u);
    EXPECT_GT(interrupted.rowsAtMarks[0], 0u)
        << "part of the page had printed before the paper ran out";
    EXPECT_LT(interrupted.rowsAtMarks[0], static_cast<std::uint64_t>(reference.paper.height))
        << "the paper ran out before the image was done";
    EXPECT_EQ(interrupted.rowsAtMarks[1], interrupted.rowsAtMarks[0])
        << "nothing printed without paper";
    EXPECT_TRUE(interrupted.paper.gray == reference.paper.gray)
        << "the page differs from an uninterrupted run";
}

TEST(VirtualPrinterDialog, ClosingThePrintersWindowLeavesThePortUsable) {
    testsupport::TempDir dir;
    const std::string script =
        kOpen + "close-printer-window\n" + Click(IDC_BUTTON_CUTPAPER) + "printer paper-out on\n" +
        Check(IDC_CHECK_PAPEROUT, 1) + "printer paper-out off\n" + Check(IDC_CHECK_PAPEROUT, 0) +
        Click(IDC_BUTTON_OPEN) + kOpen + Click(IDC_BUTTON_CUTPAPER) + Click(IDC_BUTTON_OPEN);
    const PrintedRun run = RunOnVirtualPrinter(script, 0, dir / "paper");
    ASSERT_EQ(run.exitCode, 0) << run.failure;
    EXPECT_EQ(run.receipts.size(), 4u)
        << "a receipt from each cut (the demonstration cuts partially, then fully), all after "
           "the window was closed";
}

}  // namespace
}  // namespace apptest
