#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "emulator/PrinterModel.h"
#include "emulator/VirtualPrinter.h"
#include "emulator/link/TcpListener.h"
#include "tests/emulator/StreamBytes.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HostEnd.h"
#include "tests/support/PngFile.h"
#include "tests/support/TempDir.h"

namespace {

using emutest::Bytes;
using emutest::H;
using emutest::T;
using emutest::operator+;

struct Result {
    int exitCode = -1;
    std::string out, err;
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// environment: words for env(1) before the program, e.g. "-u DISPLAY"; prefix: a command that
// runs the program, e.g. one that limits it.
Result RunProgram(const testsupport::TempDir& dir, const std::string& args,
                  const std::string& environment = "", const std::string& prefix = "") {
    std::string command = "env " + environment + " " + prefix + PRINTER_EMULATOR + " " + args +
                          " </dev/null >" + (dir / "stdout").string() + " 2>" +
                          (dir / "stderr").string();
    int status = std::system(command.c_str());
    Result result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(dir / "stdout");
    result.err = ReadFile(dir / "stderr");
    return result;
}

TEST(CoreProgram, CommandLineAnswers) {
    emu::TcpListener taken;  // a port in use by someone else
    std::string error;
    ASSERT_TRUE(taken.Open({"127.0.0.1", 0}, &error)) << error;
    struct Row {
        const char* name;
        std::string args;
        int exitCode;
        std::string expectOut, expectErr;
    };
    const Row rows[] = {
        {"help", "--help", 0, "Usage: printer-emulator", ""},
        {"version", "--version", 0, "printer-emulator 1.0.0.1", ""},
        {"unknown option", "--colour", 2, "", "unknown option --colour"},
        {"bad width", "--width 500", 2, "", "--width 500"},
        {"bad baud", "--baud fast", 2, "", "--baud fast"},
        {"missing value", "--input", 2, "", "option --input needs a value"},
        {"unknown condition", "--status paper-out,wet", 2, "", "unknown condition 'wet'"},
        {"two sources", "--pty --input x.bin", 2, "", "choose one of"},
        {"link without pty", "--input x.bin --link /tmp/x", 2, "", "--link goes with --pty"},
        {"stray argument", "input.bin", 2, "", "unexpected argument 'input.bin'"},
        {"unknown model", "--model tm88", 2, "", "no such model (models: module, escpos58, "},
        {"no receipts allowed", "--max-receipts 0", 2, "", "--max-receipts 0"},
        {"idle time-out without TCP", "--idle-timeout 5", 2, "", "it goes with --listen"},
        {"idle time-out negative", "--listen 0 --idle-timeout -1", 2, "", "--idle-timeout -1"},
        {"missing input file", "--input /nonexistent/stream.bin", 1, "",
         "cannot read /nonexistent/stream.bin"},
        {"link in a missing folder", "--link /nonexistent/printer-line", 2, "",
         "the folder /nonexistent does not exist"},
        {"link over a file", "--link /etc/hostname", 2, "", "something that is not a link"},
        {"port out of range", "--listen 99999", 2, "", "the port must be a number"},
        {"port with input", "--input x.bin --listen 9100", 2, "",
         "--listen, --http and --window go"},
        {"http with input", "--input x.bin --http 8080", 2, "", "--listen, --http and --window go"},
        {"http port out of range", "--http 70000", 2, "", "--http '70000': the port must be"},
        {"http port in use", "--http 127.0.0.1:" + std::to_string(taken.Port()), 2, "",
         "--http cannot listen on 127.0.0.1:"},
        {"help tells the HTTP interface", "--help", 0, "POST /api/jobs", ""},
        {"port in use", "--listen 127.0.0.1:" + std::to_string(taken.Port()), 2, "",
         "the port is in use"},
        {"receipt folder under a file", "--input x.bin --out /etc/hostname/paper", 2, "",
         "--out: cannot make the folder /etc/hostname/paper for receipts: Not a directory"},
        {"receipt folder nothing can be written in", "--pty --out /sys", 2, "",
         "--out: cannot create a file in /sys: Permission denied"},
    };
    for (const Row& row : rows) {
        testsupport::TempDir dir;
        Result r = RunProgram(dir, row.args);
        EXPECT_EQ(r.exitCode, row.exitCode) << row.name << "\n" << r.err;
        EXPECT_NE(r.out.find(row.expectOut), std::string::npos) << row.name << ": " << r.out;
        EXPECT_NE(r.err.find(row.expectErr), std::string::npos) << row.name << ": " << r.err;
    }
    testsupport::TempDir dir;
    EXPECT_EQ(RunProgram(dir, "--input /dev/null --out " + (dir / "a" / "b").string()).exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b")) << "a missing folder is made";
}

// The window is a program of its own that printer-emulator runs for --window; here it finds no
// display to show itself on.
TEST(CoreProgram, WindowRunsTheWindowProgram) {
    testsupport::TempDir dir;
    const Result r =
        RunProgram(dir, "--window", "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(r.exitCode, 2) << r.err;
#ifdef WINDOW_PROGRAM_BUILT
    EXPECT_NE(r.err.find("--window: no display"), std::string::npos) << r.err;
#else
    EXPECT_NE(r.err.find("--window: this build has no window"), std::string::npos) << r.err;
#endif
}

TEST(CoreProgram, InputStreamBecomesReceiptsAndATrace) {
    testsupport::TempDir dir;
    // "测试" in GBK, a line, a full cut, then an unfinished second receipt with a line longer
    // than the trace's first line shows.
    const Bytes stream =
        H("1B 40 B2 E2 CA D4 0A 1D 56 41 10") + T("ABCDEFGHIJKLMNOPQRST") + H("0A 1B 7A");
    std::ofstream(dir / "stream.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()),
               static_cast<std::streamsize>(stream.size()));
    Result r =
        RunProgram(dir, "--input " + (dir / "stream.bin").string() + " --out " +
                            (dir / "out").string() + " --trace " + (dir / "trace.txt").string());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::filesystem::file_size(dir / "out" / "receipt-001.png") > 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "receipt-002.png"))
        << "the unfinished receipt is saved";
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "receipt-003.png"));
    const std::string trace = ReadFile(dir / "trace.txt");
    for (const char* expected : {"ESC @", "\"测试\"", "1D 56 41 10",
                                 "full cut after feeding 16 dots", "unknown command, skipped"}) {
        EXPECT_NE(trace.find(expected), std::string::npos) << expected << " in\n" << trace;
    }
    // Each entry with its time and source; every byte, the rest under the line that starts it.
    EXPECT_TRUE(std::regex_search(trace, std::regex("^ +\\d+\\.\\d{3}  input +0  1B 40 ")))
        << trace;
    EXPECT_TRUE(std::regex_search(trace, std::regex("\n {30,}27  51 52 53 54\n"))) << trace;
    EXPECT_EQ(trace.find("…"), std::string::npos) << trace;

    r = RunProgram(dir, "--input " + (dir / "stream.bin").string() + " --trace /dev/full");
    EXPECT_EQ(r.exitCode, 1) << "a trace with holes is a failure";
    const std::string said =
        "cannot write the trace to /dev/full: No space left on device; tracing stopped";
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(said, r.err.find(said) + 1), std::string::npos) << "said once";
    EXPECT_NE(r.err.find("this run's trace is incomplete"), std::string::npos) << r.err;

    // A second run numbers on; a run over its limit says so and fails.
    const std::string again =
        "--input " + (dir / "stream.bin").string() + " --out " + (dir / "out").string();
    ASSERT_EQ(RunProgram(dir, again).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "receipt-004.png"));
    r = RunProgram(dir, again + " --max-receipts 1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("stopped saving receipts"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "receipt-005.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "receipt-006.png"));

    // A disk that takes no more than 8 kB a file: a picture of noise does not fit, and the run
    // ends by saying what it lost.
    Bytes noise = H("1D 76 30 00 30 00 C8 00");
    std::minstd_rand random(22);
    for (int i = 0; i < 48 * 200; ++i) noise.push_back(static_cast<std::uint8_t>(random() >> 7));
    std::ofstream(dir / "noise.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(noise.data()),
               static_cast<std::streamsize>(noise.size()));
    r = RunProgram(dir,
                   "--input " + (dir / "noise.bin").string() + " --out " + (dir / "full").string(),
                   "", "prlimit --fsize=8192 ");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("this run lost 1 receipt; the last: cannot write a receipt in"),
              std::string::npos)
        << r.err;
}

void WriteStream(const std::filesystem::path& path, const Bytes& stream) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()),
               static_cast<std::streamsize>(stream.size()));
}

// A logo stored as NV graphics in one run prints by its key in the next, dot for dot; erased, a
// print of its key prints nothing and the trace says so.
TEST(CoreProgram, NvGraphicsOutliveTheRun) {
    testsupport::TempDir dir;
    constexpr int kWidth = 40, kHeight = 24;
    auto inLogo = [](int x, int y) { return x == 0 || y == kHeight - 1 || (x * 3 + y) % 7 < 2; };
    Bytes rows;
    for (int y = 0; y < kHeight; ++y) {
        for (int byte = 0; byte < kWidth / 8; ++byte) {
            std::uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (inLogo(byte * 8 + bit, y)) bits |= static_cast<std::uint8_t>(0x80 >> bit);
            rows.push_back(bits);
        }
    }
    const std::size_t size = 11 + rows.size();
    WriteStream(dir / "define.bin",
                H("1B 40 1D 28 4C") +
                    Bytes{static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8)} +
                    H("30 43 30 4C 47 01 28 00 18 00 31") + rows);
    WriteStream(dir / "print.bin", H("1D 28 4C 06 00 30 45 4C 47 01 01 0A"));
    WriteStream(dir / "erase.bin", H("1D 28 4C 04 00 30 42 4C 47"));
    const std::string state = " --model escpos58 --state " + (dir / "state").string();

    ASSERT_EQ(RunProgram(dir, "--input " + (dir / "define.bin").string() + state).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "state" / "escpos58" / "nv-graphics"));
    const Result printed = RunProgram(dir, "--input " + (dir / "print.bin").string() + state +
                                               " --out " + (dir / "out").string());
    ASSERT_EQ(printed.exitCode, 0) << printed.err;
    const testsupport::GrayPicture paper =
        testsupport::ReadGrayPng(dir / "out" / "receipt-001.png");
    ASSERT_GE(paper.height, kHeight);
    int mismatches = 0, inkOutside = 0;
    for (int y = 0; y < paper.height; ++y)
        for (int x = 0; x < paper.width; ++x) {
            const bool logo = x < kWidth && y < kHeight && inLogo(x, y);
            if (x < kWidth && y < kHeight)
                mismatches += paper.Dark(x, y) != logo;
            else
                inkOutside += paper.Dark(x, y);
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(inkOutside, 0);

    ASSERT_EQ(RunProgram(dir, "--input " + (dir / "erase.bin").string() + state).exitCode, 0);
    const Result gone =
        RunProgram(dir, "--input " + (dir / "print.bin").string() + state + " --trace -");
    EXPECT_NE(gone.out.find("NV graphics \"LG\": not defined, nothing printed"), std::string::npos)
        << gone.out;
}

// Streams the client libraries send (tests/emulator/clients writes them): every command is
// known, and the trace of one is kept as the reference.
TEST(CoreProgram, ClientStreamsDecodeCompletely) {
    const std::filesystem::path fixtures = EMULATOR_FIXTURES;
    struct Row {
        const char* client;
        int unknownControlBytes;  // bytes a client sends outside any command
    };
    const Row rows[] = {
        {"point-of-sale", 0},
        {"receiptline", 0},
        {"escpos-buffer", 0},
        // Its drawer kick is ESC p m without the two pulse times: the printer takes the next
        // command's first two bytes as the times, and its third byte is left over.
        {"node-thermal-printer", 1},
        {"react-thermal-printer", 0},
        // UTF-8 text, every line ended with ESC d 0.
        {"tillpos-xml", 0},
        {"images-point-of-sale-column", 0},
        {"images-point-of-sale-raster", 0},
        {"images-node-thermal-printer", 0},
        {"images-escpos-buffer", 0},
        {"images-receiptline", 0},
        {"status-polling-node-escpos", 0},
    };
    for (const Row& row : rows) {
        testsupport::TempDir dir;
        const std::string stream = (fixtures / (std::string(row.client) + ".bin")).string();
        Result r =
            RunProgram(dir, "--model escpos58 --input " + stream + " --out " +
                                (dir / "out").string() + " --trace " + (dir / "trace").string());
        ASSERT_EQ(r.exitCode, 0) << row.client << ": " << r.err;
        const std::string trace = ReadFile(dir / "trace");
        EXPECT_EQ(trace.find("unknown command"), std::string::npos) << row.client << "\n" << trace;
        EXPECT_EQ(trace.find("not supported"), std::string::npos) << row.client << "\n" << trace;
        EXPECT_EQ(trace.find("incomplete"), std::string::npos) << row.client << "\n" << trace;
        int unknownBytes = 0;
        for (std::size_t at = 0; (at = trace.find("unknown control byte", at)) != std::string::npos;
             ++at)
            ++unknownBytes;
        EXPECT_EQ(unknownBytes, row.unknownControlBytes) << row.client << "\n" << trace;
        EXPECT_TRUE(std::filesystem::exists(dir / "out" / "receipt-001.png")) << row.client;
        if (std::string(row.client) == "point-of-sale") {
            // The times differ from run to run: the reference has the rest of each line.
            EXPECT_EQ(std::regex_replace(trace, std::regex("^.{12}", std::regex::multiline), ""),
                      ReadFile(fixtures / "point-of-sale.escpos58.trace"));
        }
    }
}

// Each receipt's bytes, fed to a fresh printer, print that receipt again, file for file.
TEST(CoreProgram, EveryReceiptsBytesReprintIt) {
    const std::filesystem::path fixtures = EMULATOR_FIXTURES;
    struct Row {
        const char* fixture;
        int receipts;
    };
    const Row rows[] = {
        {"point-of-sale.bin", 1},
        {"receiptline.bin", 1},
        {"escpos-buffer.bin", 1},
        {"node-thermal-printer.bin", 1},
        {"status-polling-node-escpos.bin", 1},
        {"images-point-of-sale-column.bin", 1},
        {"images-point-of-sale-raster.bin", 1},
        {"images-node-thermal-printer.bin", 1},
        {"images-escpos-buffer.bin", 1},
        {"images-receiptline.bin", 1},
        {"react-thermal-printer.bin", 1},
        {"tillpos-xml.bin", 1},
    };
    for (const Row& row : rows) {
        testsupport::TempDir dir;
        const std::string model = "--model escpos58 --state " + (dir / "state").string();
        const Result first =
            RunProgram(dir, model + " --input " + (fixtures / row.fixture).string() + " --out " +
                                (dir / "out").string());
        ASSERT_EQ(first.exitCode, 0) << row.fixture << ": " << first.err;
        for (int n = 1; n <= row.receipts; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "receipt-%03d", n);
            const std::filesystem::path again = dir / ("again" + std::to_string(n));
            const Result replay =
                RunProgram(dir, model + " --input " + (dir / "out" / name).string() +
                                    ".bin --out " + again.string());
            ASSERT_EQ(replay.exitCode, 0) << row.fixture << " " << name << ": " << replay.err;
            const std::string png = ReadFile(dir / "out" / (std::string(name) + ".png"));
            EXPECT_FALSE(png.empty()) << row.fixture << " " << name;
            EXPECT_TRUE(png == ReadFile(again / "receipt-001.png")) << row.fixture << " " << name;
            EXPECT_FALSE(std::filesystem::exists(again / "receipt-002.png")) << row.fixture;
        }
        char next[32];
        std::snprintf(next, sizeof next, "receipt-%03d.png", row.receipts + 1);
        EXPECT_FALSE(std::filesystem::exists(dir / "out" / next)) << row.fixture;
    }
}

// GBK outside GB2312 prints in the scalable font, which printer-emulator loads from its module
// when the first such character comes: the same dots as the library that links it prints.
TEST(CoreProgram, TheScalableFontComesFromItsModule) {
    testsupport::TempDir dir;
    const Bytes stream = H("1B 40 1C 26 81 40 81 41 0A 1D 56 00");
    std::ofstream(dir / "cjk.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(stream.data()), static_cast<long>(stream.size()));
    const Result run =
        RunProgram(dir, "--model escpos80 --state " + (dir / "state").string() + " --input " +
                            (dir / "cjk.bin").string() + " --out " + (dir / "out").string());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("font"), std::string::npos) << run.err;

    emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos80"), 0);
    emu::PaperImage linked;
    printer.SetReceiptCallback([&](emu::FinishedReceipt&& r) { linked = std::move(r.image); });
    printer.Feed(stream.data(), stream.size());
    const testsupport::GrayPicture loaded =
        testsupport::ReadGrayPng((dir / "out" / "receipt-001.png").string());
    ASSERT_EQ(loaded.width, linked.width);
    ASSERT_EQ(loaded.height, linked.height);
    int ink = 0, differ = 0;
    for (int y = 0; y < linked.height; ++y)
        for (int x = 0; x < linked.width; ++x) {
            const bool dark = linked.gray[static_cast<std::size_t>(y) * linked.width + x] < 128;
            ink += dark;
            differ += dark != loaded.Dark(x, y);
        }
    EXPECT_GT(ink, 100) << "the two characters are drawn, not left out";
    EXPECT_EQ(differ, 0);
}

TEST(CoreProgram, AStopSignalSavesWhatAStreamPrintedSoFar) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        testsupport::TempDir dir;
        const std::string trace = (dir / "trace.txt").string();
        testsupport::ChildProcess program(
            {PRINTER_EMULATOR, "--input", "-", "--out", (dir / "out").string(), "--trace", trace},
            testsupport::ChildProcess::kInput);
        ASSERT_TRUE(program.Started());
        const Bytes text = T("hello") + H("0A");
        ASSERT_TRUE(program.Write({reinterpret_cast<const char*>(text.data()), text.size()}));
        // The stream stays open: the line printed is seen in the trace, then the signal comes.
        EXPECT_TRUE(emutest::WaitUntil([&] {
            std::ifstream in(trace);
            const std::string lines((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            return lines.find("\"hello\"") != std::string::npos;
        })) << signal;
        program.Signal(signal);
        const int status = program.Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal;
        EXPECT_TRUE(std::filesystem::exists(dir / "out" / "receipt-001.png")) << signal;
    }
}

TEST(CoreProgram, PtyModeServesTheHostAndTakesCommands) {
    testsupport::TempDir dir;
    const std::string out = (dir / "out").string();
    const std::string link = (dir / "printer").string();
    testsupport::ChildProcess program(
        {PRINTER_EMULATOR, "--pty", "--link", link, "--out", out, "--status", "overheat"},
        testsupport::ChildProcess::kInput | testsupport::ChildProcess::kOutput);
    ASSERT_TRUE(program.Started());
    const pid_t pid = program.Pid();
    auto readLine = [&] { return program.ReadLine(); };
    auto command = [&](const std::string& text) { ASSERT_TRUE(program.Write(text + "\n")); };

    const std::string first = readLine();
    ASSERT_EQ(first.rfind("device: /dev/pts/", 0), 0u) << first;
    EXPECT_EQ(std::filesystem::read_symlink(link).string() + "\n", first.substr(8));
    const std::string maps = ReadFile("/proc/" + std::to_string(pid) + "/maps");
    EXPECT_EQ(maps.find("libQt"), std::string::npos) << "headless, none of the window's libraries";
    EXPECT_EQ(maps.find("libmicrohttpd"), std::string::npos)
        << "nor, without --http, the HTTP ones";
    {
        emutest::HostEnd host(link);
        ASSERT_TRUE(host.Ok());
        ASSERT_TRUE(host.Write(H("10 04 05 1D 61 2F")));
        EXPECT_EQ(host.Read(1), H("08")) << "--status overheat stands from the start";
        command("status");
        EXPECT_NE(readLine().find("status 08: overheat"), std::string::npos);
        command("set paper-out on");
        EXPECT_EQ(readLine(), "paper-out on\n");
        EXPECT_EQ(host.Read(1), H("0C"));
        command("set overheat off");
        EXPECT_EQ(readLine(), "overheat off\n");
        EXPECT_EQ(host.Read(1), H("04"));
        command("set paper-out sideways");
        EXPECT_NE(readLine().find("error: use 'set CONDITION on|off'"), std::string::npos);
        command("set paper-out off");
        EXPECT_EQ(readLine(), "paper-out off\n");
        ASSERT_TRUE(host.Write(emutest::T("ok") + H("0A")));
        ASSERT_TRUE(emutest::WaitUntil([&] {
            command("save");
            return readLine().find("saved ") == 0;
        }));
    }
    program.Signal(SIGHUP);  // a closed terminal; SIGINT and SIGTERM take the same path
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "SIGHUP ends it cleanly";
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "receipt-001.png"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "receipt-002.png"))
        << "saved, then stopped: written once";
    EXPECT_FALSE(std::filesystem::exists(link)) << "the link is removed on exit";
}

// A receipt that cannot be saved once the program runs: said on standard error as it happens,
// in 'status', and in the exit status.
TEST(CoreProgram, ASaveThatFailsLaterIsSaidAndFailsTheRun) {
    testsupport::TempDir dir;
    const std::string out = (dir / "out").string();
    testsupport::ChildProcess program(
        {PRINTER_EMULATOR, "--pty", "--out", out},
        testsupport::ChildProcess::kInput | testsupport::ChildProcess::kOutput,
        (dir / "stderr").string());
    ASSERT_TRUE(program.Started());
    const std::string device = program.ReadLine();
    ASSERT_EQ(device.rfind("device: ", 0), 0u) << device;
    std::filesystem::remove(out);
    std::ofstream(out) << "a file where the folder was";
    emutest::HostEnd host(device.substr(8, device.size() - 9));
    ASSERT_TRUE(host.Write(T("lost") + H("0A 1D 56 00")));
    const std::string said =
        "printer-emulator: a receipt from pty was not saved: cannot make the "
        "folder " +
        out + " for receipts: ";
    ASSERT_TRUE(emutest::WaitUntil([&] { return ReadFile(dir / "stderr").find(said) == 0; }))
        << ReadFile(dir / "stderr");
    ASSERT_TRUE(program.Write("status\n"));
    EXPECT_NE(program.ReadLine().find("receipts: 0 saved in " + out +
                                      ", lost 1 receipt; the last: cannot make the folder"),
              std::string::npos);
    ASSERT_TRUE(program.Write("quit\n"));
    const int status = program.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << ReadFile(dir / "stderr");
}

}  // namespace
