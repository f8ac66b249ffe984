#include <gtest/gtest.h>
#include <unistd.h>

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

TEST(ReceiptFolder, MadeAtTheFirstReceiptAndNeverOverwrites) {
    testsupport::TempDir dir;
    ReceiptFolder receipts;
    std::string error;
    ASSERT_TRUE(receipts.Prepare(dir / "paper", &error)) << error;
    EXPECT_TRUE(receipts.Save(emu::PaperImage{2, 1, {255, 255}}).blank);
    EXPECT_FALSE(std::filesystem::exists(dir / "paper")) << "blank paper makes no folder";

    ASSERT_EQ(receipts.Save(kMarked).path, (dir / "paper" / "receipt-001.png").string());
    std::ofstream(dir / "paper" / "receipt-002.png") << "another program's";
    EXPECT_EQ(receipts.Save(kMarked).path, (dir / "paper" / "receipt-003.png").string());
    std::ifstream kept(dir / "paper" / "receipt-002.png");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "another program's");
}

TEST(ReceiptFolder, FailuresAndTheLimitAreReportedAndLeaveNoFile) {
    testsupport::TempDir dir;
    std::ofstream(dir / "file") << "x";
    ReceiptFolder receipts;
    std::string error;
    EXPECT_FALSE(receipts.Prepare(dir / "file" / "paper", &error));
    EXPECT_NE(error.find((dir / "file" / "paper").string()), std::string::npos) << error;

    ASSERT_TRUE(receipts.Prepare(dir / "paper", &error, 2)) << error;
    ASSERT_FALSE(receipts.Save(kMarked).path.empty());
    // The temporary file's name taken by a folder: the picture cannot be written.
    std::filesystem::create_directories(dir / "paper" /
                                        (".receipt-" + std::to_string(getpid()) + ".partial"));
    const ReceiptFolder::Result failed = receipts.Save(kMarked);
    EXPECT_TRUE(failed.path.empty());
    EXPECT_FALSE(failed.error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "paper" / "receipt-002.png"));
    std::filesystem::remove(dir / "paper" / (".receipt-" + std::to_string(getpid()) + ".partial"));

    ASSERT_FALSE(receipts.Save(kMarked).path.empty());
    const ReceiptFolder::Result over = receipts.Save(kMarked);
    EXPECT_TRUE(over.limitReached);
    EXPECT_EQ(receipts.Saved().size(), 2u);
}

}  // namespace
