// The eleven demonstrations, fed through the sink calls their byte streams decode to, rendered to
// PNG. Set EMU_RENDER_LOOK_DIR to keep the pictures for a person to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "tests/emulator/RenderHelpers.h"
#include "tests/support/TempDir.h"

using emu::PaperImage;
using emu::PrintEngine;
using emu::TableCell;
using rendertest::Gbk;
using rendertest::InkBox;

namespace {

void Text(PrintEngine& e, const char* utf8) {
    for (char c : Gbk(utf8)) e.Text(static_cast<std::uint8_t>(c));
}

void Title(PrintEngine& e, const char* utf8) {
    e.SetPrintMode(10);
    Text(e, utf8);
    e.LineFeed();
    e.SetPrintMode(0);
}

void FontStyle(PrintEngine& e) {
    Title(e, "打印示例：字体");
    e.SetPrintMode(48);
    Text(e, "倍高+倍宽");
    e.SetPrintMode(130);
    Text(e, "斜体+下划线");
    e.LineFeed();
    e.SetPrintMode(0);
    e.LineFeed();
    e.LineFeed();
}

void PrintAndFeed(PrintEngine& e) {
    Title(e, "打印示例：打印与走纸-单位为点");
    Text(e, "打印后进纸100点");
    e.FeedDots(100);
    Text(e, "打印后倒纸24点");
    e.ReverseFeedDots(24);
    Text(e, "                 倒纸后打印");
    e.LineFeed();
    e.LineFeed();
    Title(e, "打印示例：打印与走纸-单位为字");
    Text(e, "打印后进纸2行");
    e.FeedLines(2);
    Text(e, "打印后倒纸1行");
    e.ReverseFeedLines(1);
    Text(e, "                 倒纸后打印");
    for (int i = 0; i < 3; ++i) e.LineFeed();
}

void Margins(PrintEngine& e) {
    Title(e, "打印示例：页边距");
    e.SetLeftMargin(10);
    e.SetRightMargin(10);
    Text(e, "左右页边距各80点，打印缓冲区此时也会根据页边距进行自动打印控制");
    e.LineFeed();
    e.SetLeftMargin(0);
    e.SetRightMargin(0);
    e.LineFeed();
    e.LineFeed();
}

void AbsolutePosition(PrintEngine& e) {
    Title(e, "打印示例：水平绝对坐标");
    e.SetAbsolutePosition(100);
    Text(e, "水平绝对坐标为100点");
    e.LineFeed();
    Text(e, "水平绝对坐标只有效一次");
    for (int i = 0; i < 3; ++i) e.LineFeed();
}

void GrayLevel(PrintEngine& e) {
    Title(e, "打印示例：打印灰度");
    e.SetGrayLevel(8);
    Text(e, "打印灰度为8");
    e.LineFeed();
    e.SetGrayLevel(4);
    Text(e, "打印灰度为4");
    e.LineFeed();
    e.LineFeed();
    e.LineFeed();
}

void HorizontalTab(PrintEngine& e) {
    Title(e, "打印示例：水平制表打印");
    e.SetTabStops({12, 24, 36});
    e.SetPrintMode(8);
    for (const char* item : {"项目A", "项目B", "项目C"}) {
        Text(e, item);
        e.HorizontalTab();
    }
    Text(e, "项目D");
    e.LineFeed();
    e.SetPrintMode(0);
    for (const char* item : {"数据1", "数据2", "数据3"}) {
        Text(e, item);
        e.HorizontalTab();
    }
    Text(e, "数据4");
    e.LineFeed();
    e.LineFeed();
    e.LineFeed();
}

TableCell Cell(std::uint8_t position, std::uint8_t format, const char* utf8) {
    const std::string bytes = Gbk(utf8);
    return TableCell{position, format, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
}

void VerticalTable(PrintEngine& e) {
    Title(e, "打印示例：打印纵向表格，部分型号支持");
    for (const char* heading : {"  项目A  ", "  项目B  ", "  项目C  ", "  项目D  "})
        e.TableRow({0, 8, 16, 24, 32}, {Cell(2, 2, heading), Cell(10, 1, "  数据1"),
                                        Cell(18, 1, "  数据2"), Cell(26, 1, "  数据3")});
    e.LineFeed();
    e.LineFeed();
}

// Stands in for the logotype asset: a frame, a filled disc and diagonal stripes, 384 x 91.
void RasterImage(PrintEngine& e) {
    Title(e, "打印示例：打印横向取模图像");
    e.RasterBegin(0, 48, 91);
    for (int y = 0; y < 91; ++y) {
        std::uint8_t row[48] = {};
        for (int x = 0; x < 384; ++x) {
            const int dx = x - 60, dy = y - 40;
            const bool frame = y < 84 && (y < 3 || y > 80 || x < 3 || x > 380);
            const bool disc = dx * dx + dy * dy < 36 * 36;
            const bool stripe = x > 125 && y > 16 && y < 60 && (x + y) % 16 < 6;
            if (frame || disc || stripe) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        e.RasterRow(row);
    }
    e.RasterEnd();
    e.LineFeed();
    e.LineFeed();
}

void Alignment(PrintEngine& e) {
    Title(e, "打印示例：水平对齐方式");
    const char* words[] = {"居左", "居中", "居右"};
    for (std::uint8_t a = 0; a < 3; ++a) {
        e.SetAlignment(a);
        Text(e, words[a]);
        e.LineFeed();
    }
    e.SetAlignment(0);
    e.LineFeed();
    e.LineFeed();
}

void Barcode(PrintEngine& e) {
    Title(e, "打印示例：打印条码，部分型号支持");
    e.SetBarcodeWidth(2);
    e.SetBarcodeHeight(96);
    e.SetBarcodeTextPosition(2);
    const std::string digits = "012345678900";
    e.PrintBarcode(67, std::vector<std::uint8_t>(digits.begin(), digits.end()));
    e.LineFeed();
    e.LineFeed();
}

void CutPaper(PrintEngine& e) {
    Title(e, "打印示例：切纸方式，部分型号支持");
    Text(e, "半切");
    e.LineFeed();
    e.Cut(true, 50);
    Text(e, "全切");
    e.LineFeed();
    e.Cut(false, 50);
    e.LineFeed();
    e.LineFeed();
}

class DemoOutput {
  public:
    std::filesystem::path Path(const std::string& name) const {
        const char* keep = std::getenv("EMU_RENDER_LOOK_DIR");
        if (keep && *keep) {
            std::filesystem::create_directories(keep);
            return std::filesystem::path(keep) / name;
        }
        return m_dir / name;
    }

  private:
    testsupport::TempDir m_dir;
};

PaperImage RenderAndSave(const std::function<void(PrintEngine&)>& demo, const std::string& name,
                         int width = 384) {
    PrintEngine engine(width);
    demo(engine);
    const PaperImage image = engine.Snapshot();
    DemoOutput output;
    std::string error;
    EXPECT_TRUE(emu::WritePng(image, output.Path(name).string(), &error)) << error;
    return image;
}

TEST(RenderDemo, FontStyleSamplesShareOneLine) {
    const PaperImage image = RenderAndSave(FontStyle, "font-style.png");
    // Title 30 rows, then one line holding double-height and single-height samples: 54 rows.
    const auto sample = InkBox(image, 30, 84);
    EXPECT_LT(sample.top, 36);
    EXPECT_GT(sample.bottom, 30 + 44);
    EXPECT_EQ(image.height, 30 + 54 + 60);
    EXPECT_GT(sample.right, 4 * 48 + 24 + 5 * 24) << "the double-width sample, then the italic one";
}

TEST(RenderDemo, ReverseFeedsPutTheLateTextBetweenEarlierLines) {
    const PaperImage image = RenderAndSave(PrintAndFeed, "print-and-feed.png");
    // The first section: text at 30, at 130, and the late text 24 dots above 130 at x >= 204.
    EXPECT_GE(InkBox(image, 106, 130).left, 17 * 12);
    EXPECT_LT(InkBox(image, 130, 154).left, 12);
}

TEST(RenderDemo, EveryDemonstrationRendersLegibly) {
    const std::vector<std::pair<std::string, std::function<void(PrintEngine&)>>> demos = {
        {"margins", Margins},
        {"absolute-position", AbsolutePosition},
        {"gray-level", GrayLevel},
        {"horizontal-tab", HorizontalTab},
        {"vertical-table", VerticalTable},
        {"raster-image", RasterImage},
        {"alignment", Alignment},
        {"barcode", Barcode},
    };
    for (const auto& [name, demo] : demos) {
        for (int width : {384, 576}) {
            const PaperImage image =
                RenderAndSave(demo, name + "-" + std::to_string(width) + ".png", width);
            EXPECT_FALSE(InkBox(image, 30, image.height).Empty()) << name << " at " << width;
        }
    }
}

TEST(RenderDemo, AllDemonstrationsOnOneRoll) {
    PrintEngine engine;
    std::vector<PaperImage> receipts;
    engine.SetPageCallback([&](const PaperImage& page) { receipts.push_back(page); });
    for (const auto& demo :
         {FontStyle, PrintAndFeed, Margins, AbsolutePosition, GrayLevel, HorizontalTab,
          VerticalTable, RasterImage, Alignment, Barcode, CutPaper})
        demo(engine);
    ASSERT_EQ(receipts.size(), 1u);
    DemoOutput output;
    std::string error;
    EXPECT_TRUE(emu::WritePng(receipts[0], output.Path("all-demonstrations.png").string(), &error))
        << error;
    EXPECT_EQ(engine.Snapshot().height, 60) << "the two line feeds after the full cut";
    EXPECT_FALSE(engine.HasContent());
}

}  // namespace
