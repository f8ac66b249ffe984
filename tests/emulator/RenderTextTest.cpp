#include <gtest/gtest.h>

#include <functional>

#include "emulator/rendering/Glyph.h"
#include "tests/emulator/RenderHelpers.h"

using emu::PaperImage;
using emu::PrintEngine;
using rendertest::Feed;
using rendertest::Gbk;
using rendertest::InkBox;

namespace {

PaperImage Render(const std::function<void(PrintEngine&)>& script, int width = 384) {
    PrintEngine engine(width);
    script(engine);
    return engine.Snapshot();
}

// True when `image` holds exactly `reference`'s 24-row line moved right by dx dots.
::testing::AssertionResult SameLineShifted(const PaperImage& reference, const PaperImage& image,
                                           int dx) {
    for (int y = 0; y < emu::Glyph::kHeight; ++y)
        for (int x = 0; x < image.width; ++x) {
            const int rx = x - dx;
            const std::uint8_t want = rx >= 0 && rx < reference.width ? reference.At(rx, y) : 255;
            if (image.At(x, y) != want)
                return ::testing::AssertionFailure()
                       << "dot (" << x << ", " << y << ") is " << int(image.At(x, y))
                       << ", expected " << int(want);
        }
    return ::testing::AssertionSuccess();
}

TEST(RenderText, FontAGlyphOccupiesItsTwelveDotColumn) {
    const PaperImage one = Render([](PrintEngine& e) {
        Feed(e, "A");
        e.LineFeed();
    });
    const auto box = InkBox(one);
    ASSERT_FALSE(box.Empty());
    EXPECT_GE(box.left, 0);
    EXPECT_LE(box.right, 11);
    EXPECT_LT(box.bottom, emu::Glyph::kHeight);
    EXPECT_EQ(one.height, 30) << "one single-height line feeds the default spacing";

    const PaperImage two = Render([](PrintEngine& e) {
        Feed(e, " A");
        e.LineFeed();
    });
    EXPECT_TRUE(SameLineShifted(one, two, 12));
}

TEST(RenderText, SizeMultipliersScaleEveryDot) {
    const PaperImage single = Render([](PrintEngine& e) {
        Feed(e, "W");
        e.LineFeed();
    });
    struct Case {
        const char* name;
        std::function<void(PrintEngine&)> select;
        int sx, sy;
    };
    const Case cases[] = {
        {"ESC ! double width", [](PrintEngine& e) { e.SetPrintMode(0x20); }, 2, 1},
        {"ESC ! double height", [](PrintEngine& e) { e.SetPrintMode(0x10); }, 1, 2},
        {"ESC ! both", [](PrintEngine& e) { e.SetPrintMode(0x30); }, 2, 2},
        {"GS ! 3 x 4", [](PrintEngine& e) { e.SetCharacterSize(0x23); }, 3, 4},
    };
    for (const Case& c : cases) {
        const PaperImage big = Render([&](PrintEngine& e) {
            c.select(e);
            Feed(e, "W");
            e.LineFeed();
        });
        for (int y = 0; y < emu::Glyph::kHeight * c.sy; ++y)
            for (int x = 0; x < 12 * c.sx + 4; ++x) {
                const std::uint8_t want = x < 12 * c.sx ? single.At(x / c.sx, y / c.sy) : 255;
                ASSERT_EQ(big.At(x, y), want) << c.name << " at (" << x << ", " << y << ")";
            }
    }
}

TEST(RenderText, HorizontalPlacementCommands) {
    const PaperImage reference = Render([](PrintEngine& e) {
        Feed(e, "H");
        e.LineFeed();
    });
    struct Case {
        const char* name;
        std::function<void(PrintEngine&)> setup;
        int dx;
    };
    const Case cases[] = {
        {"left margin ESC l 10 is 80 dots", [](PrintEngine& e) { e.SetLeftMargin(10); }, 80},
        {"left margin GS L in dots", [](PrintEngine& e) { e.SetLeftMarginDots(37); }, 37},
        {"absolute position ESC $ 100", [](PrintEngine& e) { e.SetAbsolutePosition(100); }, 100},
        {"absolute position counts from the left margin",
         [](PrintEngine& e) {
             e.SetLeftMargin(2);
             e.SetAbsolutePosition(20);
         },
         36},
        {"absolute position beyond the area is ignored",
         [](PrintEngine& e) { e.SetAbsolutePosition(384); }, 0},
        {"centred", [](PrintEngine& e) { e.SetAlignment(1); }, (384 - 12) / 2},
        {"right aligned", [](PrintEngine& e) { e.SetAlignment(2); }, 384 - 12},
        {"right aligned inside margins",
         [](PrintEngine& e) {
             e.SetLeftMargin(10);
             e.SetRightMargin(10);
             e.SetAlignment(2);
         },
         384 - 80 - 12},
        {"alignment given as ASCII digit", [](PrintEngine& e) { e.SetAlignment('2'); }, 384 - 12},
        {"print area width GS W",
         [](PrintEngine& e) {
             e.SetPrintAreaWidth(100);
             e.SetAlignment(2);
         },
         100 - 12},
        {"margin leaving no room is ignored", [](PrintEngine& e) { e.SetLeftMargin(47); }, 0},
    };
    for (const Case& c : cases) {
        const PaperImage image = Render([&](PrintEngine& e) {
            c.setup(e);
            Feed(e, "H");
            e.LineFeed();
        });
        EXPECT_TRUE(SameLineShifted(reference, image, c.dx)) << c.name;
    }
}

TEST(RenderText, AbsolutePositionHoldsForOneLineOnly) {
    const PaperImage image = Render([](PrintEngine& e) {
        e.SetAbsolutePosition(100);
        Feed(e, "H");
        e.LineFeed();
        Feed(e, "H");
        e.LineFeed();
    });
    EXPECT_EQ(InkBox(image, 0, 30).left, InkBox(image, 30, 60).left + 100);
}

TEST(RenderText, MarginsTakeEffectAtTheNextLine) {
    const PaperImage image = Render([](PrintEngine& e) {
        Feed(e, "H");
        e.SetLeftMargin(10);
        Feed(e, "H");
        e.LineFeed();
        Feed(e, "H");
        e.LineFeed();
    });
    EXPECT_EQ(InkBox(image, 0, 30).left + 80, InkBox(image, 30, 60).left);
    EXPECT_LT(InkBox(image, 0, 30).right, 24);
}

TEST(RenderText, TabStopsInTwelveDotColumns) {
    const PaperImage reference = Render([](PrintEngine& e) {
        Feed(e, "H");
        e.LineFeed();
    });
    const auto left = [](const PaperImage& image, int x0) {
        for (int x = x0; x < image.width; ++x)
            for (int y = 0; y < 24; ++y)
                if (image.At(x, y) < 255) return x;
        return -1;
    };
    const int glyphLeft = left(reference, 0);
    const PaperImage tabs = Render([](PrintEngine& e) {
        e.SetTabStops({3, 6});
        Feed(e, "H\tH\tH\tH");
        e.LineFeed();
    });
    // Stops at 36 and 72; past the last stop HT does nothing, so the fourth H follows the third.
    EXPECT_EQ(left(tabs, 0), glyphLeft);
    EXPECT_EQ(left(tabs, 12), 36 + glyphLeft);
    EXPECT_EQ(left(tabs, 48), 72 + glyphLeft);
    EXPECT_EQ(left(tabs, 84), 84 + glyphLeft);

    const PaperImage wide = Render([](PrintEngine& e) {
        e.SetTabStops({3});
        e.SetPrintMode(0x20);
        e.HorizontalTab();
        Feed(e, "H");
        e.LineFeed();
    });
    EXPECT_EQ(left(wide, 0), 72 + 2 * glyphLeft) << "double width doubles the tab column";

    const PaperImage beyond = Render([](PrintEngine& e) {
        e.SetTabStops({40});
        Feed(e, "H\tH");
        e.LineFeed();
    });
    EXPECT_EQ(InkBox(beyond, 30, 60).left, glyphLeft) << "a stop past the paper ends the line";
}

TEST(RenderText, DefaultTabsEveryEightColumnsAfterReset) {
    const PaperImage image = Render([](PrintEngine& e) {
        e.SetTabStops({});
        e.Initialize();
        Feed(e, "\tH");
        e.LineFeed();
    });
    EXPECT_GE(InkBox(image).left, 96);
    EXPECT_LT(InkBox(image).left, 108);
}

TEST(RenderText, WrapsAtTheRightEdgeOfThePrintableArea) {
    const PaperImage full = Render([](PrintEngine& e) {
        Feed(e, std::string(33, 'H'));
        e.LineFeed();
    });
    EXPECT_GT(InkBox(full, 0, 30).right, 372);
    EXPECT_LT(InkBox(full, 30, 60).right, 12) << "the 33rd character starts the next line";
    EXPECT_EQ(full.height, 60);

    const PaperImage margins = Render([](PrintEngine& e) {
        e.SetLeftMargin(10);
        e.SetRightMargin(10);
        Feed(e, std::string(19, 'H'));
        e.LineFeed();
    });
    EXPECT_GE(InkBox(margins, 0, 30).left, 80);
    EXPECT_LT(InkBox(margins, 0, 30).right, 304);
    EXPECT_GE(InkBox(margins, 30, 60).left, 80);
    EXPECT_LT(InkBox(margins, 30, 60).right, 92) << "18 fit in 224 dots, the 19th wraps";
}

TEST(RenderText, GrayLevelSetsDotDarkness) {
    struct Case {
        int level;
        std::uint8_t dot;
    };
    for (const Case c : {Case{8, 0}, Case{4, 128}, Case{1, 224}, Case{0, 0}, Case{9, 0}}) {
        const PaperImage image = Render([&](PrintEngine& e) {
            e.SetGrayLevel(static_cast<std::uint8_t>(c.level));
            Feed(e, "H");
            e.LineFeed();
        });
        std::uint8_t darkest = 255;
        for (std::uint8_t v : image.gray) darkest = std::min(darkest, v);
        EXPECT_EQ(darkest, c.dot) << "level " << c.level;
    }
}

TEST(RenderText, UnderlineRunsUnderTheCellsAtTheBottom) {
    struct Case {
        const char* name;
        std::function<void(PrintEngine&)> select;
        int firstRow;
    };
    const Case cases[] = {
        {"ESC ! bit 7: two dots", [](PrintEngine& e) { e.SetPrintMode(0x80); }, 22},
        {"ESC - 1: one dot", [](PrintEngine& e) { e.SetUnderline(1); }, 23},
        {"ESC - 2: two dots", [](PrintEngine& e) { e.SetUnderline(2); }, 22},
    };
    for (const Case& c : cases) {
        const PaperImage image = Render([&](PrintEngine& e) {
            c.select(e);
            Feed(e, "  ");
            e.LineFeed();
        });
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x)
                ASSERT_EQ(image.At(x, y) == 0, y >= c.firstRow && y < 24 && x < 24)
                    << c.name << " (" << x << ", " << y << ")";
    }
}

TEST(RenderText, MixedHeightsShareTheBaseline) {
    // The low line of "_" starts right under the baseline at every size.
    const PaperImage image = Render([](PrintEngine& e) {
        Feed(e, "_");
        e.SetPrintMode(0x30);
        Feed(e, "_");
        e.SetCharacterSize(0x03);
        Feed(e, "_");
        e.LineFeed();
    });
    const int single = InkBox(image).top;
    EXPECT_EQ(single, 4 * emu::Glyph::kAscent) << "the baseline follows the tallest character";
    for (int x : {5, 20, 42}) EXPECT_EQ(image.At(x, single), 0) << x;
    EXPECT_EQ(image.At(5, single - 1), 255);
    EXPECT_EQ(image.At(20, single - 1), 255);
    EXPECT_EQ(image.At(42, single - 1), 255);
    EXPECT_EQ(image.height, 4 * 24 + 6);
}

TEST(RenderText, BoldOverstrikesAndItalicLeans) {
    const PaperImage plain = Render([](PrintEngine& e) {
        Feed(e, "I");
        e.LineFeed();
    });
    const PaperImage bold = Render([](PrintEngine& e) {
        e.SetEmphasized(true);
        Feed(e, "I");
        e.LineFeed();
    });
    const PaperImage italic = Render([](PrintEngine& e) {
        e.SetPrintMode(0x02);
        Feed(e, "I");
        e.LineFeed();
    });
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 12; ++x)
            if (plain.At(x, y) == 0) {
                ASSERT_EQ(bold.At(x, y), 0);
                ASSERT_EQ(bold.At(x + 1, y), 0);
            }
    EXPECT_GT(rendertest::InkCount(bold), rendertest::InkCount(plain));
    const auto plainBox = InkBox(plain), italicBox = InkBox(italic);
    EXPECT_EQ(InkBox(italic, plainBox.top, plainBox.top + 1).left,
              InkBox(plain, plainBox.top, plainBox.top + 1).left +
                  (emu::Glyph::kAscent - plainBox.top) / 4);
    EXPECT_EQ(italicBox.bottom, plainBox.bottom);
}

TEST(RenderText, LineFeedAmounts) {
    struct Case {
        const char* name;
        std::function<void(PrintEngine&)> script;
        int height;
    };
    const Case cases[] = {
        {"empty line", [](PrintEngine& e) { e.LineFeed(); }, 30},
        {"ESC 3 sets the spacing",
         [](PrintEngine& e) {
             e.SetLineSpacing(50);
             Feed(e, "H");
             e.LineFeed();
         },
         50},
        {"ESC 2 restores it",
         [](PrintEngine& e) {
             e.SetLineSpacing(50);
             e.SetDefaultLineSpacing();
             e.LineFeed();
         },
         30},
        {"double height keeps the gap",
         [](PrintEngine& e) {
             e.SetPrintMode(0x10);
             Feed(e, "H");
             e.LineFeed();
         },
         54},
        {"spacing below the glyph height",
         [](PrintEngine& e) {
             e.SetLineSpacing(10);
             Feed(e, "H");
             e.LineFeed();
         },
         24},
        {"ESC J feeds dots",
         [](PrintEngine& e) {
             Feed(e, "H");
             e.FeedDots(100);
         },
         100},
        {"ESC d feeds lines",
         [](PrintEngine& e) {
             Feed(e, "H");
             e.FeedLines(3);
         },
         90},
        {"ESC d 0 prints only",
         [](PrintEngine& e) {
             Feed(e, "g");
             e.FeedLines(0);
         },
         24},
        {"CR alone prints nothing",
         [](PrintEngine& e) {
             Feed(e, "H");
             e.CarriageReturn();
         },
         0},
        {"ESC e moves back whole lines",
         [](PrintEngine& e) {
             e.FeedLines(4);
             e.ReverseFeedLines(2);
             Feed(e, "g");
             e.FeedLines(0);
         },
         120},
    };
    for (const Case& c : cases) EXPECT_EQ(Render(c.script).height, c.height) << c.name;
}

TEST(RenderText, ReverseFeedMovesTheHeadBackAndOverprints) {
    const PaperImage image = Render([](PrintEngine& e) {
        e.SetGrayLevel(4);
        Feed(e, "A");
        e.FeedDots(24);
        e.ReverseFeedDots(24);
        e.SetGrayLevel(8);
        Feed(e, "A_");
        e.LineFeed();
    });
    const PaperImage single = Render([](PrintEngine& e) {
        Feed(e, "A_");
        e.LineFeed();
    });
    EXPECT_EQ(image.height, 30) << "the second line was printed 24 dots up, over the first";
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(image.At(x, y), single.At(x, y))
                << "darkest wins at (" << x << ", " << y << ")";

    const PaperImage top = Render([](PrintEngine& e) {
        e.ReverseFeedDots(255);
        e.ReverseFeedLines(9);
        Feed(e, "H");
        e.LineFeed();
    });
    EXPECT_EQ(top.height, 30) << "the head stops at the top of the receipt";
}

TEST(RenderText, ClearBufferAndInitializeDropTheUnprintedLine) {
    const PaperImage cleared = Render([](PrintEngine& e) {
        Feed(e, "HHH");
        e.ClearBuffer();
        Feed(e, "I");
        e.LineFeed();
    });
    EXPECT_LT(InkBox(cleared).right, 12);
    const PaperImage reset = Render([](PrintEngine& e) {
        e.SetPrintMode(0xBA);
        e.SetLeftMargin(5);
        e.SetGrayLevel(2);
        e.SetLineSpacing(80);
        Feed(e, "HHH");
        e.Initialize();
        Feed(e, "H");
        e.LineFeed();
    });
    const PaperImage plain = Render([](PrintEngine& e) {
        Feed(e, "H");
        e.LineFeed();
    });
    EXPECT_EQ(reset.gray, plain.gray);
}

TEST(RenderText, GbkCharactersAndTheirFallbacks) {
    PrintEngine probe;
    ASSERT_EQ(probe.FontProblems(), "")
        << "fonts missing; install xfonts-base and fonts-wqy-zenhei";
    const auto render = [](const std::string& bytes) {
        return Render([&](PrintEngine& e) {
            Feed(e, bytes);
            e.LineFeed();
        });
    };
    const PaperImage box = render("\xAA\xA1");  // user-defined area: no glyph anywhere
    EXPECT_EQ(box.At(1, 2), 0);
    EXPECT_EQ(box.At(22, 21), 0);
    EXPECT_EQ(box.At(12, 12), 255);
    EXPECT_EQ(InkBox(box).right, 22);

    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"GB2312 from the bitmap font", Gbk("中")},
        {"full-width colon", Gbk("：")},
        {"GBK outside GB2312 from the scalable font", Gbk("丂")},
    };
    for (const Case& c : cases) {
        const PaperImage image = render(c.bytes);
        const auto inkBox = InkBox(image);
        ASSERT_FALSE(inkBox.Empty()) << c.name;
        EXPECT_LE(inkBox.right, 23) << c.name;
        EXPECT_NE(image.gray, box.gray) << c.name;
    }
    const PaperImage pairThenAscii = render(Gbk("中") + "H");
    EXPECT_GE(InkBox(pairThenAscii).right, 24) << "a pair advances 24 dots";
    const PaperImage brokenPair = render(
        "\x81"
        " H");
    EXPECT_EQ(brokenPair.At(1, 2), 0) << "a lead byte without a trail prints as a box";
    EXPECT_GE(InkBox(brokenPair).right, 24) << "and the bytes after it print on their own";
}

TEST(RenderText, SingleByteModePrintsHighBytesOneByOne) {
    const PaperImage image = Render([](PrintEngine& e) {
        e.SetKanjiMode(false);
        Feed(e, "\xE9\xE9");
        e.LineFeed();
    });
    const auto box = InkBox(image);
    EXPECT_GE(box.right, 12);
    EXPECT_LE(box.right, 23);
}

}  // namespace
