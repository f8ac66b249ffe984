#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "emulator/link/LinkPath.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(LinkPath, OnlyALinkToAPtyThatIsGoneIsReplaced) {
    testsupport::TempDir dir;
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string livePty = ttyname(slave);
    std::ofstream(dir / "victim") << "another user's";
    struct Row {
        const char* name;
        std::string target;   // what the path is a link to; "" for a regular file
        std::string refusal;  // "" when the link is made
    } const rows[] = {
        {"nothing there", "-", ""},
        {"left by a printer that is gone", "/dev/pts/999999", ""},
        {"a regular file", "", "something that is not a link is there"},
        {"a link to a file", (dir / "victim").string(), "not to a printer's pseudo-terminal"},
        {"another printer's", livePty, "in use by process " + std::to_string(getpid()) + " ("},
    };
    int n = 0;
    for (const Row& row : rows) {
        const std::string path = (dir / ("line" + std::to_string(n++))).string();
        if (row.target.empty()) {
            std::ofstream(path) << "a file";
        } else if (row.target != "-") {
            fs::create_symlink(row.target, path);
        }
        emu::LinkPath link;
        std::string error;
        const bool made = link.Make(path, "/dev/pts/ours", &error);
        if (row.refusal.empty()) {
            EXPECT_TRUE(made) << row.name << ": " << error;
            EXPECT_EQ(fs::read_symlink(path).string(), "/dev/pts/ours") << row.name;
            link.Remove();
            EXPECT_FALSE(fs::exists(fs::symlink_status(path)))
                << row.name << ": removed at the end";
        } else {
            EXPECT_FALSE(made) << row.name;
            EXPECT_NE(error.find(row.refusal), std::string::npos) << row.name << ": " << error;
            EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << row.name << ": left alone";
        }
    }
    std::ifstream victim(dir / "victim");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "another user's");
    close(slave);
    close(master);
}

TEST(LinkPath, AtTheEndWhatTookThePathMeanwhileStays) {
    testsupport::TempDir dir;
    const std::string path = (dir / "line").string();
    emu::LinkPath link;
    std::string error;
    ASSERT_TRUE(link.Make(path, "/dev/pts/ours", &error)) << error;
    fs::remove(path);
    std::ofstream(path) << "someone else's";
    link.Remove();
    EXPECT_TRUE(fs::is_regular_file(path));
}

}  // namespace
