#include <gtest/gtest.h>

#include <filesystem>

#include "app/PrinterScriptCommand.h"
#include "app/VirtualPrinterSession.h"
#include "emulator/VirtualPrinter.h"
#include "tests/support/TempDir.h"
#include "viewer/PaperWindow.h"

namespace apptest {
namespace {

TEST(PrinterScriptCommand, SetsConditionsAndRefusesWhatItCannotDo) {
    testsupport::TempDir dir;
    CVirtualPrinterSession session;
    VirtualPrinterOptions options;
    options.paperFolder = dir / "paper";
    options.mapPort = false;
    std::string error;
    ASSERT_TRUE(session.Start(options, &error)) << error;

    struct Row {
        const char* args;
        bool ok;
        std::uint8_t conditionsAfter;
    };
    const Row rows[] = {
        {"paper-out on", true, 0x04},
        {"overheat on", true, 0x0C},
        {"paper-out off", true, 0x08},
        {"paper-out maybe", false, 0x08},
        {"toaster on", false, 0x08},
        {"overheat off now", false, 0x08},
        {"", false, 0x08},
        {"screenshot", false, 0x08},
    };
    for (const Row& row : rows) {
        std::string seen;
        EXPECT_EQ(RunPrinterScriptCommand(session, row.args, &seen), row.ok) << row.args;
        if (!row.ok) {
            EXPECT_NE(seen.find("expected 'printer CONDITION on|off'"), std::string::npos) << seen;
        }
        EXPECT_EQ(session.Printer().Conditions(), row.conditionsAfter) << row.args;
    }

    std::string seen;
    EXPECT_TRUE(RunPrinterScriptCommand(session, "screenshot " + (dir / "w.png").string(), &seen))
        << seen;
    EXPECT_GT(std::filesystem::file_size(dir / "w.png"), 0u);
    EXPECT_FALSE(
        RunPrinterScriptCommand(session, "screenshot " + (dir / "no" / "w.png").string(), &seen));
    EXPECT_NE(seen.find("could not write"), std::string::npos) << seen;

    session.Window().Close();  // as the operator closes it
    ASSERT_FALSE(session.Window().IsVisible());
    EXPECT_TRUE(RunPrinterScriptCommand(session, "show", &seen)) << seen;
    EXPECT_TRUE(session.Window().IsVisible()) << "the closed window is shown again";
}

}  // namespace
}  // namespace apptest
