#include <gtest/gtest.h>

#include "emulator/decoding/CodeTable.h"
#include "emulator/decoding/CommandDecoder.h"
#include "emulator/decoding/Trace.h"
#include "tests/emulator/RecordingSink.h"
#include "tests/emulator/StreamBytes.h"

namespace {

using emutest::Bytes;
using emutest::H;
using emutest::T;
using emutest::operator+;

struct Decoded {
    std::vector<std::string> calls;
    std::vector<std::string> trace;
};

// Feeds the stream in pieces cut at the given points, then ends it.
Decoded Decode(const Bytes& stream, const std::vector<std::size_t>& cuts = {},
               emu::CommandSet commands = emu::CommandSet::Module) {
    emutest::RecordingSink sink;
    emu::CommandDecoder decoder(sink, sink, commands);
    Decoded out;
    decoder.SetObserver(
        [&](const emu::DecodedCommand& c) { out.trace.push_back(emu::Trace::FormatCommand(c)); });
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        EXPECT_EQ(decoder.Feed(stream.data() + from, cut - from), cut - from);
        from = cut;
    }
    EXPECT_EQ(decoder.Feed(stream.data() + from, stream.size() - from), stream.size() - from);
    decoder.Finish();
    out.calls = sink.calls;
    return out;
}

struct CommandCase {
    const char* name;
    Bytes bytes;
    std::vector<std::string> calls;
};

const Bytes kDemoTableRow = H("1C 56 05 00 08 10 18 20 04 02 0A 12 1A 02") + T("  A  ") +
                            H("00 01") + T("  1") + H("00 01") + T("  2") + H("00 01") + T("  3") +
                            H("00");

const std::vector<CommandCase> kCommands = {
    {"LF", H("0A"), {"LineFeed"}},
    {"CR", H("0D"), {"CarriageReturn"}},
    {"HT", H("09"), {"HorizontalTab"}},
    {"GBK text", H("B2 E2 41"), {"Text B2", "Text E2", "Text 41"}},
    {"ESC J", H("1B 4A 64"), {"FeedDots 100"}},
    {"ESC K", H("1B 4B 18"), {"ReverseFeedDots 24"}},
    {"ESC d", H("1B 64 03"), {"FeedLines 3"}},
    {"ESC e", H("1B 65 01"), {"ReverseFeedLines 1"}},
    {"ESC l", H("1B 6C 0A"), {"SetLeftMargin 10"}},
    {"ESC Q", H("1B 51 05"), {"SetRightMargin 5"}},
    {"ESC $ low byte", H("1B 24 64 00"), {"SetAbsolutePosition 100"}},
    {"ESC $ high byte", H("1B 24 2C 01"), {"SetAbsolutePosition 300"}},
    {"ESC !", H("1B 21 38"), {"SetPrintMode 56"}},
    {"ESC a", H("1B 61 01"), {"SetAlignment 1"}},
    {"ESC m", H("1B 6D 03"), {"SetGrayLevel 3"}},
    {"ESC D", H("1B 44 08 10 18 00"), {"SetTabStops [08 10 18]"}},
    {"ESC D empty", H("1B 44 00"), {"SetTabStops []"}},
    {"ESC @", H("1B 40"), {"Initialize"}},
    {"ESC E", H("1B 45 01"), {"SetEmphasized 1"}},
    {"ESC -", H("1B 2D 02"), {"SetUnderline 2"}},
    {"ESC 2", H("1B 32"), {"SetDefaultLineSpacing"}},
    {"ESC 3", H("1B 33 28"), {"SetLineSpacing 40"}},
    {"ESC t", H("1B 74 00"), {"SelectCodeTable 0"}},
    {"FS &", H("1C 26"), {"SetKanjiMode 1"}},
    {"FS .", H("1C 2E"), {"SetKanjiMode 0"}},
    {"GS !", H("1D 21 11"), {"SetCharacterSize 17"}},
    {"GS L", H("1D 4C 10 00"), {"SetLeftMarginDots 16"}},
    {"GS W", H("1D 57 80 01"), {"SetPrintAreaWidth 384"}},
    {"GS v 0",
     H("1D 76 30 00 02 00 02 00 AA BB CC DD"),
     {"RasterBegin 0 2 2", "RasterRow AA BB", "RasterRow CC DD", "RasterEnd"}},
    {"GS v 0 empty", H("1D 76 30 00 00 00 05 00"), {"RasterBegin 0 0 5", "RasterEnd"}},
    {"FS V demonstration row",
     kDemoTableRow,
     {"TableRow [00 08 10 18 20] {2 2 [20 20 41 20 20]} {10 1 [20 20 31]} {18 1 [20 20 32]} {26 1 "
      "[20 20 33]}"}},
    {"FS V without cells", H("1C 56 02 00 08 00"), {"TableRow [00 08]"}},
    {"FS V empty cell", H("1C 56 00 01 05 01 00"), {"TableRow [] {5 1 []}"}},
    {"GS h", H("1D 68 60"), {"SetBarcodeHeight 96"}},
    {"GS w", H("1D 77 02"), {"SetBarcodeWidth 2"}},
    {"GS H", H("1D 48 02"), {"SetBarcodeTextPosition 2"}},
    {"GS k form 2",
     H("1D 6B 43 0C") + T("012345678900"),
     {"PrintBarcode 67 [30 31 32 33 34 35 36 37 38 39 30 30]"}},
    {"GS k form 2 empty", H("1D 6B 49 00"), {"PrintBarcode 73 []"}},
    {"GS k form 1", H("1D 6B 04") + T("AB-1") + H("00"), {"PrintBarcode 69 [41 42 2D 31]"}},
    {"GS V partial with feed", H("1D 56 42 32"), {"Cut partial 50"}},
    {"GS V full with feed", H("1D 56 41 32"), {"Cut full 50"}},
    {"GS V 0", H("1D 56 00"), {"Cut full 0"}},
    {"GS V 1", H("1D 56 01"), {"Cut partial 0"}},
    {"GS V 48", H("1D 56 30"), {"Cut full 0"}},
    {"GS V 49", H("1D 56 31"), {"Cut partial 0"}},
    {"DLE DC4 clear buffers", H("10 14 08 01 03 14 01 06 02 08"), {"ClearBuffers @0"}},
    {"DLE EOT 5 after text", T("AB") + H("10 04 05"), {"Text 41", "Text 42", "StatusRequest @2 5"}},
    {"GS a", H("1D 61 2F"), {"AutoStatus 47"}},
    {"GS ( E baud 9600", H("1D 28 45 06 00 0B 01 39 36 30 30"), {"SetBaudRate 9600"}},
    {"GS ( E baud 115200", H("1D 28 45 08 00 0B 01 31 31 35 32 30 30"), {"SetBaudRate 115200"}},
    {"GS ( E baud 110", H("1D 28 45 05 00 0B 01 31 31 30"), {"SetBaudRate 110"}},
    {"GS ( E handshake none", H("1D 28 45 03 00 0B 03 00"), {"SetHandshake 0"}},
    {"GS ( E handshake hardware", H("1D 28 45 03 00 0B 03 30"), {"SetHandshake 1"}},
    {"GS ( E handshake software", H("1D 28 45 03 00 0B 03 31"), {"SetHandshake 2"}},
    {"ESC * 8-dot bit image",
     H("1B 2A 00 03 00 0A 0A 0A 41"),
     {"BitImage 0 3 [0A 0A 0A]", "Text 41"}},
    {"ESC * 24-dot data is three bytes a column",
     H("1B 2A 21 01 00 0A 0A 0A 41"),
     {"BitImage 33 1 [0A 0A 0A]", "Text 41"}},
    {"GS ( k setting makes no call", H("1D 28 6B 04 00 31 41 32 00 41"), {"Text 41"}},
    {"GS ( k QR code stored and printed",
     H("1D 28 6B 06 00 31 50 30 41 42 43 1D 28 6B 03 00 31 51 30"),
     {"PrintMatrix 21x21 at 3x3"}},
    {"GS ( L graphics stored and printed",
     H("1D 28 4C 0E 00 30 70 30 01 02 31 10 00 02 00 AB CD EF 01 1D 28 4C 02 00 30 32"),
     {"StoreGraphics 16x2 scale 1x2 [AB CD EF 01]", "PrintGraphics"}},
    {"GS 8 L graphics with a four-byte length",
     H("1D 38 4C 0C 00 00 00 30 70 30 02 01 31 08 00 02 00 F0 0F"),
     {"StoreGraphics 8x2 scale 2x1 [F0 0F]"}},
    {"DLE DC4 enter sleep", H("10 14 02 01 08"), {"EnterSleep @0"}},
    {"DLE DC4 leave sleep", H("10 14 02 02 08"), {"LeaveSleep @0"}},
    {"DLE DC4 drawer pulse", H("10 14 01 01 08"), {"Pulse @0 1 8"}},
    // Stored graphics: NV (kept between runs) and download (for the run), raster and column data.
    {"GS ( L NV graphics defined and printed by key",
     H("1D 28 4C 0F 00 30 43 30 41 42 01 10 00 02 00 31 AB CD EF 01") +
         H("1D 28 4C 06 00 30 45 41 42 01 02"),
     {"PrintImage 16x2 scale 1x2 [AB CD EF 01]"}},
    {"GS ( L column data read down each column",
     H("1D 28 4C 0D 00 30 44 30 20 20 01 02 00 08 00 31 F0 0F") +
         H("1D 28 4C 06 00 30 45 20 20 01 01"),
     {"PrintImage 2x8 scale 1x1 [80 80 80 80 40 40 40 40]"}},
    {"GS 8 L download graphics",
     H("1D 38 4C 0C 00 00 00 30 53 30 7E 7E 01 08 00 01 00 31 5A") +
         H("1D 28 4C 06 00 30 55 7E 7E 02 01"),
     {"PrintImage 8x1 scale 2x1 [5A]"}},
    {"GS ( L NV capacity", H("1D 28 4C 02 00 30 30"), {"Transmit 37 30 32 36 32 31 34 34 00"}},
    {"GS ( L key code lists: NV keys AB and CD, no download graphics",
     H("1D 28 4C 0C 00 30 43 30 43 44 01 08 00 01 00 31 FF") +
         H("1D 28 4C 0C 00 30 43 30 41 42 01 08 00 01 00 31 FF") +
         H("1D 28 4C 04 00 30 40 4B 43 1D 28 4C 04 00 30 50 4B 43"),
     {"Transmit 37 70 40 41 42 43 44 00", "Transmit 37 72 40 00"}},
    {"GS ( L remaining download capacity after a definition",
     H("1D 28 4C 0C 00 30 53 30 41 41 01 08 00 01 00 31 FF 1D 28 4C 02 00 30 34"),
     {"Transmit 37 32 32 36 32 31 34 33 00"}},
    {"FS q and FS p: NV bit image 1, 8 x 8 dots, at double width",
     H("1C 71 01 01 00 01 00 80 40 20 10 08 04 02 01 1C 70 01 01"),
     {"PrintImage 8x8 scale 2x1 [80 40 20 10 08 04 02 01]"}},
    {"GS * and GS /: the downloaded bit image",
     H("1D 2A 01 01 FF 00 FF 00 FF 00 FF 00 1D 2F 30"),
     {"PrintImage 8x8 scale 1x1 [AA AA AA AA AA AA AA AA]"}},
    // UTF-8 (FS ( C 48 2, back with 48 1): a lead cut short, a stray continuation byte, an
    // overlong form and a surrogate are each one invalid character per broken start.
    {"FS ( C UTF-8 text, well formed and not",
     H("1C 28 43 02 00 30 02 C3 A9 E2 82 AC F0 9F 98 80 41 E2 82 41 80 C0 AF ED A0 1C 28 43 02 00 "
       "30 31 C3"),
     {"SelectUtf8 1", "Unicode E9", "Unicode 20AC", "Unicode 1F600", "Unicode 41",
      "Unicode invalid", "Unicode 41", "Unicode invalid", "Unicode invalid", "Unicode invalid",
      "Unicode invalid", "Unicode invalid", "SelectUtf8 0", "Text C3"}},
    {"FS ( C font priority", H("1C 28 43 03 00 3C 01 0B"), {"SetFontPriority 1 11"}},
    {"ESC @ leaves UTF-8",
     H("1C 28 43 02 00 30 32 1B 40 C3"),
     {"SelectUtf8 1", "Initialize", "Text C3"}},
    {"ESC & two characters, ESC %, ESC ?",
     H("1B 26 03 41 42 02 FF 00 00 00 FF 00 00 1B 25 01 1B 3F 42"),
     {"DefineUserCharacter 41 2x3 [FF 00 00 00 FF 00]", "DefineUserCharacter 42 0x3 []",
      "SelectUserCharacters 1", "CancelUserCharacter 66"}},
};

// Skipped commands; most end with "A" so the row also shows where decoding resumes.
const std::vector<CommandCase> kSkipped = {
    {"unknown ESC x skips two bytes", H("1B 7A 41"), {"Text 41"}},
    {"unknown GS x", H("1D 7A 41"), {"Text 41"}},
    {"unknown FS x", H("1C 7A 41"), {"Text 41"}},
    {"unknown DLE x", H("10 7A 41"), {"Text 41"}},
    {"unknown control byte", H("01 00"), {}},
    {"GS v other than 0", H("1D 76 31 41"), {"Text 41"}},
    {"known ESC command not acted on", H("1B 55 01 41"), {"Text 41"}},
    {"ESC c takes two parameters", H("1B 63 35 00 41"), {"Text 41"}},
    {"clear buffers with wrong check bytes", H("10 14 08 01 03 14 01 06 02 09 41"), {"Text 41"}},
    {"DLE DC4 unknown function", H("10 14 07 41"), {"Text 41"}},
    {"DLE DC4 2 with other arguments", H("10 14 02 03 08 41"), {"Text 41"}},
    {"DLE DC4 pulse longer than 800 ms", H("10 14 01 00 09 41"), {"Text 41"}},
    {"DLE EOT other request still reaches the printer", H("10 04 01"), {"StatusRequest @0 1"}},
    {"DLE ENQ", H("10 05 02 41"), {"Text 41"}},
    {"GS ( E baud with a letter", H("1D 28 45 06 00 0B 01 39 36 3F 30 41"), {"Text 41"}},
    {"GS ( E baud too low", H("1D 28 45 04 00 0B 01 39 39 41"), {"Text 41"}},
    {"GS ( E unknown handshake", H("1D 28 45 03 00 0B 03 32 41"), {"Text 41"}},
    {"GS ( E other function", H("1D 28 45 03 00 0C 01 00 41"), {"Text 41"}},
    {"GS V other mode", H("1D 56 63 41"), {"Text 41"}},
    {"FS ( C encoding neither 1 nor 2", H("1C 28 43 02 00 30 03 41"), {"Text 41"}},
    {"FS ( C font that does not exist", H("1C 28 43 03 00 3C 00 15 41"), {"Text 41"}},
    {"FS ( C other function", H("1C 28 43 03 00 31 00 00 41"), {"Text 41"}},
    {"GS V 97 takes its feed byte", H("1D 56 61 05 41"), {"Text 41"}},
    {"GS k unknown system", H("1D 6B 07 41"), {"Text 41"}},
    {"GS k form 1 ended by a control byte", H("1D 6B 04 41 42 0A"), {"LineFeed"}},
    {"GS ( L print of a key not defined", H("1D 28 4C 06 00 30 45 41 42 01 01 41"), {"Text 41"}},
    {"FS p of an image not defined", H("1C 70 03 00 41"), {"Text 41"}},
    {"GS / with nothing downloaded", H("1D 2F 00 41"), {"Text 41"}},
    {"GS * larger than the reference allows",
     H("1D 2A 40 19") + emutest::Repeat(0, 0x40 * 0x19 * 8) + T("A"),
     {"Text 41"}},
    {"ESC & with codes out of range", H("1B 26 03 20 7F 41"), {"Text 41"}},
};

TEST(CoreDecoder, EachCommandMakesItsCall) {
    for (const CommandCase& c : kCommands) {
        EXPECT_EQ(Decode(c.bytes).calls, c.calls) << c.name;
    }
}

TEST(CoreDecoder, SkipsUnknownAndMalformedCommandsAndTracesThem) {
    for (const CommandCase& c : kSkipped) {
        Decoded d = Decode(c.bytes);
        EXPECT_EQ(d.calls, c.calls) << c.name;
        ASSERT_FALSE(d.trace.empty()) << c.name;
        const std::string& first = d.trace.front();
        bool explained = first.find("skipped") != std::string::npos ||
                         first.find("ignored") != std::string::npos ||
                         first.find("not answered") != std::string::npos ||
                         first.find("nothing printed") != std::string::npos ||
                         first.find("nothing stored") != std::string::npos;
        EXPECT_TRUE(explained) << c.name << ": " << first;
    }
}

// Images and 2D codes that cannot print: consumed exactly (the "A" after them is text), traced.
TEST(CoreDecoder, ImagesAndCodesThatCannotPrintSayWhy) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::vector<std::string> calls;
        const char* traced;
    };
    Bytes tooLong = H("1D 28 6B B5 1B 31 50 30") + emutest::Repeat('1', 7090);  // 7090 + 3 bytes
    const Case cases[] = {
        {"print without a store", H("1D 28 6B 03 00 31 51 30 41"), {"Text 41"}, "no data stored"},
        {"data longer than any symbol", tooLong + T("A"), {"Text 41"}, "longer than 7089"},
        {"module size out of range", H("1D 28 6B 03 00 31 43 11 41"), {"Text 41"}, "out of range"},
        {"data the symbol cannot carry",
         H("1D 28 6B 04 00 31 41 33 00 1D 28 6B 2B 00 31 50 30") + emutest::Repeat('x', 40) +
             H("1D 28 6B 03 00 31 51 30 41"),
         {"Text 41"},
         "cannot encode"},
        {"symbology without support (Composite)",
         H("1D 28 6B 03 00 34 43 02 41"),
         {"Text 41"},
         "not supported"},
        {"stacked DataBar of no such type",
         H("1D 28 6B 06 00 33 50 30 4A 31 32 1D 28 6B 03 00 33 51 30 41"),
         {"Text 41"},
         "none of 72, 73, 76"},
        {"stacked DataBar with no GTIN",
         H("1D 28 6B 06 00 33 50 30 48 31 32 1D 28 6B 03 00 33 51 30 41"),
         {"Text 41"},
         "no GTIN"},
        {"Expanded Stacked narrower than a row",
         H("1D 28 6B 04 00 33 47 69 00 41"),
         {"Text 41"},
         "out of range 106..39528"},
        {"block too short", H("1D 28 6B 01 00 31 41"), {"Text 41"}, "too short"},
        {"graphics lengths disagree",
         H("1D 28 4C 0D 00 30 70 30 01 01 31 08 00 02 00 F0 0F 00 41"),
         {"Text 41"},
         "expected, nothing stored"},
        {"graphics in a second colour",
         H("1D 28 4C 0C 00 30 70 30 01 01 32 08 00 02 00 F0 0F 41"),
         {"Text 41"},
         "colour 50"},
        {"graphics key code request without KC",
         H("1D 28 4C 04 00 30 40 4B 44 41"),
         {"Text 41"},
         "without \"KC\""},
        {"bit image mode unknown", H("1B 2A 02 01 00 41"), {"Text 41"}, "unknown"},
    };
    for (const Case& c : cases) {
        const Decoded d = Decode(c.bytes);
        EXPECT_EQ(d.calls, c.calls) << c.name;
        ASSERT_GE(d.trace.size(), 2u) << c.name;
        const std::string& line = d.trace[d.trace.size() - 2];
        EXPECT_NE(line.find(c.traced), std::string::npos) << c.name << ": " << line;
    }
}

Bytes AllCommands() {
    Bytes stream = T("head");
    for (const CommandCase& c : kCommands) stream = stream + c.bytes + T("x");
    for (const CommandCase& c : kSkipped) stream = stream + c.bytes;
    return stream;
}

// Commands the client libraries send: each takes exactly its parameters, so the "A" after it is
// text again, and the trace names it.
TEST(CoreDecoder, ClientCommandsTakeExactlyTheirParameters) {
    struct Row {
        const char* mnemonic;
        Bytes bytes;
        emu::CommandSet set = emu::CommandSet::EscPos;
    };
    const Row rows[] = {
        {"ESC M", H("1B 4D 01")},
        {"ESC G", H("1B 47 01")},
        {"ESC SP", H("1B 20 05")},
        {"ESC 4", H("1B 34 01")},
        {"ESC 4", H("1B 34")},
        {"ESC 5", H("1B 35")},
        {"ESC {", H("1B 7B 01")},
        {"ESC V", H("1B 56 01")},
        {"ESC R", H("1B 52 02")},
        {"ESC p", H("1B 70 00 32 FA")},
        {"ESC B", H("1B 42 02 03")},
        {"BEL", H("07")},
        {"SO", H("0E")},
        {"DC4", H("14")},
        {"SI", H("0F")},
        {"DC2", H("12")},
        {"ESC SO", H("1B 0E")},
        {"ESC DC4", H("1B 14")},
        {"ESC SI", H("1B 0F")},
        {"ESC \\", H("1B 5C 0A 00")},
        {"GS B", H("1D 42 01")},
        {"GS P", H("1D 50 B4 B4")},
        {"GS b", H("1D 62 01")},
        {"GS f", H("1D 66 00")},
        {"FS !", H("1C 21 04")},
        {"FS -", H("1C 2D 01")},
        {"FS S", H("1C 53 01 02")},
        {"FS W", H("1C 57 01")},
        {"FS C", H("1C 43 00")},
        {"FS ( A", H("1C 28 41 02 00 30 00")},
        {"ESC L", H("1B 4C")},
        {"ESC S", H("1B 53")},
        {"ESC W", H("1B 57 00 00 00 00 80 01 00 02")},
        {"ESC T", H("1B 54 01")},
        {"GS $", H("1D 24 10 00")},
        {"GS \\", H("1D 5C 10 00")},
        {"ESC U", H("1B 55 01")},
        {"ESC c", H("1B 63 33 00")},
        {"ESC r", H("1B 72 01")},
        {"ESC %", H("1B 25 01")},
        {"ESC ?", H("1B 3F 41")},
        {"ESC =", H("1B 3D 01")},
        {"GS r", H("1D 72 01")},
        {"GS I", H("1D 49 43")},
        {"ESC m", H("1B 6D")},
        {"ESC i", H("1B 69")},
        {"VT", H("0B")},
        {"GS k", H("1D 6B 4A 04 28 30 31 29")},
        {"GS k", H("1D 6B 50 03 31 32 33")},
        {"DLE ENQ", H("10 05 01")},
        {"ESC m", H("1B 6D 04"), emu::CommandSet::Module},
        {"GS I", H("1D 49 43"), emu::CommandSet::Module},
    };
    for (const Row& row : rows) {
        const Decoded d = Decode(row.bytes + T("A"), {}, row.set);
        ASSERT_FALSE(d.calls.empty()) << row.mnemonic;
        EXPECT_EQ(d.calls.back(), "Text 41") << row.mnemonic;
        ASSERT_EQ(d.trace.size(), 2u) << row.mnemonic;
        EXPECT_NE(d.trace[0].find(std::string(row.mnemonic) + " "), std::string::npos)
            << d.trace[0];
        EXPECT_EQ(d.trace[0].find("unknown"), std::string::npos) << d.trace[0];
    }
}

// Page mode's commands on the ESC/POS models, and what each mode makes of the other's: the
// calls made and the trace of the last command.
TEST(CoreDecoder, PageModeCommandsAndTheOtherModesCommandsSayWhatTheyDid) {
    struct Row {
        const char* name;
        Bytes bytes;
        std::vector<std::string> calls;
        const char* traced;
        emu::CommandSet set = emu::CommandSet::EscPos;
    };
    const Row rows[] = {
        {"enter", H("1B 4C"), {"EnterPageMode"}, "page mode"},
        {"area in standard mode",
         H("1B 57 10 00 20 00 80 01 00 02"),
         {"SetPageArea 16 32 384 512"},
         "384 x 512 dots: kept for page mode"},
        {"direction",
         H("1B 4C 1B 54 31"),
         {"EnterPageMode", "SetPageDirection 49"},
         "bottom to top"},
        {"vertical position",
         H("1B 4C 1D 24 10 00 1D 5C F0 FF"),
         {"EnterPageMode", "SetPageVerticalPosition 16", "MovePageVertical -16"},
         "moved -16"},
        {"vertical position in standard mode", H("1D 24 10 00"), {}, "page mode only, ignored"},
        {"FF in standard mode", H("0C"), {}, "page mode only, ignored"},
        {"CAN in standard mode", H("18"), {}, "page mode only, ignored"},
        {"cancel", H("1B 4C 18"), {"EnterPageMode", "CancelPage"}, "cancel the page data"},
        {"FF prints and leaves",
         H("1B 4C 0C 1D 24 10 00"),
         {"EnterPageMode", "PrintPage 0"},
         "page mode only, ignored"},
        {"ESC FF prints and stays",
         H("1B 4C 1B 0C 1D 24 10 00"),
         {"EnterPageMode", "PrintPage 1", "SetPageVerticalPosition 16"},
         "page vertical position 16\n"},
        {"ESC S drops the page",
         H("1B 4C 1B 53 18"),
         {"EnterPageMode", "LeavePageMode"},
         "page mode only, ignored"},
        {"ESC @ leaves page mode",
         H("1B 4C 1B 40 0C"),
         {"EnterPageMode", "Initialize"},
         "page mode only, ignored"},
        {"cut in page mode", H("1B 4C 1D 56 00"), {"EnterPageMode"}, "standard mode only, ignored"},
        {"reverse feed in page mode",
         H("1B 4C 1B 4B 10"),
         {"EnterPageMode"},
         "standard mode only, ignored"},
        {"ESC L in page mode", H("1B 4C 1B 4C"), {"EnterPageMode"}, "standard mode only, ignored"},
        {"alignment in page mode",
         H("1B 4C 1B 61 01"),
         {"EnterPageMode", "SetAlignment 1"},
         "kept for standard mode"},
        {"the module has no page mode",
         H("1B 4C 1D 24 10 00"),
         {},
         "ignored (not rendered)",
         emu::CommandSet::Module},
    };
    for (const Row& row : rows) {
        const Decoded d = Decode(row.bytes, {}, row.set);
        EXPECT_EQ(d.calls, row.calls) << row.name;
        ASSERT_FALSE(d.trace.empty()) << row.name;
        EXPECT_NE((d.trace.back() + "\n").find(row.traced), std::string::npos)
            << row.name << ": " << d.trace.back();
    }
}

TEST(CoreDecoder, TraceTextFollowsTheCodeTableAndDoubleByteMode) {
    struct Row {
        const char* name;
        Bytes bytes;
        emu::CommandSet set;
        const char* text;
    };
    const Row rows[] = {
        {"module: GBK", H("B2 E2"), emu::CommandSet::Module, "\"测\""},
        {"module after FS .: Latin-1", H("1C 2E E9"), emu::CommandSet::Module, "\"é\""},
        {"ESC/POS: PC437", H("C4 82"), emu::CommandSet::EscPos, "\"─é\""},
        {"ESC/POS after FS &: GBK", H("1C 26 B2 E2"), emu::CommandSet::EscPos, "\"测\""},
        {"PC866", H("1B 74 11 80"), emu::CommandSet::EscPos, "\"А\""},
        {"no such table keeps PC437", H("1B 74 63 82"), emu::CommandSet::EscPos, "\"é\""},
        {"Germany", H("1B 52 02 5B"), emu::CommandSet::EscPos, "\"Ä\""},
        {"China", H("1B 52 0F 24"), emu::CommandSet::EscPos, "\"¥\""},
        {"Slovenia/Croatia", H("1B 52 0E 40 7E"), emu::CommandSet::EscPos, "\"Žč\""},
        {"PC857's euro sign", H("1B 74 0D D5"), emu::CommandSet::EscPos, "\"€\""},
        {"UTF-8", H("1C 28 43 02 00 30 02 43 61 66 C3 A9 80 E2"), emu::CommandSet::EscPos,
         "\"Café\uFFFD\uFFFD\": 2 sequences not UTF-8, printed as ?"},
    };
    for (const Row& row : rows) {
        const Decoded d = Decode(row.bytes, {}, row.set);
        ASSERT_FALSE(d.trace.empty()) << row.name;
        EXPECT_NE(d.trace.back().find(row.text), std::string::npos)
            << row.name << ": " << d.trace.back();
    }
}

// Where each code table has the euro sign, as the tables are published (PC858 and the WPC,
// ISO 8859-7 and -15 tables as iconv has them; PC857 at D5, which iconv's table lacks); 0: none.
TEST(CoreDecoder, EuroSignWhereEachCodeTableHasIt) {
    struct Row {
        std::uint8_t table;
        std::uint8_t euro;
    };
    const Row rows[] = {
        {0, 0},
        {1, 0},
        {2, 0},
        {3, 0},
        {4, 0},
        {5, 0},
        {13, 0xD5},
        {14, 0},
        {15, 0xA4},
        {16, 0x80},
        {17, 0},
        {18, 0},
        {19, 0xD5},
        {34, 0},
        {35, 0},
        {36, 0},
        {37, 0},
        {38, 0},
        {39, 0},
        {40, 0xA4},
        {45, 0x80},
        {46, 0x88},
        {47, 0x80},
        {48, 0x80},
        {49, 0x80},
        {50, 0x80},
        {51, 0x80},
        {52, 0x80},
        {emu::CodeTable::kLatin1, 0},
    };
    int listed = 0;
    for (int n = 0; n < 256; ++n)
        listed += emu::CodeTable::Name(static_cast<std::uint8_t>(n)) != nullptr;
    EXPECT_EQ(listed, static_cast<int>(std::size(rows))) << "a table without a row";
    for (const Row& row : rows) {
        const emu::CodeTable* table = emu::CodeTable::Get(row.table);
        ASSERT_NE(table, nullptr) << int(row.table);
        int found = 0;
        for (int b = 0x80; b <= 0xFF; ++b)
            if (table->Decode(static_cast<std::uint8_t>(b), 0) == U'€') found = b;
        EXPECT_EQ(found, row.euro) << emu::CodeTable::Name(row.table);
    }
}

TEST(CoreDecoder, AnySplitGivesTheSameCallsAndTrace) {
    const Bytes stream = AllCommands();
    const Decoded whole = Decode(stream);
    ASSERT_GT(whole.calls.size(), 100u);
    // Every offset is a cut in exactly one pass, and cuts kStride apart leave every command but
    // the one long image at most one cut each: as telling as a pass per cut, which costs the
    // square of the stream's length (minutes on an emulated processor).
    constexpr std::size_t kStride = 64;
    for (std::size_t first = 1; first <= kStride; ++first) {
        std::vector<std::size_t> cuts;
        for (std::size_t cut = first; cut < stream.size(); cut += kStride) cuts.push_back(cut);
        Decoded split = Decode(stream, cuts);
        ASSERT_EQ(split.calls, whole.calls) << "cuts from " << first << " every " << kStride;
        ASSERT_EQ(split.trace, whole.trace) << "cuts from " << first << " every " << kStride;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 1; cut < stream.size(); ++cut) everyByte.push_back(cut);
    Decoded bytewise = Decode(stream, everyByte);
    EXPECT_EQ(bytewise.calls, whole.calls);
    EXPECT_EQ(bytewise.trace, whole.trace);
}

TEST(CoreDecoder, TabStopsStopAtThirtyTwoAndTheRestIsText) {
    Bytes stops;
    for (int k = 1; k <= 33; ++k) stops.push_back(static_cast<std::uint8_t>(0x40 + k));
    Decoded d = Decode(H("1B 44") + stops);
    ASSERT_EQ(d.calls.size(), 2u);
    EXPECT_EQ(d.calls[0].substr(0, 16), "SetTabStops [41 ");
    EXPECT_EQ(d.calls[0].size(), std::string("SetTabStops []").size() + 32 * 3 - 1);
    EXPECT_EQ(d.calls[1], "Text 61");
}

TEST(CoreDecoder, LongDataIsCappedButConsumed) {
    Bytes cell = emutest::Repeat('a', 300);
    Decoded table = Decode(H("1C 56 00 01 00 01") + cell + H("00") + T("Z"));
    ASSERT_EQ(table.calls.size(), 2u);
    EXPECT_EQ(table.calls[0].size(), std::string("TableRow [] {0 1 []}").size() + 255 * 3 - 1);
    EXPECT_EQ(table.calls[1], "Text 5A");

    Decoded barcode = Decode(H("1D 6B 04") + emutest::Repeat('1', 300) + H("00") + T("Z"));
    EXPECT_EQ(barcode.calls, std::vector<std::string>{"Text 5A"})
        << "overlong barcode is not printed";
}

TEST(CoreDecoder, HostileRasterHeaderStreamsRowsWithoutWaitingForTheImage) {
    emutest::RecordingSink sink;
    emu::CommandDecoder decoder(sink, sink);
    Bytes header = H("1D 76 30 00 FF FF FF FF");
    decoder.Feed(header.data(), header.size());
    Bytes rows(65535 * 3, 0x5A);
    decoder.Feed(rows.data(), rows.size());
    ASSERT_EQ(sink.calls.size(), 4u);
    EXPECT_EQ(sink.calls[0], "RasterBegin 0 65535 65535");
    EXPECT_EQ(sink.calls[3], "RasterRow 5A 5A 5A 5A 5A 5A 5A 5A");
    decoder.Finish();
    EXPECT_EQ(sink.calls.back(), "RasterEnd") << "an image cut short still ends";
}

TEST(CoreDecoder, StopsRightAfterTheCommandThatAskedAndResumesFromThere) {
    struct StoppingSink : emutest::RecordingSink {
        emu::CommandDecoder* decoder = nullptr;
        std::string Sleep(std::uint64_t offset, bool enter) override {
            decoder->RequestStop();
            return RecordingSink::Sleep(offset, enter);
        }
    } sink;
    emu::CommandDecoder decoder(sink, sink);
    sink.decoder = &decoder;
    Bytes stream = T("A") + H("10 14 02 01 08") + T("B");
    EXPECT_EQ(decoder.Feed(stream.data(), stream.size()), 6u);
    EXPECT_EQ(decoder.Feed(stream.data() + 6, 1), 1u);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"Text 41", "EnterSleep @1", "Text 42"}));
}

TEST(CoreDecoder, ResetDropsTheUnfinishedCommandAndContinuesAtTheGivenOffset) {
    emutest::RecordingSink sink;
    emu::CommandDecoder decoder(sink, sink);
    Bytes partial = H("1B 4A");
    decoder.Feed(partial.data(), partial.size());
    decoder.Reset(100);
    Bytes next = H("4A 10 04 05");
    decoder.Feed(next.data(), next.size());
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"Text 4A", "StatusRequest @101 5"}));
}

}  // namespace
