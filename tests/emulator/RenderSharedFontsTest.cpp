// Every print engine in the process shares one font set: engines on several threads, and engines
// that hold glyphs of a pending line while others add to the cache.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/emulator/RenderHelpers.h"

using emu::PaperImage;
using emu::PrintEngine;
using rendertest::Feed;

namespace {

// GBK pairs with leads [firstLead, firstLead + leads), all trails 0xA1..0xFE: inside GB2312 for
// leads up to 0xF7, scalable-font territory above. Each run of pairs ends its line.
std::string PairsFrom(int firstLead, int leads) {
    std::string text;
    for (int lead = firstLead; lead < firstLead + leads; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            text += static_cast<char>(lead);
            text += static_cast<char>(trail);
        }
        text += '\n';
    }
    return text;
}

PaperImage Print(const std::string& bytes) {
    PrintEngine engine;
    Feed(engine, bytes);
    engine.LineFeed();
    return engine.Snapshot();
}

TEST(RenderSharedFonts, EnginesOnSeveralThreadsPrintAlike) {
    // Glyphs none of them has printed yet, so the threads race to render and cache them; the
    // mix reaches both CJK fonts, which are opened on first use.
    const std::string text =
        "Total 12.50\n" + PairsFrom(0xB0, 3) + PairsFrom(0xF8, 2) + "\xAA\xA1\n";
    constexpr int kThreads = 4;
    std::vector<PaperImage> images(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&images, &text, t] { images[t] = Print(text); });
    for (std::thread& thread : threads) thread.join();

    const PaperImage alone = Print(text);
    ASSERT_GT(rendertest::InkCount(alone), 0);
    for (int t = 0; t < kThreads; ++t) {
        SCOPED_TRACE("thread " + std::to_string(t));
        EXPECT_EQ(images[t].width, alone.width);
        EXPECT_EQ(images[t].height, alone.height);
        EXPECT_TRUE(images[t].gray == alone.gray);
    }
}

TEST(RenderSharedFonts, PendingLineSurvivesAnotherEngineFillingTheCache) {
    const std::string line = "AB \xB0\xA1\xC4\xE3";
    const PaperImage reference = Print(line);

    PrintEngine pending;
    Feed(pending, line);  // the line buffer now holds glyphs from the shared cache
    PrintEngine other;
    Feed(other, PairsFrom(0xC0, 40));  // thousands of new glyphs: the cache grows many times over
    pending.LineFeed();
    const PaperImage printed = pending.Snapshot();
    EXPECT_EQ(printed.height, reference.height);
    EXPECT_TRUE(printed.gray == reference.gray);
}

}  // namespace
