#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"
#include "viewer/PaperWindow.h"
#include "viewer/qt/PaperStrip.h"
#include "viewer/qt/PaperWidget.h"
#include "viewer/qt/ReceiptList.h"

namespace viewertest {
namespace {

const std::vector<std::string> kLabels = {"过热 overheat", "缺纸 paper out", "过压 over-voltage",
                                          "切刀 cutter", "压轴 platen"};

std::vector<std::uint8_t> Blank(int width, int height) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 255);
}

struct PaperWindowTest : testing::Test {
    void SetUp() override {
        window.Create("Virtual printer", kLabels,
                      [this](int index, bool on) { toggled.emplace_back(index, on); });
    }
    void Drain() {
        QCoreApplication::processEvents();
        window.ApplyQueued();
    }
    CPaperWidget& Widget() { return *window.Widget(); }

    CPaperWindow window;
    std::vector<std::pair<int, bool>> toggled;
};

TEST_F(PaperWindowTest, UpdatesFromAnotherThreadArriveInOrderOnTheInterfaceThread) {
    std::vector<std::uint8_t> paper = Blank(384, 50);
    paper[10 * 384 + 7] = 0;
    std::thread feeder([&] {
        for (int i = 0; i < 100; ++i) window.AddTraceLine("line " + std::to_string(i));
        window.SetPaper(paper.data(), 384, 50, 0);
        window.SetToggle(2, true);
        window.SetPaperFolder("/tmp/receipts");
        window.SetStatusLine("9600 baud");
    });
    feeder.join();
    QCoreApplication::processEvents();

    const QPlainTextEdit* trace = Widget().Trace();
    ASSERT_EQ(trace->blockCount(), 100);
    EXPECT_EQ(trace->document()->firstBlock().text(), "line 0");
    EXPECT_EQ(trace->document()->lastBlock().text(), "line 99");
    const QImage& current = Widget().Strip()->Current();
    ASSERT_EQ(current.size(), QSize(384, 50));
    EXPECT_EQ(qGray(current.pixel(7, 10)), 0);
    EXPECT_EQ(qGray(current.pixel(8, 10)), 255);
    EXPECT_TRUE(Widget().Toggle(2)->isChecked());
    EXPECT_TRUE(Widget().Folder()->text().contains("/tmp/receipts"));
    EXPECT_EQ(Widget().Status()->text(), "9600 baud");
    EXPECT_TRUE(toggled.empty()) << "a toggle set by the program is not reported back";
}

TEST_F(PaperWindowTest, OperatorTogglesReportTheirIndexAndState) {
    Widget().Toggle(0)->click();
    Widget().Toggle(4)->click();
    Widget().Toggle(0)->click();
    const std::vector<std::pair<int, bool>> expected = {{0, true}, {4, true}, {0, false}};
    EXPECT_EQ(toggled, expected);
    EXPECT_EQ(Widget().ToggleCount(), 5);
    EXPECT_EQ(Widget().Toggle(5), nullptr);
    window.SetToggle(7, true);  // out of range: ignored
    Drain();
}

TEST_F(PaperWindowTest, APictureOfAReceiptAlreadyCutIsDropped) {
    std::vector<std::uint8_t> first = Blank(384, 40);
    std::vector<std::uint8_t> second = Blank(384, 8);
    struct Row {
        const char* name;
        std::uint64_t lateIndex;
        int expectedCurrentRows;
    };
    const Row rows[] = {{"stale picture of receipt 0", 0, 0}, {"picture of receipt 1", 1, 8}};
    for (const Row& row : rows) {
        CPaperWindow fresh;
        fresh.Create("t", kLabels, nullptr);
        fresh.SetPaper(first.data(), 384, 40, 0);
        fresh.AddReceipt(first.data(), 384, 40, {});
        fresh.SetPaper(row.lateIndex == 0 ? first.data() : second.data(), 384,
                       row.lateIndex == 0 ? 40 : 8, row.lateIndex);
        fresh.ApplyQueued();
        EXPECT_EQ(fresh.Widget()->Strip()->ReceiptCount(), 1) << row.name;
        const QImage& current = fresh.Widget()->Strip()->Current();
        EXPECT_EQ(current.isNull() ? 0 : current.height(), row.expectedCurrentRows) << row.name;
    }
}

TEST_F(PaperWindowTest, TraceKeepsTheNewestLinesOnly) {
    for (int i = 0; i < CPaperWindow::kTraceLines + 25; ++i) window.AddTraceLine(std::to_string(i));
    Drain();
    for (int i = 0; i < 10; ++i) window.AddTraceLine("more " + std::to_string(i));
    Drain();
    const QPlainTextEdit* trace = Widget().Trace();
    EXPECT_EQ(trace->blockCount(), CPaperWindow::kTraceLines);
    EXPECT_EQ(trace->document()->lastBlock().text(), "more 9");
    EXPECT_EQ(trace->document()->firstBlock().text(), "35");
    EXPECT_TRUE(trace->isReadOnly());
}

TEST_F(PaperWindowTest, PaperFollowsTheNewestRowUntilTheOperatorScrollsUp) {
    window.Show(nullptr);
    QScrollBar* bar = Widget().PaperArea()->verticalScrollBar();
    std::vector<std::uint8_t> paper = Blank(384, 3000);
    window.SetPaper(paper.data(), 384, 1500, 0);
    Drain();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(100);  // the operator looks back
    window.SetPaper(paper.data(), 384, 2000, 0);
    Drain();
    EXPECT_EQ(bar->value(), 100);

    bar->setValue(bar->maximum());  // and comes back down
    window.SetPaper(paper.data(), 384, 3000, 0);
    Drain();
    EXPECT_EQ(bar->value(), bar->maximum());
    window.Close();
}

TEST_F(PaperWindowTest, CommandsFollowTheNewestLineUntilTheOperatorScrollsUpAndTroubleStandsOut) {
    window.Show(nullptr);
    QScrollBar* bar = Widget().Trace()->verticalScrollBar();
    const auto add = [&](const std::string& what, int count) {
        for (int i = 0; i < count; ++i) window.AddTraceLine(what + " " + std::to_string(i));
        Drain();
    };
    add("first", 200);
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    bar->setValue(150);  // the operator looks back, even as old lines leave at the top
    const QString looked = Widget().Trace()->cursorForPosition(QPoint(5, 5)).block().text();
    add("more", CPaperWindow::kTraceLines - 100);
    ASSERT_EQ(Widget().Trace()->document()->firstBlock().text(), "first 100");
    EXPECT_LT(bar->value(), bar->maximum());
    EXPECT_EQ(Widget().Trace()->cursorForPosition(QPoint(5, 5)).block().text(), looked);

    bar->setValue(bar->maximum());  // and comes back down
    add("last", 50);
    EXPECT_EQ(bar->value(), bar->maximum());

    window.AddTraceLine("      12  1B 7A   ESC 0x7A  unknown command, skipped");
    window.AddTraceLine("      15  1B 4A   ESC J     print and feed 10 dots");
    Drain();
    const QTextBlock unknown = Widget().Trace()->document()->lastBlock().previous();
    ASSERT_FALSE(unknown.layout()->formats().isEmpty()) << "an unknown command stands out";
    EXPECT_EQ(unknown.layout()->formats()[0].format.foreground().color(), QColor(0xc0, 0, 0));
    EXPECT_TRUE(Widget().Trace()->document()->lastBlock().layout()->formats().isEmpty());
    window.Close();
}

TEST_F(PaperWindowTest, StripDrawsDotsAtTheChosenScaleBelowFinishedReceipts) {
    std::vector<std::uint8_t> receipt = Blank(384, 30);
    std::vector<std::uint8_t> current = Blank(384, 30);
    receipt[5 * 384 + 3] = 0;
    current[2 * 384 + 9] = 0;
    window.AddReceipt(receipt.data(), 384, 30, {});
    window.SetPaper(current.data(), 384, 30, 1);
    Drain();
    for (int scale : {1, 2}) {
        Widget().Zoom()->setChecked(scale == 2);
        const QImage shown = Widget().Strip()->Render();
        const int below = 30 * scale + CPaperStrip::kCutGap;
        EXPECT_EQ(shown.size(), QSize(384 * scale, below + 30 * scale)) << scale;
        EXPECT_EQ(qGray(shown.pixel(3 * scale, 5 * scale)), 0) << scale;
        EXPECT_EQ(qGray(shown.pixel(3 * scale + scale - 1, 5 * scale + scale - 1)), 0) << scale;
        EXPECT_EQ(qGray(shown.pixel(4 * scale, 5 * scale)), 255) << scale;
        EXPECT_EQ(qGray(shown.pixel(9 * scale, below + 2 * scale)), 0) << scale;
    }
}

TEST_F(PaperWindowTest, StripDropsTheOldestReceiptsButKeepsTheNewest) {
    struct Row {
        const char* name;
        std::vector<int> heights;
        int kept;
    };
    const int half = CPaperStrip::kMaxRows / 2;
    const Row rows[] = {
        {"two halves fit", {half, half}, 2},
        {"a third half pushes out the first", {half, half, half}, 2},
        {"one over-long receipt stays alone", {half, CPaperStrip::kMaxRows + 100}, 1},
    };
    for (const Row& row : rows) {
        CPaperStrip strip;
        for (int height : row.heights)
            strip.AddReceipt(QImage(8, height, QImage::Format_Grayscale8));
        EXPECT_EQ(strip.ReceiptCount(), row.kept) << row.name;
    }
}

TEST_F(PaperWindowTest, ClosingHidesAndReportsButTheWindowKeepsTakingUpdates) {
    int closed = 0;
    window.SetClosedHandler([&] { ++closed; });
    window.Show(nullptr);
    ASSERT_TRUE(window.IsVisible());
    window.Close();
    EXPECT_FALSE(window.IsVisible());
    EXPECT_EQ(closed, 1);
    window.AddTraceLine("after close");
    Drain();
    EXPECT_EQ(Widget().Trace()->document()->lastBlock().text(), "after close");
    window.Show(nullptr);
    EXPECT_TRUE(window.IsVisible());
}

TEST_F(PaperWindowTest, ScreenshotShowsWhatWasQueuedAndReportsAnUnwritablePath) {
    testsupport::TempDir dir;
    std::vector<std::uint8_t> paper(384 * 200, 0);  // a black receipt, hard to miss
    window.SetPaper(paper.data(), 384, 200, 0);
    ASSERT_TRUE(window.SaveScreenshot((dir / "w.png").string()));
    QImage shot((dir / "w.png").c_str());
    ASSERT_FALSE(shot.isNull());
    const QPoint origin = Widget().Strip()->mapTo(&Widget(), QPoint(0, 0));
    EXPECT_EQ(qGray(shot.pixel(origin + QPoint(10, 10))), 0);
    EXPECT_FALSE(window.SaveScreenshot((dir / "no" / "w.png").string()));
}

// The list names each receipt and reads its picture from disk only when opened; a copy goes
// elsewhere as picture or bytes; Clear empties the view but leaves the files.
TEST_F(PaperWindowTest, ReceiptListOpensAndCopiesFromTheFilesAndClearLeavesThem) {
    testsupport::TempDir dir;
    const std::filesystem::path png = dir / "receipt-007.png";
    const std::filesystem::path bin = dir / "receipt-007.bin";
    QImage picture(384, 90, QImage::Format_Grayscale8);
    picture.fill(255);
    ASSERT_TRUE(picture.save(QString::fromStdString(png.string()), "PNG"));
    std::ofstream(bin) << "printed\n";
    const std::vector<std::uint8_t> dots = Blank(384, 90);
    const std::int64_t at = QDateTime(QDate(2026, 12, 9), QTime(10, 42, 7)).toMSecsSinceEpoch();
    std::thread feeder([&] {
        window.SetPaperFolder(dir.Path().string());
        window.AddReceipt(dots.data(), 384, 90,
                          {7, at, "TCP 127.0.0.1:40312", 1234, png.string(), bin.string()});
        window.AddReceipt(dots.data(), 384, 90, {8, at, "pty", 20, "", ""});
    });
    feeder.join();
    Drain();
    CReceiptList& list = *Widget().Receipts();
    ASSERT_EQ(list.List()->count(), 2);
    EXPECT_EQ(list.List()->item(0)->text().toStdString(),
              "#7 · 10:42:07 · 1234 bytes\nfrom TCP 127.0.0.1:40312");
    EXPECT_EQ(list.List()->item(1)->text().toStdString(),
              "#8 · 10:42:07 · 20 bytes\nfrom pty · not saved");
    list.List()->setCurrentRow(1);
    EXPECT_FALSE(list.OpenButton()->isEnabled()) << "nothing on disk to open";
    EXPECT_EQ(list.Open(1), nullptr);
    list.List()->setCurrentRow(0);
    EXPECT_TRUE(list.OpenButton()->isEnabled() && list.FolderButton()->isEnabled());

    QWidget* shown = list.Open(0);
    ASSERT_NE(shown, nullptr);
    const auto* label = qobject_cast<QLabel*>(qobject_cast<QScrollArea*>(shown)->widget());
    EXPECT_EQ(label->pixmap().size(), QSize(384, 90)) << "the picture read from its file";
    shown->close();

    const std::filesystem::path copies = dir / "elsewhere";
    std::filesystem::create_directory(copies);
    std::ofstream(copies / "mine.png") << "an older file, replaced";
    ASSERT_TRUE(list.SaveCopy(0, QString::fromStdString((copies / "mine.png").string())));
    ASSERT_TRUE(list.SaveCopy(0, QString::fromStdString((copies / "mine.bin").string())));
    EXPECT_EQ(std::filesystem::file_size(copies / "mine.png"), std::filesystem::file_size(png));
    EXPECT_EQ(std::filesystem::file_size(copies / "mine.bin"), 8u);
    EXPECT_FALSE(list.SaveCopy(0, QString::fromStdString((dir / "no" / "x.png").string())));
    EXPECT_TRUE(list.Problem()->isVisibleTo(&list));

    std::filesystem::remove(png);
    EXPECT_EQ(list.Open(0), nullptr) << "a picture gone from disk";
    EXPECT_TRUE(list.Problem()->text().contains("receipt-007.png"));

    Widget().ClearButton()->click();
    EXPECT_EQ(list.List()->count(), 0);
    EXPECT_EQ(Widget().Strip()->ReceiptCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(bin)) << "Clear leaves the files";
}

// Narrow, the window fits beside the dialog (387x440 inside its frame) on an 800x480 panel, with
// every control in one of its two tabs; wide again, both columns stand side by side.
TEST_F(PaperWindowTest, TheNarrowLayoutFitsBesideTheDialogOnTheSmallestPanel) {
    CPaperWidget& widget = Widget();
    widget.SetTouchTarget(37);  // 7 mm on a 7-inch 800x480 panel
    widget.SetNarrow(true);
    const QSize narrow = widget.minimumSizeHint();
    EXPECT_LE(narrow.width(), 800 - 387 - 2 * 8 - 12) << narrow.width() << "x" << narrow.height();
    EXPECT_LE(narrow.height(), 480 - 32) << narrow.width() << "x" << narrow.height();
    EXPECT_EQ(widget.TabOf(widget.PaperArea()), 0);
    EXPECT_EQ(widget.TabOf(widget.Toggle(4)), 1);
    EXPECT_EQ(widget.TabOf(widget.Trace()), 1);
    EXPECT_EQ(widget.TabOf(widget.Receipts()->List()), 2);
    EXPECT_GE(widget.Toggle(4)->minimumHeight(), 37);

    widget.SetNarrow(false);
    EXPECT_EQ(widget.TabOf(widget.Toggle(4)), -1);
    EXPECT_EQ(widget.Splitter()->count(), 2);
    EXPECT_TRUE(widget.Splitter()->isAncestorOf(widget.Trace()));
    EXPECT_TRUE(widget.Splitter()->isAncestorOf(widget.Receipts()));
    EXPECT_GT(widget.minimumSizeHint().width(), narrow.width());
}

TEST(PaperWindowLifetime, UpdatesQueuedForAWindowThatIsGoneAreDropped) {
    std::thread feeder;
    {
        CPaperWindow window;
        window.Create("t", kLabels, nullptr);
        feeder = std::thread([&window] {
            std::vector<std::uint8_t> paper = Blank(384, 10);
            for (int i = 0; i < 200; ++i) {
                window.AddTraceLine("x");
                window.SetPaper(paper.data(), 384, 10, 0);
            }
        });
        feeder.join();
    }
    QCoreApplication::processEvents();  // runs the queued work against no widget
    SUCCEED();
}

}  // namespace
}  // namespace viewertest
