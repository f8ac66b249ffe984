#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "emulator/receipts/ReceiptFolder.h"
#include "tests/support/TempDir.h"

namespace {

using emu::ReceiptFolder;

const emu::PaperImage kMarked{2, 1, {0, 255}};

TEST(ReceiptFolder, NumberingGoesOnAfterTheReceiptsAlreadyThere) {
    testsupport::TempDir dir;
    struct Row {
        const char* name;
        std::vector<std::string> present;
        const char* next;
    };
    const Row rows[] = {
        {"empty folder", {}, "receipt-001.png"},
        {"after a gap", {"receipt-001.png", "receipt-007.png"}, "receipt-008.png"},
        {"other files ignored",
         {"notes.txt", "receipt-x.png", "receipt-002.png.bak"},
         "receipt-001.png"},
        {"past three digits", {"receipt-999.png"}, "receipt-1000.png"},
        {"the bytes' files count", {"receipt-004.bin"}, "receipt-005.png"},
    };
    int n = 0;
    for (const Row& row : rows) {
        const std::filesystem::path folder = dir / ("f" + std::to_string(n++));
        std::filesystem::create_directories(folder);
        for (const std::string& name : row.present) std::ofstream(folder / name) << "x";
        ReceiptFolder receipts;
        std::string error;
        ASSERT_TRUE(receipts.Prepare(folder, &error)) << row.name << ": " << error;
        EXPECT_EQ(receipts.Save(kMarked).path, (folder / row.next).string()) << row.name;
    }
}

TEST(ReceiptFolder, MadeAtStartAgainWhenRemovedAndNeverOverwrites) {
    testsupport::TempDir dir;
    ReceiptFolder receipts;
    std::string error;
    ASSERT_TRUE(receipts.Prepare(dir / "paper" / "today", &error)) << error;
    EXPECT_TRUE(std::filesystem::is_empty(dir / "paper" / "today")) << "made, the probe gone";
    std::filesystem::remove_all(dir / "paper");
    EXPECT_TRUE(receipts.Save(emu::PaperImage{2, 1, {255, 255}}).blank);
    EXPECT_FALSE(std::filesystem::exists(dir / "paper")) << "blank paper makes no folder";
    EXPECT_EQ(receipts.Save(kMarked).path, (dir / "paper" / "today" / "receipt-001.png").string());
    ASSERT_TRUE(receipts.Prepare(dir / "paper", &error)) << error;

    ASSERT_EQ(receipts.Save(kMarked).path, (dir / "paper" / "receipt-001.png").string());
    std::ofstream(dir / "paper" / "receipt-002.png") << "another program's";
    EXPECT_EQ(receipts.Save(kMarked).path, (dir / "paper" / "receipt-003.png").string());
    std::ifstream kept(dir / "paper" / "receipt-002.png");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "another program's");
}

TEST(ReceiptFolder, TheBytesGoBesideThePictureUnderANumberFreeForBoth) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir / "paper");
    std::ofstream(dir / "paper" / "receipt-001.bin") << "another program's";
    ReceiptFolder receipts;
    std::string error;
    ASSERT_TRUE(receipts.Prepare(dir / "paper", &error)) << error;
    std::ofstream(dir / "paper" / "receipt-002.bin") << "written meanwhile";
    const std::vector<std::uint8_t> bytes{'A', '\n', 0x1D, 0x56, 0x01};
    const ReceiptFolder::Result saved = receipts.Save(kMarked, &bytes);
    ASSERT_EQ(saved.path, (dir / "paper" / "receipt-003.png").string()) << saved.error;
    EXPECT_EQ(saved.bin, (dir / "paper" / "receipt-003.bin").string());
    std::ifstream in(saved.bin, std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), bytes);
    EXPECT_FALSE(std::filesystem::exists(dir / "paper" / "receipt-002.png"))
        << "a number whose bytes' name is taken is given up whole";
    EXPECT_TRUE(receipts.Save(kMarked).bin.empty()) << "no bytes, no file";
}

TEST(ReceiptFolder, NothingInTheFolderIsWrittenThroughOrOverwritten) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir / "paper");
    std::ofstream(dir / "victim") << "another user's";
    // Links planted under the names a receipt may take: the receipt's own and the temporary one
    // earlier versions used.
    for (const std::string& name :
         {std::string("receipt-001.png"), ".receipt-" + std::to_string(getpid()) + ".partial"}) {
        std::filesystem::create_symlink(dir / "victim", dir / "paper" / name);
    }
    ReceiptFolder receipts;
    std::string error;
    ASSERT_TRUE(receipts.Prepare(dir / "paper", &error)) << error;
    EXPECT_EQ(receipts.Save(kMarked).path, (dir / "paper" / "receipt-002.png").string());
    std::ifstream victim(dir / "victim");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "another user's");
    int left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "paper"))
        left += entry.path().filename().string().find(".receipt-") == 0;
    EXPECT_EQ(left, 1) << "only the planted temporary name remains";
}

TEST(ReceiptFolder, SavingStopsOnlyAtTheCountAskedOrADiskNearlyFull) {
    testsupport::TempDir dir;
    struct Row {
        const char* name;
        ReceiptFolder::Limits limits;
        int saved;  // before saving stops
        const char* reason;
    };
    const Row rows[] = {
        {"no count by default", {}, 1010, ""},
        {"a count asked for", {2, 0, 0}, 2, "2 receipts saved, the most this run may"},
        {"under the bytes kept free", {0, ~0ull, 0}, 0, "MB free, under the"},
        {"under the share kept free", {0, 0, 100.5}, 0, "% free, under the 100.5 % kept free"},
    };
    int n = 0;
    for (const Row& row : rows) {
        const std::filesystem::path folder = dir / ("f" + std::to_string(n++));
        ReceiptFolder receipts;
        std::string error;
        ASSERT_TRUE(receipts.Prepare(folder, &error, row.limits)) << row.name << ": " << error;
        for (int i = 0; i < row.saved; ++i) ASSERT_FALSE(receipts.Save(kMarked).path.empty());
        EXPECT_EQ(receipts.Saved().size(), static_cast<std::size_t>(row.saved)) << row.name;
        if (*row.reason == '\0') continue;
        const ReceiptFolder::Result first = receipts.Save(kMarked);
        const ReceiptFolder::Result second = receipts.Save(kMarked);
        EXPECT_TRUE(first.stopped && first.firstStop) << row.name;
        EXPECT_TRUE(second.stopped && !second.firstStop) << row.name << ": said once";
        EXPECT_NE(receipts.Stopped().find(row.reason), std::string::npos)
            << row.name << ": " << receipts.Stopped();
        EXPECT_EQ(receipts.Lost().count, 2) << row.name;
    }
}

TEST(ReceiptFolder, FailuresAreReportedAndLeaveNoFile) {
    testsupport::TempDir dir;
    std::ofstream(dir / "file") << "x";
    ReceiptFolder receipts;
    std::string error;
    EXPECT_FALSE(receipts.Prepare(dir / "file" / "paper", &error));
    EXPECT_NE(error.find((dir / "file" / "paper").string()), std::string::npos) << error;
    EXPECT_FALSE(receipts.Prepare("/sys", &error)) << "a folder no file can be made in";
    EXPECT_NE(error.find("cannot create a file in /sys"), std::string::npos) << error;

    ASSERT_TRUE(receipts.Prepare(dir / "paper", &error)) << error;
    ASSERT_FALSE(receipts.Save(kMarked).path.empty());
    // A disk that takes no more: the picture cannot be written.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit full{16, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &full);
    const ReceiptFolder::Result failed = receipts.Save(kMarked);
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_TRUE(failed.path.empty());
    EXPECT_NE(failed.error.find("File too large"), std::string::npos) << failed.error;
    EXPECT_EQ(receipts.Lost().count, 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "paper"), {}), 1)
        << "nothing but the first receipt";
    EXPECT_EQ(failed.number, 2) << "listed under the number its file would have had";
    EXPECT_EQ(receipts.Save(kMarked).number, 3) << "which no later receipt takes";
}

}  // namespace
