#include "emulator/rendering/PrintEngine.h"

#include <algorithm>

#include "emulator/barcodes/Barcode.h"
#include "emulator/decoding/CodeTable.h"
#include "emulator/decoding/Utf8Reader.h"
#include "emulator/rendering/GlyphPainter.h"

namespace emu {
namespace {

constexpr int kColumnDots = 12;  // Font A cell width: the unit of tabs, tables and margins' minimum
constexpr int kQuietModules = 10;
constexpr int kRuleDots = 2;
constexpr int kCellPadding = 4;  // between a table rule and the text
constexpr int kCaptionGap = 4;   // between a barcode and its caption

std::uint8_t ShadeOfLevel(int level) { return static_cast<std::uint8_t>(255 - 255 * level / 8); }

}  // namespace

std::vector<int> PrintEngine::EveryEighthColumn() {
    std::vector<int> columns;
    for (int c = 8; c < 256; c += 8) columns.push_back(c);
    return columns;
}

PrintEngine::PrintEngine(int widthDots, CommandSet commands)
    : m_width(std::max(widthDots, 2 * kColumnDots)),
      m_commands(commands),
      m_settings(DefaultSettings()),
      m_fonts(FontSet::Shared()),
      m_paper(std::make_unique<Paper>(m_width)) {
    m_pairer.SetDoubleByte(commands == CommandSet::Module);
}

PrintEngine::Settings PrintEngine::DefaultSettings() const {
    Settings settings;
    settings.codeTable = m_commands == CommandSet::Module ? CodeTable::kLatin1 : CodeTable::kPc437;
    settings.pageArea = PageArea{0, 0, m_width, PageBuffer::kMaxRows};
    return settings;
}

void PrintEngine::SetPageCallback(std::function<void(PaperImage&&)> onPage) {
    m_onPage = std::move(onPage);
}
PaperImage PrintEngine::Snapshot() const { return m_paper->Image(); }
bool PrintEngine::HasContent() const { return m_paper->HasInk(); }
int PrintEngine::WidthDots() const { return m_width; }
std::uint64_t PrintEngine::DotRowsPrinted() const { return m_rowsPrinted; }
std::string PrintEngine::FontProblems() const { return m_fonts.Problems(); }

// ---- Paper movement ----

void PrintEngine::Advance(int rows) {
    m_rowsPrinted += static_cast<std::uint64_t>(std::max(rows, 0));
    while (rows > 0) {
        const int room = Paper::kMaxRows - m_paper->HeadRow();
        if (rows < room) {
            m_paper->Advance(rows);
            return;
        }
        m_paper->Advance(room);
        rows -= room;
        FinishReceipt();
    }
}

void PrintEngine::Reverse(int rows) { m_paper->Reverse(rows); }

void PrintEngine::MakeRoom(int rows) {
    if (m_paper->HeadRow() + rows > Paper::kMaxRows) FinishReceipt();
}

Surface& PrintEngine::Target() {
    if (m_page) return *m_page;
    return *m_paper;
}

int PrintEngine::HeadRow() const { return m_paper->HeadRow(); }

PrintEngine::Spot PrintEngine::PlaceBlock(int width, int height, int left, int right) {
    if (m_page) return PlaceInPage(height);
    MakeRoom(height);
    return Spot{AlignedStart(width, left, right), HeadRow()};
}

// Upside-down printing turns each block half a turn within the paper, as it does a text line.
void PrintEngine::PassBlock(int width, int height) {
    if (m_page) {
        m_line.MoveTo(m_line.Cursor() + width);
        return;
    }
    if (m_settings.upsideDown) m_paper->TurnHalf(HeadRow(), height);
    Advance(height);
}

void PrintEngine::FinishReceipt() {
    if (m_paper->Length() > 0 && m_onPage) m_onPage(m_paper->Take());
    m_paper = std::make_unique<Paper>(m_width);
    m_tableEnd = -1;
}

// ---- Layout ----

// A page has no margins: its area is the print area.
int PrintEngine::AreaLeft() const { return m_page ? 0 : m_settings.leftMargin; }
int PrintEngine::AreaRight() const {
    return m_page ? m_page->Width() : m_width - m_settings.rightMargin;
}

// Alignment applies in standard mode only; a page places everything at its print position.
int PrintEngine::AlignedStart(int width, int left, int right) const {
    if (m_page) return left;
    const int free = std::max(0, right - left - width);
    if (m_settings.alignment == 1) return left + free / 2;
    if (m_settings.alignment == 2) return left + free;
    return left;
}

const Glyph& PrintEngine::SingleGlyph(std::uint8_t byte) {
    const Glyph*& slot = m_singles[byte];
    if (slot) return *slot;
    const Settings& s = m_settings;
    const auto face = CurrentFace();
    if (s.userCharacters) {
        if (const Glyph* user = m_userCharacters.Find(face, byte)) return *(slot = user);
    }
    if (s.codeTable == CodeTable::kLatin1 && s.internationalSet == 0 && face == FontSet::Face::A &&
        !s.rotated) {
        slot = &m_fonts.Single(byte);
    } else {
        const CodeTable* table = CodeTable::Get(s.codeTable);
        const char32_t c = table ? table->Decode(byte, s.internationalSet) : byte;
        slot = c ? &m_fonts.Char(c, face, s.rotated) : &m_fonts.Box(face);
    }
    return *slot;
}

TextStyle PrintEngine::CharStyle() const {
    TextStyle style = m_settings.style;
    if (m_settings.oneLineWide) style.scaleX = std::max(style.scaleX, 2);
    return style;
}

TextStyle PrintEngine::PairStyle() const {
    const Settings& s = m_settings;
    TextStyle style = CharStyle();
    if (s.kanjiWide || s.kanjiQuadruple) style.scaleX = std::max(style.scaleX, 2);
    if (s.kanjiTall || s.kanjiQuadruple) style.scaleY = std::max(style.scaleY, 2);
    style.underline = std::max(style.underline, s.kanjiUnderline);
    style.rightSpacing = s.kanjiRight;
    return style;
}

void PrintEngine::PlaceChar(const TextChar& c) {
    if (c.lead != 0)
        PlaceDoubleByte(m_fonts.Pair(c.lead, c.byte, m_settings.rotated));
    else if (c.byte >= 0x80 && m_pairer.DoubleByte())
        PlaceGlyph(m_fonts.Box(kColumnDots), CharStyle(), 0);
    else
        PlaceGlyph(SingleGlyph(c.byte), CharStyle(), 0);
}

void PrintEngine::PlaceDoubleByte(const Glyph& glyph) {
    const TextStyle style = PairStyle();
    PlaceGlyph(glyph, style, m_settings.kanjiLeft * style.scaleX);
}

void PrintEngine::PlaceGlyph(const Glyph& glyph, const TextStyle& style, int extra) {
    const int advance = extra + (glyph.width + style.rightSpacing) * style.scaleX;
    if (!m_line.Begun()) m_line.Begin(AreaLeft(), AreaRight());
    // A character that does not fit wraps; one that cannot fit even an empty line is clipped.
    if (!m_line.Fits(advance) && m_line.Cursor() > m_line.Left()) {
        LineFeed();
        m_line.Begin(AreaLeft(), AreaRight());
    }
    m_line.Place(glyph, style, extra);
}

// UTF-8 text: ASCII in the font in force (or its user-defined character), anything else from the
// first of the two ranked fonts that has it. What is not UTF-8 prints as '?', and a character
// neither font has as the hollow box.
void PrintEngine::Unicode(char32_t c) {
    const Settings& s = m_settings;
    const FontSet::Face face = CurrentFace();
    if (c == Utf8Char::kInvalid) c = U'?';
    if (c < 0x80) {
        const Glyph* user =
            s.userCharacters ? m_userCharacters.Find(face, static_cast<std::uint8_t>(c)) : nullptr;
        PlaceGlyph(user ? *user : m_fonts.Char(c, face, s.rotated), CharStyle(), 0);
        return;
    }
    for (std::uint8_t number : s.fontPriority) {
        const TextFont* font = FindTextFont(number);
        if (!font->doubleByte) {
            if (const Glyph* glyph = m_fonts.FindChar(c, face, s.rotated))
                return PlaceGlyph(*glyph, CharStyle(), 0);
        } else if (const Glyph* glyph = m_fonts.FindWide(c, font->gb2312, s.rotated)) {
            return PlaceDoubleByte(*glyph);
        }
    }
    PlaceGlyph(m_fonts.Box(face, s.rotated), CharStyle(), 0);
}

int PrintEngine::PrintLine() {
    m_pairer.Reset();  // half a character cannot straddle a printed line
    if (m_line.Empty()) {
        m_line.Clear();
        return 0;
    }
    const int height = m_line.Ascent() + m_line.Descent();
    MakeRoom(height);
    const int lineTop = HeadRow();
    const int baseline = lineTop + m_line.Ascent();
    const int shift = AlignedStart(m_line.Extent() - m_line.Left(), m_line.Left(), m_line.Right()) -
                      m_line.Left();
    Surface& surface = Target();
    const Clip clip{0, surface.Width()};
    for (const PlacedGlyph& placed : m_line.Glyphs()) {
        const int top = baseline - placed.glyph->ascent * placed.style.scaleY;
        PaintGlyph(surface, *placed.glyph, placed.style, placed.x + shift, top, m_settings.shade,
                   clip);
    }
    if (m_settings.upsideDown) m_paper->TurnHalf(lineTop, height);
    m_settings.oneLineWide = false;
    m_line.Clear();
    m_lineImages.clear();
    return height;
}

int PrintEngine::LineAdvance(int height) const {
    if (height == 0) return m_settings.lineSpacing;
    return std::max(m_settings.lineSpacing,
                    height + std::max(0, m_settings.lineSpacing - Glyph::kHeight));
}

void PrintEngine::PrintPendingLine() {
    if (m_page) {
        DevelopLine();
        return;
    }
    if (!m_line.Empty()) Advance(LineAdvance(PrintLine()));
    m_line.Clear();
}

// ---- Text and line commands ----

void PrintEngine::Text(std::uint8_t byte) {
    TextChar chars[2];
    const int count = m_pairer.Push(byte, chars);
    for (int i = 0; i < count; ++i) PlaceChar(chars[i]);
}

void PrintEngine::LineFeed() {
    if (m_page)
        PageNewLine(PageLineAdvance());
    else
        Advance(LineAdvance(PrintLine()));
}

// With automatic line feed off, as on most printers, CR only ends nothing: LF prints.
void PrintEngine::CarriageReturn() {}

void PrintEngine::HorizontalTab() {
    if (!m_line.Begun()) m_line.Begin(AreaLeft(), AreaRight());
    const int column = kColumnDots * m_settings.style.scaleX;
    for (int stop : m_settings.tabColumns) {
        const int x = m_line.Left() + stop * column;
        if (x <= m_line.Cursor()) continue;
        m_line.MoveTo(std::min(x, m_line.Right()));
        return;
    }
}

// The head cannot print a line without moving the paper under it: a feed shorter than the line
// (ESC J 0 after a bit-image stripe, as clients send) still moves past the line.
// ESC d 0 likewise feeds at least the line it prints.
void PrintEngine::FeedDots(std::uint8_t n) {
    if (m_page)
        PageNewLine(std::max<int>(n, PageLineHeight()));
    else
        Advance(std::max<int>(n, PrintLine()));
}

void PrintEngine::FeedLines(std::uint8_t n) {
    if (m_page) {
        PageNewLine(n == 0 ? PageLineHeight() : n * PageLineAdvance());
        return;
    }
    const int height = PrintLine();
    Advance(std::max(n * LineAdvance(height), height));
}

// Paper cannot run back inside a page: reverse feeds apply in standard mode only.
void PrintEngine::ReverseFeedDots(std::uint8_t n) {
    if (m_page) return;
    PrintLine();
    Reverse(n);
}

void PrintEngine::ReverseFeedLines(std::uint8_t n) {
    if (m_page) return;
    Reverse(n * LineAdvance(PrintLine()));
}

void PrintEngine::SetLeftMargin(std::uint8_t units) {
    SetLeftMarginDots(static_cast<std::uint16_t>(units * 8));
}

void PrintEngine::SetRightMargin(std::uint8_t units) {
    const int dots = units * 8;
    if (m_width - dots - m_settings.leftMargin >= 2 * kColumnDots) m_settings.rightMargin = dots;
}

void PrintEngine::SetLeftMarginDots(std::uint16_t dots) {
    if (m_width - m_settings.rightMargin - dots >= 2 * kColumnDots) m_settings.leftMargin = dots;
}

void PrintEngine::SetPrintAreaWidth(std::uint16_t dots) {
    const int width = std::min<int>(dots, m_width - m_settings.leftMargin);
    if (width >= 2 * kColumnDots) m_settings.rightMargin = m_width - m_settings.leftMargin - width;
}

int PrintEngine::MotionDots(int units, bool alongLines) const {
    // A page turned a quarter runs its lines down the paper, where the vertical unit counts.
    const bool turned = m_page && m_page->Direction() % 2 == 1;
    const int perInch = alongLines != turned ? m_settings.motionX : m_settings.motionY;
    // 8 dots/mm is 203.2 dots an inch.
    return perInch == 0 ? units : (units * 2032 + 5 * perInch) / (10 * perInch);
}

void PrintEngine::SetAbsolutePosition(std::uint16_t units) {
    if (!m_line.Begun()) m_line.Begin(AreaLeft(), AreaRight());
    const int x = m_line.Left() + MotionDots(units, true);
    if (x < m_line.Right()) m_line.MoveTo(x);
}

void PrintEngine::SetRelativePosition(std::int16_t units) {
    if (!m_line.Begun()) m_line.Begin(AreaLeft(), AreaRight());
    const int x = m_line.Cursor() + MotionDots(units, true);
    if (x >= m_line.Left() && x < m_line.Right()) m_line.MoveTo(x);
}

void PrintEngine::SetMotionUnits(std::uint8_t x, std::uint8_t y) {
    m_settings.motionX = x;
    m_settings.motionY = y;
}

void PrintEngine::SetPrintMode(std::uint8_t bits) {
    TextStyle& style = m_settings.style;
    m_settings.fontB = (bits & 0x01) != 0;
    ForgetGlyphs();
    style.italic = (bits & 0x02) != 0;
    m_settings.emphasized = (bits & 0x08) != 0;
    style.bold = m_settings.emphasized || m_settings.doubleStrike;
    style.scaleY = (bits & 0x10) ? 2 : 1;
    style.scaleX = (bits & 0x20) ? 2 : 1;
    style.underline = (bits & 0x80) ? 2 : 0;
}

void PrintEngine::SetAlignment(std::uint8_t n) {
    const int value = n >= '0' ? n - '0' : n;
    if (value <= 2) m_settings.alignment = value;
}

void PrintEngine::SetGrayLevel(std::uint8_t n) {
    if (n >= 1 && n <= 8) m_settings.shade = ShadeOfLevel(n);
}

// Stops must rise; the first that does not ends the list, as the list's own terminator would.
void PrintEngine::SetTabStops(const std::vector<std::uint8_t>& columns) {
    m_settings.tabColumns.clear();
    for (std::uint8_t column : columns) {
        if (column == 0 ||
            (!m_settings.tabColumns.empty() && column <= m_settings.tabColumns.back()))
            break;
        if (m_settings.tabColumns.size() == 32) break;
        m_settings.tabColumns.push_back(column);
    }
}

void PrintEngine::Initialize() {
    m_settings = DefaultSettings();
    ForgetGlyphs();
    m_pairer = GbkPairer{};
    m_pairer.SetDoubleByte(m_commands == CommandSet::Module);
    m_line.Clear();
    m_lineImages.clear();
    m_raster = Raster{};
    m_graphics.reset();
    m_userCharacters.Clear();
    m_page.reset();
}

void PrintEngine::ClearBuffer() {
    m_pairer.Reset();
    m_line.Clear();
    m_lineImages.clear();
    m_graphics.reset();
    if (m_page) m_page->Clear();
}

void PrintEngine::SetEmphasized(bool on) {
    m_settings.emphasized = on;
    m_settings.style.bold = on || m_settings.doubleStrike;
}

void PrintEngine::SetDoubleStrike(bool on) {
    m_settings.doubleStrike = on;
    m_settings.style.bold = on || m_settings.emphasized;
}

void PrintEngine::SetItalic(bool on) { m_settings.style.italic = on; }

void PrintEngine::SetFont(std::uint8_t n) {
    const int value = n >= '0' ? n - '0' : n;
    if (value > 1) return;
    m_settings.fontB = value == 1;
    ForgetGlyphs();
}

void PrintEngine::SetCondensed(bool on) {
    m_settings.condensed = on;
    ForgetGlyphs();
}

void PrintEngine::SetOneLineDoubleWidth(bool on) { m_settings.oneLineWide = on; }
void PrintEngine::SetReverse(bool on) { m_settings.style.reverse = on; }
void PrintEngine::SetUpsideDown(bool on) { m_settings.upsideDown = on; }

void PrintEngine::SetRotation(bool on) {
    m_settings.rotated = on;
    ForgetGlyphs();
}

void PrintEngine::SetRightSpacing(std::uint8_t dots) { m_settings.style.rightSpacing = dots; }

void PrintEngine::SelectInternationalSet(std::uint8_t n) {
    if (!CodeTable::InternationalName(n)) return;
    m_settings.internationalSet = n;
    ForgetGlyphs();
}

void PrintEngine::SetKanjiPrintMode(std::uint8_t bits) {
    m_settings.kanjiWide = (bits & 0x04) != 0;
    m_settings.kanjiTall = (bits & 0x08) != 0;
    m_settings.kanjiUnderline = (bits & 0x80) ? 1 : 0;
}

void PrintEngine::SetKanjiUnderline(std::uint8_t n) {
    const int value = n >= '0' ? n - '0' : n;
    if (value <= 2) m_settings.kanjiUnderline = value;
}

void PrintEngine::SetKanjiSpacing(std::uint8_t left, std::uint8_t right) {
    m_settings.kanjiLeft = left;
    m_settings.kanjiRight = right;
}

void PrintEngine::SetKanjiQuadruple(bool on) { m_settings.kanjiQuadruple = on; }

// Half a GBK pair does not carry over into UTF-8 text, nor back.
void PrintEngine::SelectUtf8(bool) { m_pairer.Reset(); }

void PrintEngine::SetFontPriority(std::uint8_t rank, std::uint8_t font) {
    if (rank < m_settings.fontPriority.size() && FindTextFont(font))
        m_settings.fontPriority[rank] = font;
}

void PrintEngine::SetUnderline(std::uint8_t n) {
    const int value = n >= '0' ? n - '0' : n;
    if (value <= 2) m_settings.style.underline = value;
}

void PrintEngine::SetLineSpacing(std::uint8_t dots) { m_settings.lineSpacing = dots; }
void PrintEngine::SetDefaultLineSpacing() { m_settings.lineSpacing = Settings{}.lineSpacing; }

// A table this printer does not have leaves the current one.
void PrintEngine::SelectCodeTable(std::uint8_t n) {
    if (n == CodeTable::kLatin1 || !CodeTable::Get(n)) return;
    m_settings.codeTable = n;
    ForgetGlyphs();
}

void PrintEngine::SetKanjiMode(bool on) { m_pairer.SetDoubleByte(on); }

void PrintEngine::SetCharacterSize(std::uint8_t n) {
    m_settings.style.scaleX = ((n >> 4) & 0x07) + 1;
    m_settings.style.scaleY = (n & 0x07) + 1;
}

// ---- Raster ----

void PrintEngine::RasterBegin(std::uint8_t m, std::uint16_t widthBytes, std::uint16_t height) {
    PrintPendingLine();
    const int mode = (m >= '0' && m <= '3') ? m - '0' : (m <= 3 ? m : 0);
    m_raster = Raster{};
    m_raster.active = widthBytes > 0 && height > 0;
    m_raster.scaleX = (mode & 1) ? 2 : 1;
    m_raster.scaleY = (mode & 2) ? 2 : 1;
    m_raster.widthBytes = widthBytes;
    m_raster.rowsLeft = height;
    m_raster.right = AreaRight();
    m_raster.width = widthBytes * 8 * m_raster.scaleX;
    if (m_page && m_raster.active) {
        const Spot spot =
            PlaceBlock(m_raster.width, height * m_raster.scaleY, AreaLeft(), m_raster.right);
        m_raster.left = spot.x;
        m_raster.top = spot.top;
    } else {
        m_raster.left = AlignedStart(m_raster.width, AreaLeft(), m_raster.right);
        m_raster.top = HeadRow();
    }
}

void PrintEngine::RasterRow(const std::uint8_t* row) {
    if (!m_raster.active || m_raster.rowsLeft == 0) return;
    --m_raster.rowsLeft;
    const int sx = m_raster.scaleX, sy = m_raster.scaleY;
    // A page holds the whole image at once; on paper each row is burnt as the paper moves.
    if (!m_page) {
        MakeRoom(sy);
        // A receipt cut at its length limit: the image goes on at the top of the next one.
        m_raster.top = std::min(m_raster.top, HeadRow());
    }
    const int top = m_page ? m_raster.top : HeadRow();
    Surface& surface = Target();
    const int visibleDots = std::max(0, (m_raster.right - m_raster.left + sx - 1) / sx);
    const int bytes = std::min(m_raster.widthBytes, (visibleDots + 7) / 8);
    for (int dot = 0; dot < bytes * 8;) {
        if (!(row[dot / 8] & (0x80 >> (dot % 8)))) {
            ++dot;
            continue;
        }
        const int start = dot;
        while (dot < bytes * 8 && (row[dot / 8] & (0x80 >> (dot % 8)))) ++dot;
        const int x0 = m_raster.left + start * sx;
        const int x1 = std::min(m_raster.left + dot * sx, m_raster.right);
        for (int r = 0; r < sy; ++r) surface.Darken(top + r, x0, x1, m_settings.shade);
    }
    if (m_page)
        m_raster.top += sy;
    else
        Advance(sy);
}

void PrintEngine::RasterEnd() {
    if (m_page && m_raster.active) PassBlock(m_raster.width, 0);
    if (!m_page && m_raster.active && m_settings.upsideDown)
        m_paper->TurnHalf(m_raster.top, HeadRow() - m_raster.top);
    m_raster = Raster{};
}

// ---- Vertical table ----

void PrintEngine::TableRow(const std::vector<std::uint8_t>& boundaries,
                           const std::vector<TableCell>& cells) {
    PrintPendingLine();
    const int left = AreaLeft(), right = AreaRight();
    std::vector<int> rules;
    for (std::uint8_t b : boundaries)
        rules.push_back(std::min(left + b * kColumnDots, right - kRuleDots));
    std::sort(rules.begin(), rules.end());
    rules.erase(std::unique(rules.begin(), rules.end()), rules.end());
    const int ruleLeft = rules.size() >= 2 ? rules.front() : left;
    const int ruleRight = rules.size() >= 2 ? rules.back() + kRuleDots : right;

    // A row that follows another directly starts on that row's bottom rule, forming one grid.
    if (!m_page && m_tableEnd == HeadRow() && m_tableEnd >= kRuleDots) Reverse(kRuleDots);
    const int bodyRows = kCellPadding + Glyph::kHeight + kCellPadding;
    const int total = kRuleDots + bodyRows + kRuleDots;
    const int top = PlaceBlock(0, total, left, right).top;
    Surface& surface = Target();
    const int bodyTop = top + kRuleDots;
    const std::uint8_t shade = m_settings.shade;
    for (int y : {top, bodyTop + bodyRows})
        for (int r = 0; r < kRuleDots; ++r) surface.Darken(y + r, ruleLeft, ruleRight, shade);
    for (int x : rules)
        for (int y = top; y < top + total; ++y) surface.Darken(y, x, x + kRuleDots, shade);

    for (const TableCell& cell : cells) {
        const int start = left + cell.position * kColumnDots;
        int cellLeft = left, cellRight = right;
        for (int x : rules) {
            if (x <= start)
                cellLeft = x + kRuleDots;
            else if (x < cellRight)
                cellRight = x;
        }
        TextStyle style;
        style.bold = cell.format == 2;
        GbkPairer pairer;
        std::vector<TextChar> chars;
        for (std::uint8_t byte : cell.text) {
            TextChar out[2];
            const int count = pairer.Push(byte, out);
            chars.insert(chars.end(), out, out + count);
        }
        std::size_t first = 0;
        while (first < chars.size() && chars[first].lead == 0 && chars[first].byte == ' ') ++first;
        int x = start;
        for (std::size_t i = first; i < chars.size() && x < cellRight; ++i) {
            const TextChar& c = chars[i];
            const Glyph& glyph =
                c.lead ? m_fonts.Pair(c.lead, c.byte)
                       : (c.byte >= 0x80 ? m_fonts.Box(kColumnDots) : m_fonts.Single(c.byte));
            PaintGlyph(surface, glyph, style, x, bodyTop + kCellPadding, shade,
                       Clip{cellLeft, cellRight});
            x += glyph.width;
        }
    }
    PassBlock(right - left, total);
    m_tableEnd = m_page ? -1 : HeadRow();
}

// ---- Barcodes ----

void PrintEngine::SetBarcodeHeight(std::uint8_t dots) {
    if (dots > 0) m_settings.barcodeHeight = dots;
}

void PrintEngine::SetBarcodeWidth(std::uint8_t n) {
    if (n >= 1 && n <= 6) m_settings.barcodeModule = n;
}

void PrintEngine::SetBarcodeTextPosition(std::uint8_t n) {
    const int value = n >= '0' ? n - '0' : n;
    if (value <= 3) m_settings.captionPosition = value;
}

void PrintEngine::DrawCaption(const std::string& text, int centre, int top) {
    const int width = static_cast<int>(text.size()) * kColumnDots;
    int x = centre - width / 2;
    for (char c : text) {
        PaintGlyph(Target(), m_fonts.Single(static_cast<std::uint8_t>(c)), TextStyle{}, x, top,
                   m_settings.shade, Clip{0, Target().Width()});
        x += kColumnDots;
    }
}

// Invalid data and bars wider than the printable area print nothing, as on the printer. The quiet
// zones are blank paper: they may run into the margins and off the paper's edge.
std::string PrintEngine::PrintBarcode(std::uint8_t system, const std::vector<std::uint8_t>& data) {
    PrintPendingLine();
    const auto symbol = EncodeBarcode(system, data);
    if (!symbol) return "not printed: data this system cannot carry";
    const int module = m_settings.barcodeModule;
    const int symbolWidth = static_cast<int>(symbol->modules.size()) * module;
    const int quiet = kQuietModules * module;
    const int left = AreaLeft(), right = AreaRight();
    if (symbolWidth > right - left)
        return "not printed: " + std::to_string(symbolWidth) + " dots wide, print area " +
               std::to_string(right - left);
    const bool quietFits = symbolWidth + 2 * quiet <= right - left;
    const bool above = m_settings.captionPosition & 1, below = m_settings.captionPosition & 2;
    const int captionRows = Glyph::kHeight + kCaptionGap;
    const int height = m_settings.barcodeHeight;
    const int total = (above ? captionRows : 0) + height + (below ? captionRows : 0);
    const Spot spot =
        PlaceBlock(quietFits ? symbolWidth + 2 * quiet : symbolWidth, total, left, right);
    const int x0 = spot.x + (quietFits ? quiet : 0);
    const int centre = x0 + symbolWidth / 2;
    const int barsTop = spot.top + (above ? captionRows : 0);
    if (above) DrawCaption(symbol->text, centre, spot.top);
    Surface& surface = Target();
    for (std::size_t i = 0; i < symbol->modules.size();) {
        if (!symbol->modules[i]) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < symbol->modules.size() && symbol->modules[i]) ++i;
        const int x0Bar = x0 + static_cast<int>(start) * module;
        const int x1Bar = x0 + static_cast<int>(i) * module;
        for (int y = barsTop; y < barsTop + height; ++y)
            surface.Darken(y, x0Bar, x1Bar, m_settings.shade);
    }
    if (below) DrawCaption(symbol->text, centre, barsTop + height + kCaptionGap);
    PassBlock(quietFits ? symbolWidth + 2 * quiet : symbolWidth, total);
    return {};
}

// ---- Cutting ----

// Paper is cut in standard mode only: a page is still being composed.
void PrintEngine::Cut(bool partial, std::uint8_t feed) {
    if (m_page) return;
    PrintPendingLine();
    Advance(feed);
    if (partial && m_paper->HasInk()) {
        // Perforation: short dashes across the paper, two rows deep, left at the receipt's end
        // where the paper tears off. A second cut in a row makes no receipt of its own.
        MakeRoom(kRuleDots);
        const int y = HeadRow();
        for (int x = 0; x < m_width; x += 12)
            for (int r = 0; r < kRuleDots; ++r) m_paper->Darken(y + r, x, x + 8, 0);
        Advance(kRuleDots);
    }
    FinishReceipt();
}

}  // namespace emu
