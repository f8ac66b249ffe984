// Each demonstration's stream, as the app's handler sends it, rendered by the virtual printer to
// PNG. Set EMU_RENDER_LOOK_DIR to keep the pictures for a person to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/DemonstrationTable.h"
#include "emulator/device/PrinterCore.h"
#include "emulator/rendering/PaperImage.h"
#include "tests/app/DemoCapture.h"
#include "tests/emulator/RenderHelpers.h"
#include "tests/support/TempDir.h"

using emu::PaperImage;
using emu::PrintEngine;
using rendertest::InkBox;

namespace {

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

using Stream = std::vector<std::uint8_t>;

const Demonstration& Row(int controlId) { return *FindDemonstration(controlId); }

// The stream as the printer takes it, command by command.
void Print(PrintEngine& engine, const Stream& stream) {
    emu::PrinterCore printer(engine);
    EXPECT_EQ(printer.Feed(stream.data(), stream.size()), stream.size());
    printer.Finish();
}

PaperImage RenderAndSave(const Demonstration& demo, const std::string& name, int width = 384) {
    PrintEngine engine(width);
    Print(engine, apptest::SentBy(demo.print));
    const PaperImage image = engine.Snapshot();
    DemoOutput output;
    std::string error;
    EXPECT_TRUE(emu::WritePng(image, output.Path(name).string(), &error)) << error;
    return image;
}

TEST(RenderDemo, FontStyleSamplesShareOneLine) {
    const PaperImage image = RenderAndSave(Row(IDC_BUTTON_FONTSTYLE), "font-style.png");
    // Title 30 rows, then one line holding double-height and single-height samples: 54 rows.
    const auto sample = InkBox(image, 30, 84);
    EXPECT_LT(sample.top, 36);
    EXPECT_GT(sample.bottom, 30 + 44);
    EXPECT_EQ(image.height, 30 + 54 + 60);
    EXPECT_GT(sample.right, 4 * 48 + 24 + 5 * 24) << "the double-width sample, then the italic one";
}

TEST(RenderDemo, ReverseFeedsPutTheLateTextBetweenEarlierLines) {
    const PaperImage image = RenderAndSave(Row(IDC_BUTTON_PRINTFEED), "print-and-feed.png");
    // The first section: text at 30, at 130, and the late text 24 dots above 130 at x >= 204.
    EXPECT_GE(InkBox(image, 106, 130).left, 17 * 12);
    EXPECT_LT(InkBox(image, 130, 154).left, 12);
}

// Every other demonstration leaves ink below its title at both paper widths (the cut leaves a
// fresh, empty page, so its receipt is checked on the roll below).
TEST(RenderDemo, EveryDemonstrationRendersLegibly) {
    for (const Demonstration& demo : kDemonstrations) {
        if (demo.controlId == IDC_BUTTON_FONTSTYLE || demo.controlId == IDC_BUTTON_PRINTFEED ||
            demo.controlId == IDC_BUTTON_CUTPAPER)
            continue;
        const std::string name(demo.Name());
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
    Stream roll;
    for (const Demonstration& demo : kDemonstrations) {
        const Stream stream = apptest::SentBy(demo.print);
        roll.insert(roll.end(), stream.begin(), stream.end());
    }
    Print(engine, roll);
    // The cut demonstration's partial cut ends the roll; its full cut, the line after it.
    ASSERT_EQ(receipts.size(), 2u);
    EXPECT_FALSE(InkBox(receipts[1], 0, receipts[1].height).Empty());
    DemoOutput output;
    std::string error;
    EXPECT_TRUE(emu::WritePng(receipts[0], output.Path("all-demonstrations.png").string(), &error))
        << error;
    EXPECT_EQ(engine.Snapshot().height, 60) << "the two line feeds after the full cut";
    EXPECT_FALSE(engine.HasContent());
}

}  // namespace
