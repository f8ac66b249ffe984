// A point-of-sale library's status polling against the virtual printer: the stream it sends
// (tests/emulator/clients/status-polling.mjs writes it) is answered, and the library itself,
// run with node, reads the answers as the conditions were toggled.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "emulator/VirtualPrinter.h"
#include "tests/emulator/RecordingSink.h"

namespace {

// The library's reading of the replies, one label a line.
std::string Decode(const std::vector<std::uint8_t>& replies) {
    std::string hex;
    for (char c : emutest::HexBytes(replies))
        if (c != ' ') hex += c;
    const std::string command = std::string("cd '") + EMULATOR_CLIENTS +
                                "' && node status-polling.mjs decode " + hex + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    if (pipe != nullptr) ::pclose(pipe);
    return out;
}

TEST(CoreClientStatus, TheLibraryReadsTheConditionsAsToggled) {
    if (std::system("node --version >/dev/null 2>&1") != 0 ||
        !std::filesystem::exists(std::filesystem::path(EMULATOR_CLIENTS) / "node_modules" /
                                 "@node-escpos"))
        GTEST_SKIP() << "needs node and 'npm ci' in tests/emulator/clients";
    std::ifstream in(std::filesystem::path(EMULATOR_FIXTURES) / "status-polling-node-escpos.bin",
                     std::ios::binary);
    const std::vector<std::uint8_t> stream{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    ASSERT_FALSE(stream.empty());
    struct Row {
        const char* name;
        std::vector<emu::Condition> conditions;
        std::vector<const char*> read;
    };
    const Row rows[] = {
        {"all well",
         {},
         {"Drawer kick-out connector pin 3 is LOW", "Online",
          "Roll paper near-end sensor: paper adequate", "Cover is closed"}},
        {"paper near end", {emu::Condition::PaperNearEnd}, {"paper near-end", "Online"}},
        {"cover open", {emu::Condition::Platen}, {"Cover is open", "Offline"}},
        {"drawer open", {emu::Condition::DrawerOpen}, {"pin 3 is HIGH", "Cover is closed"}},
    };
    for (const Row& row : rows) {
        emu::VirtualPrinter printer(*emu::FindPrinterModel("escpos80"), 0);
        for (emu::Condition c : row.conditions) printer.SetCondition(c, true);
        printer.Feed(stream.data(), stream.size());
        const std::vector<std::uint8_t> replies = printer.TakeReplies();
        ASSERT_EQ(replies.size(), 4u) << row.name;
        const std::string read = Decode(replies);
        for (const char* label : row.read)
            EXPECT_NE(read.find(label), std::string::npos) << row.name << ": " << label << " in\n"
                                                           << read;
    }
}

}  // namespace
