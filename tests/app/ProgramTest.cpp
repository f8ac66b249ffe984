// CE_MOLV as a user runs it: options, exit codes and scripts from a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <fstream>

#include "tests/app/LineChanges.h"
#include "tests/support/BarcodeScan.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

struct Result {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

// A shell command, its standard error with its output.
Result RunCommand(const std::string& command) {
    Result result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
        result.output += buffer.data();
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// prefix: a command that runs the program, e.g. one that limits it.
Result RunProgram(const std::string& arguments, const std::string& prefix = "") {
    return RunCommand("QT_QPA_PLATFORM=offscreen " + prefix + std::string(CE_MOLV_EXECUTABLE) +
                      " " + arguments);
}

std::string WriteScript(const testsupport::TempDir& dir, const std::string& name,
                        const std::string& text) {
    const std::string path = (dir / name).string();
    std::ofstream(path) << text;
    return path;
}

TEST(Program, OptionsAndScriptExitCodes) {
    testsupport::TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string shot = (dir / "shot.png").string();
    struct Case {
        const char* name;
        std::string arguments;
        int exitCode;
        const char* output;
    } const cases[] = {
        {"version", "--version", 0, "CE_MOLV 1.0.0.1\n"},
        {"help", "--help", 0, "--script FILE|-"},
        {"unknown option", "--frobnicate", 2, "unknown option '--frobnicate'"},
        {"bad port mapping", "--port COM9", 2, "--port wants COMn=PATH"},
        {"port list with a mapping", "--port COM2=/dev/ttyUSB7 --list-ports", 0,
         "COM2  /dev/ttyUSB7  (does not exist)\n"},
        {"missing script", "--script " + (dir / "none.txt").string(), 2, "cannot read the script"},
        {"passing script",
         "--script " +
             WriteScript(dir, "pass.txt", "expect text 1005 打开串口\nscreenshot " + shot + "\n"),
         0, ""},
        {"failing script",
         "--script " + WriteScript(dir, "script.txt",
                                   "# first\nexpect check 1019 0\nexpect text 1003 19200\n"),
         1, "script.txt:3: text of 1003 is \"9600\""},
        {"syntax error", "--script " + WriteScript(dir, "syntax.txt", "click 1005\nclick\n"), 2,
         "syntax.txt:2: expected a control id"},
        {"script from standard input",
         "--script - < " + WriteScript(dir, "stdin.txt", "expect check 1023 1\n"), 1,
         "<stdin>:1: check 1023 is 0"},
        {"paper folder without the virtual printer", "--paper-dir " + dir.Path().string(), 2,
         "--paper-dir goes with --virtual-printer"},
        {"pace out of range", "--virtual-printer --pace 12", 2, "--pace wants a baud rate"},
        {"receipt count without the virtual printer", "--max-receipts 5", 2,
         "--max-receipts goes with --virtual-printer"},
        {"receipt count of none", "--virtual-printer --max-receipts 0", 2,
         "--max-receipts wants a count of 1 or more"},
        {"demo and a script", "--demo --script x.txt", 2, "give either --demo or --script"},
        {"unwritable wire trace", "--trace " + (dir / "no" / "wire.txt").string(), 1,
         "cannot write the wire trace"},
        {"wire trace on a full device", "--trace /dev/full", 1,
         "/dev/full: No space left on device"},
        {"paper folder nothing can be written in",
         "--virtual-printer --paper-dir /sys --script " +
             WriteScript(dir, "folder.txt", "expect check 1023 0\n"),
         2, "--paper-dir: cannot create a file in /sys: Permission denied"},
        {"virtual printer with no display or script",
         "--virtual-printer --paper-dir " + (dir / "p").string(), 1, "--virtual-printer --demo"},
        {"an explicit COM1 wins over the virtual printer",
         "--virtual-printer --paper-dir " + (dir / "p").string() +
             " --port COM1=" + (dir / "none").string() + " --script " +
             WriteScript(dir, "explicit.txt",
                         "click 1005\nexpect detail " + (dir / "none").string() + "\n"),
         0, "COM1 is mapped elsewhere"},
        {"printer line checked before anything runs",
         "--virtual-printer --paper-dir " + (dir / "p").string() + " --script " +
             WriteScript(dir, "late.txt", "click 1005\nprinter paper-out maybe\n"),
         2, "late.txt:2: expected 'printer CONDITION on|off'"},
        {"script that is a folder", "--script " + dir.Path().string(), 2, "is a folder"},
        {"script that is a device", "--script /dev/zero", 2, "is a device"},
        {"script over 1 MB",
         "--script " + WriteScript(dir, "big.txt", std::string(1100000, '#') + "\n"), 2,
         "larger than 1 MB"},
        {"printer verb without the virtual printer",
         "--script " + WriteScript(dir, "verb.txt", "printer paper-out on\n"), 2,
         "verb.txt:1: unknown command 'printer'"},
    };
    for (const Case& c : cases) {
        const Result result = RunProgram(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << "\n" << result.output;
        EXPECT_NE(result.output.find(c.output), std::string::npos) << c.name << "\n"
                                                                   << result.output;
        if (c.exitCode == 2) {
            EXPECT_EQ(result.output.find("iPort ="), std::string::npos) << c.name << ": it ran";
        }
    }
    EXPECT_TRUE(std::filesystem::file_size(shot) > 1000) << "the passing script's screenshot";
}

TEST(Program, TheBuiltInDemonstrationSavesPicturesReceiptsAndTheWireTrace) {
    testsupport::TempDir dir;
    const std::string paper = (dir / "paper").string();
    const std::string wire = (dir / "wire.txt").string();
    const Result result =
        RunProgram("--virtual-printer --demo --paper-dir " + paper + " --trace " + wire);
    ASSERT_EQ(result.exitCode, 0) << result.output;
    for (const char* name :
         {"dialog.png", "printer-window.png", "receipt-001.png", "demo-tour.script"}) {
        const std::string path = paper + "/" + name;
        EXPECT_NE(result.output.find(path), std::string::npos) << name << " named\n"
                                                               << result.output;
        EXPECT_TRUE(std::filesystem::exists(path)) << path;
    }
    EXPECT_EQ(testsupport::ScanBarcodes(paper + "/receipt-001.png"), "EAN-13:0123456789005")
        << "the barcode demonstration's paper scans with its check digit";
    std::ifstream in(wire);
    const std::string trace((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(trace.find(" TX /dev/pts/"), std::string::npos) << "commands went out";
    EXPECT_NE(trace.find(" 1: 04\n"), std::string::npos) << "the paper-out report came back";
    EXPECT_NE(trace.find(" 1: 00\n"), std::string::npos) << "and its end";
}

TEST(Program, WhatCouldNotBeWrittenIsNamedAndFailsTheRun) {
    // A disk that takes no more than 2 kB a file: the receipt and the trace cannot be written,
    // and a script that passed does not make that a success.
    testsupport::TempDir dir;
    const std::string script = WriteScript(dir, "s.txt", "click 1005\nclick 1015\nclick 1018\n");
    const Result result =
        RunProgram("--virtual-printer --paper-dir " + (dir / "p").string() + " --trace " +
                       (dir / "wire.txt").string() + " --script " + script,
                   "prlimit --fsize=2048 ");
    EXPECT_EQ(result.exitCode, 1) << result.output;
    for (const char* said : {"CE_MOLV: 1 receipt was lost; the last: cannot write a receipt in",
                             "CE_MOLV: the wire trace is incomplete: "}) {
        EXPECT_NE(result.output.find(said), std::string::npos) << said << "\n" << result.output;
    }
}

// The stand-alone printer learns of each change of the host's settings in order with its bytes.
TEST(Program, EveryPrintAfterALineChangeComesOutThroughPrinterEmulatorsLink) {
    for (const char* pace : {"", " --baud 9600"}) {
        SCOPED_TRACE(*pace ? "paced" : "unpaced");
        testsupport::TempDir dir;
        const std::string link = (dir / "printer-line").string();
        const std::string paper = (dir / "paper").string();
        const std::string emulator = std::string(PRINTER_EMULATOR) + pace + " --link " + link +
                                     " --out " + paper + " > " + (dir / "emulator.txt").string() +
                                     " 2>&1";
        FILE* printer = popen(emulator.c_str(), "w");
        ASSERT_NE(printer, nullptr);
        ASSERT_TRUE(testsupport::WaitUntil([&] { return std::filesystem::exists(link); }, 20000));
        const Result result =
            RunProgram("--port COM1=" + link + " --script " +
                       WriteScript(dir, "s.txt", apptest::LineChangesScript(200)));
        EXPECT_EQ(result.exitCode, 0) << result.output;
        // A paced printer is still reading when the host closes the line.
        apptest::BarcodeReceipts receipts(paper);
        EXPECT_TRUE(testsupport::WaitUntil(
            [&] { return receipts.Count() == apptest::kLineChangePrints; }, 20000))
            << receipts.Count() << " receipts with the barcode";
        std::fputs("quit\n", printer);
        pclose(printer);
    }
}

TEST(Program, WithoutADisplayOrScriptItSaysWhatToDo) {
    const Result result = RunProgram("");  // offscreen: nobody could see or use the dialog
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("no display"), std::string::npos) << result.output;
}

// A window system that cannot be reached (no X server, no compositor) is one line and status 2,
// never Qt's abort.
TEST(Program, WithoutAUsableWindowSystemItSaysSoInOneLine) {
    struct Case {
        const char* session;
        std::string command;
    } const cases[] = {
        {"QT_QPA_PLATFORM=xcb DISPLAY=:9971", CE_MOLV_EXECUTABLE},
        {"QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=ce-molv-none", CE_MOLV_EXECUTABLE},
        {"QT_QPA_PLATFORM=xcb DISPLAY=:9971", std::string(PRINTER_EMULATOR) + " --window"},
    };
    for (const Case& c : cases) {
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR=/tmp " +
                                    std::string(c.session) + " " + c.command;
        const Result result = RunCommand(command);
        const std::string& output = result.output;
        EXPECT_EQ(result.exitCode, 2) << command << "\n" << output;
        EXPECT_NE(output.find("cannot open a window"), std::string::npos) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    }
}

}  // namespace
