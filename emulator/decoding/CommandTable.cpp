#include "emulator/decoding/CommandTable.h"

#include "emulator/decoding/CodeTable.h"
#include "emulator/decoding/TraceText.h"
#include "emulator/device/Condition.h"

namespace emu {
namespace {

using namespace ascii;
using P = const std::uint8_t*;

constexpr CommandRow Act(std::uint8_t prefix, std::uint8_t code, std::uint8_t params,
                         const char* mnemonic, SinkAction act, Meaning meaning) {
    return {prefix, code, params, mnemonic, act, nullptr, meaning, Dedicated::None};
}
constexpr CommandRow Control(std::uint8_t prefix, std::uint8_t code, std::uint8_t params,
                             const char* mnemonic, ControlAction control, Meaning meaning) {
    return {prefix, code, params, mnemonic, nullptr, control, meaning, Dedicated::None};
}
// Recognised and consumed with its parameters, but nothing on the paper changes.
constexpr CommandRow Known(std::uint8_t prefix, std::uint8_t code, std::uint8_t params,
                           const char* mnemonic, Meaning meaning) {
    return {prefix, code, params, mnemonic, nullptr, nullptr, meaning, Dedicated::None};
}
constexpr CommandRow Special(std::uint8_t prefix, std::uint8_t code, std::uint8_t params,
                             const char* mnemonic, Dedicated dedicated) {
    return {prefix, code, params, mnemonic, nullptr, nullptr, nullptr, dedicated};
}

constexpr CommandRow In(Modes modes, CommandRow row) {
    row.modes = modes;
    return row;
}

std::string OnOff(const char* what, std::uint8_t n) {
    return std::string(what) + ((n & 1) ? " on" : " off");
}

std::string PrintModeMeaning(std::uint8_t bits, const char* const names[8]) {
    std::string text = "print mode " + Hex(bits) + ":";
    if (bits == 0) return text + " normal";
    const char* sep = " ";
    for (int bit = 0; bit < 8; ++bit) {
        if (bits & (1u << bit)) {
            text += sep;
            text += names[bit];
            sep = ", ";
        }
    }
    return text;
}

std::string CharName(std::uint8_t c) { return std::string("'") + static_cast<char>(c) + "'"; }

std::string NotRendered(const char* what) { return std::string(what) + ", ignored (not rendered)"; }

// ---- Rows every model has ----

const CommandRow kCommon[] = {
    Act(
        0, LF, 0, "LF", [](CommandSink& s, P) { s.LineFeed(); },
        [](P) -> std::string { return "print and line feed"; }),
    Act(
        0, CR, 0, "CR", [](CommandSink& s, P) { s.CarriageReturn(); },
        [](P) -> std::string { return "carriage return"; }),
    Act(
        0, HT, 0, "HT", [](CommandSink& s, P) { s.HorizontalTab(); },
        [](P) -> std::string { return "horizontal tab"; }),
    Control(
        0, BEL, 0, "BEL", [](ControlHandler& c, std::uint64_t, P) { return c.Drive(Buzzer{}); },
        [](P) { return Describe(Buzzer{}); }),
    Act(
        0, SO, 0, "SO", [](CommandSink& s, P) { s.SetOneLineDoubleWidth(true); },
        [](P) -> std::string { return "double width for this line"; }),
    Act(
        0, DC4, 0, "DC4", [](CommandSink& s, P) { s.SetOneLineDoubleWidth(false); },
        [](P) -> std::string { return "one-line double width off"; }),
    Act(
        0, SI, 0, "SI", [](CommandSink& s, P) { s.SetCondensed(true); },
        [](P) -> std::string { return "condensed (Font B) on"; }),
    Act(
        0, DC2, 0, "DC2", [](CommandSink& s, P) { s.SetCondensed(false); },
        [](P) -> std::string { return "condensed off"; }),

    Act(
        ESC, '@', 0, "ESC @", [](CommandSink& s, P) { s.Initialize(); },
        [](P) -> std::string { return "initialize printer"; }),
    Act(
        ESC, '2', 0, "ESC 2", [](CommandSink& s, P) { s.SetDefaultLineSpacing(); },
        [](P) -> std::string { return "default line spacing"; }),
    Act(
        ESC, '3', 1, "ESC 3", [](CommandSink& s, P p) { s.SetLineSpacing(p[0]); },
        [](P p) { return "line spacing " + N(p[0]) + " dots"; }),
    Act(
        ESC, 'J', 1, "ESC J", [](CommandSink& s, P p) { s.FeedDots(p[0]); },
        [](P p) { return "print and feed " + N(p[0]) + " dots"; }),
    In(Modes::StandardOnly,
       Act(
           ESC, 'K', 1, "ESC K", [](CommandSink& s, P p) { s.ReverseFeedDots(p[0]); },
           [](P p) { return "print and reverse feed " + N(p[0]) + " dots"; })),
    Act(
        ESC, 'd', 1, "ESC d", [](CommandSink& s, P p) { s.FeedLines(p[0]); },
        [](P p) { return "print and feed " + N(p[0]) + " lines"; }),
    In(Modes::StandardOnly,
       Act(
           ESC, 'e', 1, "ESC e", [](CommandSink& s, P p) { s.ReverseFeedLines(p[0]); },
           [](P p) { return "print and reverse feed " + N(p[0]) + " lines"; })),
    In(Modes::StandardSetting,
       Act(
           ESC, 'l', 1, "ESC l", [](CommandSink& s, P p) { s.SetLeftMargin(p[0]); },
           [](P p) { return "left margin " + N(p[0]) + " x 8 = " + N(p[0] * 8u) + " dots"; })),
    In(Modes::StandardSetting,
       Act(
           ESC, 'Q', 1, "ESC Q", [](CommandSink& s, P p) { s.SetRightMargin(p[0]); },
           [](P p) { return "right margin " + N(p[0]) + " x 8 = " + N(p[0] * 8u) + " dots"; })),
    Act(
        ESC, '!', 1, "ESC !", [](CommandSink& s, P p) { s.SetPrintMode(p[0]); },
        [](P p) {
            static const char* const names[8] = {"Font B", "italic",        "bit 2",
                                                 "bold",   "double height", "double width",
                                                 "bit 6",  "underline"};
            return PrintModeMeaning(p[0], names);
        }),
    In(Modes::StandardSetting,
       Act(
           ESC, 'a', 1, "ESC a", [](CommandSink& s, P p) { s.SetAlignment(p[0]); },
           [](P p) {
               static const char* const names[3] = {"left", "centre", "right"};
               const std::uint8_t d = Digit(p[0]);
               return d < 3 ? std::string("align ") + names[d]
                            : "align " + N(p[0]) + " (not 0, 1 or 2)";
           })),
    Act(
        ESC, 'E', 1, "ESC E", [](CommandSink& s, P p) { s.SetEmphasized(p[0] & 1); },
        [](P p) { return OnOff("bold", p[0]); }),
    Act(
        ESC, 'G', 1, "ESC G", [](CommandSink& s, P p) { s.SetDoubleStrike(p[0] & 1); },
        [](P p) { return OnOff("double strike", p[0]); }),
    Act(
        ESC, '-', 1, "ESC -", [](CommandSink& s, P p) { s.SetUnderline(p[0]); },
        [](P p) {
            return Digit(p[0]) == 0 ? std::string("underline off")
                                    : "underline " + N(Digit(p[0])) + " dot";
        }),
    Act(
        ESC, 't', 1, "ESC t", [](CommandSink& s, P p) { s.SelectCodeTable(p[0]); },
        [](P p) {
            const char* name = CodeTable::Name(p[0]);
            return "code table " + N(p[0]) +
                   (name && p[0] != CodeTable::kLatin1 ? std::string(" (") + name + ")"
                                                       : std::string(": no such table, ignored"));
        }),
    Act(
        ESC, 'R', 1, "ESC R", [](CommandSink& s, P p) { s.SelectInternationalSet(p[0]); },
        [](P p) {
            const char* name = CodeTable::InternationalName(p[0]);
            return "international set " + N(p[0]) +
                   (name ? std::string(" (") + name + ")" : std::string(": no such set, ignored"));
        }),
    Act(
        ESC, 'M', 1, "ESC M", [](CommandSink& s, P p) { s.SetFont(p[0]); },
        [](P p) {
            const std::uint8_t d = Digit(p[0]);
            return d <= 1 ? std::string(d ? "Font B" : "Font A")
                          : "font " + N(p[0]) + " (not 0 or 1), ignored";
        }),
    Act(
        ESC, ' ', 1, "ESC SP", [](CommandSink& s, P p) { s.SetRightSpacing(p[0]); },
        [](P p) { return "character right spacing " + N(p[0]) + " dots"; }),
    Special(ESC, '4', 0, "ESC 4", Dedicated::OptionalFlag),
    Special(ESC, '5', 0, "ESC 5", Dedicated::OptionalFlag),
    In(Modes::StandardSetting,
       Act(
           ESC, '{', 1, "ESC {", [](CommandSink& s, P p) { s.SetUpsideDown(p[0] & 1); },
           [](P p) { return OnOff("upside down", p[0]); })),
    Act(
        ESC, 'V', 1, "ESC V", [](CommandSink& s, P p) { s.SetRotation(Digit(p[0]) == 1); },
        [](P p) { return OnOff("90-degree rotation", Digit(p[0]) == 1); }),
    Act(
        ESC, SO, 0, "ESC SO", [](CommandSink& s, P) { s.SetOneLineDoubleWidth(true); },
        [](P) -> std::string { return "double width for this line"; }),
    Act(
        ESC, DC4, 0, "ESC DC4", [](CommandSink& s, P) { s.SetOneLineDoubleWidth(false); },
        [](P) -> std::string { return "one-line double width off"; }),
    Act(
        ESC, SI, 0, "ESC SI", [](CommandSink& s, P) { s.SetCondensed(true); },
        [](P) -> std::string { return "condensed (Font B) on"; }),
    Act(
        ESC, '$', 2, "ESC $", [](CommandSink& s, P p) { s.SetAbsolutePosition(Word(p)); },
        [](P p) { return "absolute position " + N(Word(p)) + " dots"; }),
    Act(
        ESC, '\\', 2, "ESC \\",
        [](CommandSink& s, P p) { s.SetRelativePosition(static_cast<std::int16_t>(Word(p))); },
        [](P p) {
            return "relative position " + std::to_string(static_cast<std::int16_t>(Word(p))) +
                   " dots";
        }),
    Control(
        ESC, 'p', 3, "ESC p",
        [](ControlHandler& c, std::uint64_t, P p) {
            return c.Drive(DrawerKick{Digit(p[0]) == 1 ? 2 : 1, p[1] * 2u, p[2] * 2u});
        },
        [](P p) {
            return Describe(DrawerKick{Digit(p[0]) == 1 ? 2 : 1, p[1] * 2u, p[2] * 2u});
        }),
    Control(
        ESC, 'B', 2, "ESC B",
        [](ControlHandler& c, std::uint64_t, P p) {
            return c.Drive(Buzzer{p[0], p[1] * 50u});
        },
        [](P p) {
            return Describe(Buzzer{p[0], p[1] * 50u});
        }),
    Known(ESC, 'U', 1, "ESC U",
          [](P p) { return OnOff("unidirectional printing", p[0]) + ", ignored"; }),
    Known(ESC, 'c', 2, "ESC c",
          [](P p) { return "panel or sensor setting " + Hex(p[0]) + " " + N(p[1]) + ", ignored"; }),
    Known(ESC, 'r', 1, "ESC r", [](P p) { return "print colour " + N(Digit(p[0])) + ", ignored"; }),
    Known(ESC, '=', 1, "ESC =", [](P p) { return "select peripheral " + N(p[0]) + ", ignored"; }),
    Special(ESC, '*', 3, "ESC *", Dedicated::BitImage),
    Special(ESC, 'D', 0, "ESC D", Dedicated::TabStops),

    Special(GS, 'v', 1, "GS v", Dedicated::Raster),
    Special(GS, 'V', 1, "GS V", Dedicated::Cut),
    Special(GS, 'k', 1, "GS k", Dedicated::Barcode),
    Special(GS, '(', 3, "GS (", Dedicated::Block),
    Special(GS, '8', 5, "GS 8", Dedicated::Block),
    Act(
        GS, 'h', 1, "GS h", [](CommandSink& s, P p) { s.SetBarcodeHeight(p[0]); },
        [](P p) { return "barcode height " + N(p[0]) + " dots"; }),
    Act(
        GS, 'w', 1, "GS w", [](CommandSink& s, P p) { s.SetBarcodeWidth(p[0]); },
        [](P p) { return "barcode module width " + N(p[0]); }),
    Act(
        GS, 'H', 1, "GS H", [](CommandSink& s, P p) { s.SetBarcodeTextPosition(p[0]); },
        [](P p) {
            static const char* const names[4] = {"not printed", "above", "below",
                                                 "above and below"};
            const std::uint8_t d = Digit(p[0]);
            return d < 4 ? std::string("barcode text ") + names[d]
                         : "barcode text position " + N(p[0]) + " (not 0 to 3)";
        }),
    Known(GS, 'f', 1, "GS f",
          [](P p) {
              return "barcode text font " + N(Digit(p[0])) + ", ignored (captions stay in Font A)";
          }),
    Act(
        GS, '!', 1, "GS !", [](CommandSink& s, P p) { s.SetCharacterSize(p[0]); },
        [](P p) {
            return "character size: width x" + N((p[0] >> 4 & 7) + 1u) + ", height x" +
                   N((p[0] & 7) + 1u);
        }),
    In(Modes::StandardSetting,
       Act(
           GS, 'L', 2, "GS L", [](CommandSink& s, P p) { s.SetLeftMarginDots(Word(p)); },
           [](P p) { return "left margin " + N(Word(p)) + " dots"; })),
    In(Modes::StandardSetting,
       Act(
           GS, 'W', 2, "GS W", [](CommandSink& s, P p) { s.SetPrintAreaWidth(Word(p)); },
           [](P p) { return "print area width " + N(Word(p)) + " dots"; })),
    Act(
        GS, 'B', 1, "GS B", [](CommandSink& s, P p) { s.SetReverse(p[0] & 1); },
        [](P p) { return OnOff("reverse (white on black)", p[0]); }),
    Act(
        GS, 'P', 2, "GS P", [](CommandSink& s, P p) { s.SetMotionUnits(p[0], p[1]); },
        [](P p) {
            return "motion units: horizontal 1/" + N(p[0]) + " inch, vertical 1/" + N(p[1]) +
                   " inch";
        }),
    Known(GS, 'b', 1, "GS b", [](P p) { return OnOff("smoothing", p[0]) + ", ignored"; }),

    Act(
        FS, '&', 0, "FS &", [](CommandSink& s, P) { s.SetKanjiMode(true); },
        [](P) -> std::string { return "Chinese character mode on"; }),
    Act(
        FS, '.', 0, "FS .", [](CommandSink& s, P) { s.SetKanjiMode(false); },
        [](P) -> std::string { return "Chinese character mode off"; }),
    Act(
        FS, '!', 1, "FS !", [](CommandSink& s, P p) { s.SetKanjiPrintMode(p[0]); },
        [](P p) {
            static const char* const names[8] = {"bit 0", "bit 1", "double width", "double height",
                                                 "bit 4", "bit 5", "bit 6",        "underline"};
            return "double-byte " + PrintModeMeaning(p[0], names);
        }),
    Act(
        FS, '-', 1, "FS -", [](CommandSink& s, P p) { s.SetKanjiUnderline(p[0]); },
        [](P p) {
            return Digit(p[0]) == 0 ? std::string("double-byte underline off")
                                    : "double-byte underline " + N(Digit(p[0])) + " dot";
        }),
    Act(
        FS, 'S', 2, "FS S", [](CommandSink& s, P p) { s.SetKanjiSpacing(p[0], p[1]); },
        [](P p) {
            return "double-byte spacing: left " + N(p[0]) + ", right " + N(p[1]) + " dots";
        }),
    Act(
        FS, 'W', 1, "FS W", [](CommandSink& s, P p) { s.SetKanjiQuadruple(p[0] & 1); },
        [](P p) { return OnOff("double-byte quadruple size", p[0]); }),
    Known(FS, 'C', 1, "FS C",
          [](P p) {
              return "double-byte code system " + N(Digit(p[0])) +
                     ", ignored (double bytes stay GBK)";
          }),
    Special(FS, '(', 3, "FS (", Dedicated::Block),
    Special(FS, 'V', 1, "FS V", Dedicated::Table),

    Special(DLE, DC4, 1, "DLE DC4", Dedicated::DleDc4),
};

// ---- What every model keeps: stored graphics and user-defined characters ----

const CommandRow kKept[] = {
    Special(FS, 'q', 1, "FS q", Dedicated::NvBitImages),
    Special(FS, 'p', 2, "FS p", Dedicated::StoredImage),
    Special(GS, '*', 2, "GS *", Dedicated::DownloadImage),
    Special(GS, '/', 1, "GS /", Dedicated::StoredImage),
    Special(ESC, '&', 3, "ESC &", Dedicated::UserChars),
    Act(
        ESC, '%', 1, "ESC %", [](CommandSink& s, P p) { s.SelectUserCharacters(p[0] & 1); },
        [](P p) { return OnOff("user-defined characters", p[0]); }),
    Act(
        ESC, '?', 1, "ESC ?", [](CommandSink& s, P p) { s.CancelUserCharacter(p[0]); },
        [](P p) {
            return p[0] >= 32 && p[0] <= 126
                       ? "cancel user-defined character " + CharName(p[0])
                       : "cancel user-defined character " + N(p[0]) + " (not 32 to 126), ignored";
        }),
};

// ---- Where this module's meaning differs ----

const CommandRow kModule[] = {
    Known(ESC, 'L', 0, "ESC L", [](P) { return NotRendered("page mode"); }),
    Known(ESC, 'S', 0, "ESC S", [](P) -> std::string { return "standard mode"; }),
    Known(ESC, 'W', 8, "ESC W", [](P) { return NotRendered("page mode print area"); }),
    Known(ESC, 'T', 1, "ESC T", [](P) { return NotRendered("page mode direction"); }),
    Known(GS, '$', 2, "GS $", [](P) { return NotRendered("page mode vertical position"); }),
    Known(GS, '\\', 2, "GS \\",
          [](P) { return NotRendered("page mode relative vertical position"); }),
    Act(
        ESC, 'm', 1, "ESC m", [](CommandSink& s, P p) { s.SetGrayLevel(p[0]); },
        [](P p) { return "gray level " + N(p[0]); }),
    Control(
        GS, 'a', 1, "GS a",
        [](ControlHandler& c, std::uint64_t, P p) { return c.AutoStatus(p[0]); },
        [](P p) {
            const std::uint8_t bits = p[0] & kConditionBits;
            std::string meaning = bits ? "automatic status reports on " + DescribeStatusBits(bits)
                                       : std::string("automatic status reports off");
            if (p[0] & 0x10) meaning += " (bit 4 ignored)";
            return meaning;
        }),
    Control(
        DLE, EOT, 1, "DLE EOT",
        [](ControlHandler& c, std::uint64_t offset, P p) { return c.StatusRequest(offset, p[0]); },
        [](P p) {
            return p[0] == 5 ? std::string("status request")
                             : "real-time status " + N(p[0]) + " (not answered by this module)";
        }),
    Known(GS, 'I', 1, "GS I",
          [](P p) { return "printer ID " + N(p[0]) + " (not answered by this module)"; }),
    Known(GS, 'r', 1, "GS r",
          [](P p) { return "transmit status " + N(p[0]) + " (not answered by this module)"; }),
    Known(DLE, ENQ, 1, "DLE ENQ", [](P p) { return "real-time request " + N(p[0]) + ", ignored"; }),
};

// ---- Where the common receipt printers' meaning differs ----

const CommandRow kEscPos[] = {
    Act(
        0, VT, 0, "VT", [](CommandSink& s, P) { s.LineFeed(); },
        [](P) -> std::string { return "vertical tab: no stops set, line feed"; }),
    In(Modes::StandardOnly, Act(
                                ESC, 'm', 0, "ESC m", [](CommandSink& s, P) { s.Cut(true, 0); },
                                [](P) -> std::string { return "partial cut"; })),
    In(Modes::StandardOnly, Act(
                                ESC, 'i', 0, "ESC i", [](CommandSink& s, P) { s.Cut(false, 0); },
                                [](P) -> std::string { return "full cut"; })),
    Control(
        GS, 'a', 1, "GS a",
        [](ControlHandler& c, std::uint64_t, P p) { return c.AutoStatus(p[0]); },
        [](P p) {
            return p[0] & 0x0F ? "automatic status back on (" + Hex(p[0]) + ")"
                               : std::string("automatic status back off");
        }),
    Control(
        DLE, EOT, 1, "DLE EOT",
        [](ControlHandler& c, std::uint64_t offset, P p) { return c.StatusRequest(offset, p[0]); },
        [](P p) {
            static const char* const names[5] = {"", "printer", "off-line cause", "error cause",
                                                 "paper sensor"};
            return p[0] >= 1 && p[0] <= 4 ? std::string("real-time status: ") + names[p[0]]
                                          : "real-time status " + N(p[0]) + " (no such status)";
        }),
    Control(
        GS, 'I', 1, "GS I",
        [](ControlHandler& c, std::uint64_t, P p) { return c.TransmitId(p[0]); },
        [](P p) { return "printer ID " + N(p[0]); }),
    Control(
        GS, 'r', 1, "GS r",
        [](ControlHandler& c, std::uint64_t, P p) { return c.TransmitStatus(p[0]); },
        [](P p) { return "transmit status " + N(Digit(p[0])); }),
    Control(
        DLE, ENQ, 1, "DLE ENQ",
        [](ControlHandler& c, std::uint64_t offset, P p) {
            return p[0] == 1 || p[0] == 2 ? c.Recover(offset, p[0]) : std::string();
        },
        [](P p) {
            return p[0] == 1   ? std::string("recover from error, go on printing")
                   : p[0] == 2 ? std::string("recover from error, clear the buffers")
                               : "real-time request " + N(p[0]) + ", ignored";
        }),
};

// ---- Page mode, on the common receipt printers ----

std::string Direction(std::uint8_t n) {
    static const char* const names[4] = {
        "left to right from the upper left", "bottom to top from the lower left",
        "right to left from the lower right", "top to bottom from the upper right"};
    const std::uint8_t d = Digit(n);
    return d < 4 ? std::string(names[d]) : N(n) + " (not 0 to 3), ignored";
}

const CommandRow kEscPosPage[] = {
    In(Modes::StandardOnly, Act(
                                ESC, 'L', 0, "ESC L", [](CommandSink& s, P) { s.EnterPageMode(); },
                                [](P) -> std::string { return "page mode"; })),
    In(Modes::PageOnly, Act(
                            ESC, 'S', 0, "ESC S", [](CommandSink& s, P) { s.LeavePageMode(); },
                            [](P) -> std::string { return "standard mode: the page is dropped"; })),
    In(Modes::PageSetting, Act(
                               ESC, 'W', 8, "ESC W",
                               [](CommandSink& s, P p) {
                                   s.SetPageArea(Word(p), Word(p + 2), Word(p + 4), Word(p + 6));
                               },
                               [](P p) {
                                   return "page area at " + N(Word(p)) + ", " + N(Word(p + 2)) +
                                          ": " + N(Word(p + 4)) + " x " + N(Word(p + 6)) + " dots";
                               })),
    In(Modes::PageSetting,
       Act(
           ESC, 'T', 1, "ESC T", [](CommandSink& s, P p) { s.SetPageDirection(p[0]); },
           [](P p) { return "page direction " + Direction(p[0]); })),
    In(Modes::PageOnly,
       Act(
           GS, '$', 2, "GS $", [](CommandSink& s, P p) { s.SetPageVerticalPosition(Word(p)); },
           [](P p) { return "page vertical position " + N(Word(p)); })),
    In(Modes::PageOnly,
       Act(
           GS, '\\', 2, "GS \\",
           [](CommandSink& s, P p) { s.MovePageVertical(static_cast<std::int16_t>(Word(p))); },
           [](P p) {
               return "page vertical position moved " +
                      std::to_string(static_cast<std::int16_t>(Word(p)));
           })),
    In(Modes::PageOnly,
       Act(
           0, FF, 0, "FF", [](CommandSink& s, P) { s.PrintPage(false); },
           [](P) -> std::string { return "print the page, back to standard mode"; })),
    In(Modes::PageOnly, Act(
                            ESC, FF, 0, "ESC FF", [](CommandSink& s, P) { s.PrintPage(true); },
                            [](P) -> std::string { return "print the page, which stays"; })),
    In(Modes::PageOnly,
       Act(
           0, CAN, 0, "CAN", [](CommandSink& s, P) { s.CancelPage(); },
           [](P) -> std::string { return "cancel the page data in the print area"; })),
};

}  // namespace

int CommandTable::Slot(std::uint8_t prefix) {
    switch (prefix) {
        case 0:
            return 0;
        case ESC:
            return 1;
        case GS:
            return 2;
        case FS:
            return 3;
        case DLE:
            return 4;
        default:
            return -1;
    }
}

CommandTable::CommandTable(CommandSet set) {
    Add(kCommon);
    Add(kKept);
    if (set == CommandSet::Module) {
        Add(kModule);
    } else {
        Add(kEscPos);
        Add(kEscPosPage);
    }
    m_count = 0;
    for (const auto& prefix : m_index)
        for (const CommandRow* row : prefix)
            if (row) m_rows[m_count++] = row;
}

void CommandTable::Add(std::span<const CommandRow> rows) {
    for (const CommandRow& row : rows) m_index[Slot(row.prefix)][row.code] = &row;
}

const CommandTable& CommandTable::For(CommandSet set) {
    static const CommandTable module(CommandSet::Module);
    static const CommandTable escpos(CommandSet::EscPos);
    return set == CommandSet::Module ? module : escpos;
}

}  // namespace emu
