#include "emulator/decoding/CommandDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace emu {

namespace {

constexpr std::uint8_t HT = 0x09, LF = 0x0A, CR = 0x0D, DLE = 0x10, DC4 = 0x14, EOT = 0x04,
                       ENQ = 0x05, ESC = 0x1B, FS = 0x1C, GS = 0x1D;

// A length-prefixed block (GS ( x) is consumed whole; only its first bytes are ever read.
constexpr std::size_t kBlockKept = 16;

std::string N(std::uint64_t value) { return std::to_string(value); }

std::string Hex(std::uint8_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", value);
    return buf;
}

std::string CodeName(std::uint8_t code) {
    if (code > 0x20 && code < 0x7F) return std::string(1, static_cast<char>(code));
    return Hex(code);
}

const char* PrefixName(std::uint8_t prefix) {
    switch (prefix) {
        case ESC:
            return "ESC";
        case GS:
            return "GS";
        case FS:
            return "FS";
        case DLE:
            return "DLE";
        default:
            return "?";
    }
}

// Parameters accept both the binary and the ASCII digit form, as ESC/POS printers do.
std::uint8_t Digit(std::uint8_t n) { return n >= '0' && n <= '9' ? n - '0' : n; }

const char* BarcodeName(std::uint8_t system) {
    static const char* const names[] = {"UPC-A", "UPC-E",   "EAN-13", "EAN-8",  "CODE39",
                                        "ITF",   "CODABAR", "CODE93", "CODE128"};
    return system >= 65 && system <= 73 ? names[system - 65] : "unknown";
}

std::string Ascii(const std::vector<std::uint8_t>& bytes) {
    std::string text = "\"";
    for (std::uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
            text += static_cast<char>(b);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            text += buf;
        }
    }
    return text + "\"";
}

std::string PrintModeMeaning(std::uint8_t bits) {
    static const char* const names[8] = {"bit 0",         "italic",       "bit 2", "bold",
                                         "double height", "double width", "bit 6", "underline"};
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

std::string StatusBitsMeaning(std::uint8_t n) {
    static const char* const names[6] = {"over-voltage", "platen", "paper out",
                                         "overheat",     "",       "cutter"};
    std::string text;
    for (int bit = 0; bit < 6; ++bit) {
        if (bit == 4 || !(n & (1u << bit))) continue;
        if (!text.empty()) text += ", ";
        text += names[bit];
    }
    return text;
}

// One-parameter commands the printer knows but does not act on (traced, then skipped).
bool IsIgnoredEscWithOne(std::uint8_t code) {
    return std::strchr(" %GMRVU{rT=c?", code) != nullptr && code != 0;
}
bool IsIgnoredGsWithOne(std::uint8_t code) {
    return std::strchr("BbfIr", code) != nullptr && code != 0;
}

}  // namespace

CommandDecoder::CommandDecoder(CommandSink& sink, ControlHandler& control)
    : m_sink(sink), m_control(control) {}

void CommandDecoder::SetObserver(std::function<void(const DecodedCommand&)> observer) {
    m_observer = std::move(observer);
    if (m_observer && !m_gbk) m_gbk = std::make_unique<GbkText>();
}

std::size_t CommandDecoder::Feed(const std::uint8_t* data, std::size_t length) {
    m_stopRequested = false;
    std::size_t i = 0;
    while (i < length) {
        if (!Step(data, length, i)) break;
    }
    return i;
}

void CommandDecoder::Finish() { DropUnfinished("incomplete at end of input"); }

void CommandDecoder::Reset(std::uint64_t offset) {
    DropUnfinished("incomplete, dropped");
    m_offset = offset;
}

void CommandDecoder::DropUnfinished(const char* why) {
    EndTextRun();
    if (m_state == State::Idle) return;
    if (m_state == State::RasterRows) m_sink.RasterEnd();
    if (m_observer) {
        m_current.mnemonic = Mnemonic();
        m_current.meaning = std::string(why) + " (" + N(m_current.length) + " bytes)";
        m_observer(m_current);
    }
    m_state = State::Idle;
}

void CommandDecoder::StartCommand(std::uint8_t prefix) {
    m_current.offset = m_offset;
    m_current.length = 0;
    m_prefix = prefix;
    m_code = 0;
    m_paramCount = 0;
    m_paramNeed = 0;
    Take(prefix);
}

void CommandDecoder::Take(std::uint8_t byte) {
    if (m_current.length < DecodedCommand::kHeadBytes) m_current.head[m_current.length] = byte;
    ++m_current.length;
    ++m_offset;
}

void CommandDecoder::TakeMany(const std::uint8_t* bytes, std::size_t count) {
    if (m_current.length < DecodedCommand::kHeadBytes) {
        std::size_t n = std::min<std::size_t>(count, DecodedCommand::kHeadBytes - m_current.length);
        std::memcpy(m_current.head.data() + m_current.length, bytes, n);
    }
    m_current.length += count;
    m_offset += count;
}

std::string CommandDecoder::Mnemonic() const {
    std::string text = PrefixName(m_prefix);
    if (m_prefix != ESC && m_prefix != GS && m_prefix != FS && m_prefix != DLE) {
        switch (m_prefix) {
            case LF:
                return "LF";
            case CR:
                return "CR";
            case HT:
                return "HT";
            default:
                return Hex(m_prefix);
        }
    }
    if (m_current.length < 2) return text;
    if (m_prefix == DLE && m_code == EOT) return "DLE EOT";
    if (m_prefix == DLE && m_code == ENQ) return "DLE ENQ";
    if (m_prefix == DLE && m_code == DC4) return "DLE DC4";
    text += " " + CodeName(m_code);
    if (m_prefix == GS && m_code == 'v' && m_paramCount >= 1 && m_params[0] == '0') text += " 0";
    if (m_prefix == GS && m_code == '(' && m_paramCount >= 1) text += " " + CodeName(m_params[0]);
    return text;
}

void CommandDecoder::Complete(std::string mnemonic, std::string meaning) {
    if (m_observer) {
        m_current.mnemonic = std::move(mnemonic);
        m_current.meaning = std::move(meaning);
        m_observer(m_current);
    }
    Finished();
}

void CommandDecoder::CompleteUnknown(std::string mnemonic) {
    Complete(std::move(mnemonic), "unknown command, skipped");
}

void CommandDecoder::Finished() {
    m_state = State::Idle;
    m_commandDone = true;
}

void CommandDecoder::TextByte(std::uint8_t byte) {
    m_sink.Text(byte);
    if (!m_observer) {
        ++m_offset;
        return;
    }
    if (!m_textRun) {
        m_textRun = true;
        m_textRecord.offset = m_offset;
        m_textRecord.length = 0;
        m_textShown.clear();
    }
    if (m_textRecord.length < DecodedCommand::kHeadBytes)
        m_textRecord.head[m_textRecord.length] = byte;
    ++m_textRecord.length;
    if (m_textShown.size() < kTraceTextBytes) m_textShown.push_back(byte);
    ++m_offset;
}

void CommandDecoder::EndTextRun() {
    if (!m_textRun) return;
    m_textRun = false;
    m_textRecord.mnemonic = "text";
    m_textRecord.meaning = Quote(m_textShown, m_textRecord.length);
    m_observer(m_textRecord);
}

std::string CommandDecoder::Quote(const std::vector<std::uint8_t>& bytes, std::size_t total) {
    std::string text = "\"" + m_gbk->ToUtf8(bytes.data(), bytes.size()) + "\"";
    if (total > bytes.size()) text += " …";
    return text;
}

bool CommandDecoder::Step(const std::uint8_t* data, std::size_t length, std::size_t& i) {
    m_commandDone = false;
    const std::uint8_t b = data[i];
    switch (m_state) {
        case State::Idle:
            if (b >= 0x20) {
                TextByte(b);
                ++i;
                return true;
            }
            EndTextRun();
            StartCommand(b);
            ++i;
            switch (b) {
                case LF:
                    m_sink.LineFeed();
                    Complete("LF", "print and line feed");
                    break;
                case CR:
                    m_sink.CarriageReturn();
                    Complete("CR", "carriage return");
                    break;
                case HT:
                    m_sink.HorizontalTab();
                    Complete("HT", "horizontal tab");
                    break;
                case ESC:
                case GS:
                case FS:
                case DLE:
                    m_state = State::Prefix;
                    break;
                default:
                    Complete(Hex(b), "unknown control byte, skipped");
                    break;
            }
            break;
        case State::Prefix:
            Take(b);
            ++i;
            m_code = b;
            OnCode(b);
            break;
        case State::Params:
            Take(b);
            ++i;
            m_params[m_paramCount++] = b;
            if (m_paramCount == m_paramNeed) OnParams();
            break;
        case State::TabStops:
            if (b == 0) {
                Take(b);
                ++i;
            } else if (m_list.size() == kMaxTabStops) {
                // A printer keeps at most 32 stops; what follows is ordinary data again.
            } else {
                Take(b);
                ++i;
                m_list.push_back(b);
                break;
            }
            m_sink.SetTabStops(m_list);
            Complete("ESC D", [&] {
                if (m_list.empty()) return std::string("tab stops cleared");
                std::string text = "tab stops at columns";
                for (std::uint8_t c : m_list) text += " " + N(c);
                return text;
            }());
            break;
        case State::RasterRows: {
            std::size_t n = std::min(length - i, m_row.size() - m_rowFill);
            std::memcpy(m_row.data() + m_rowFill, data + i, n);
            TakeMany(data + i, n);
            i += n;
            m_rowFill += n;
            if (m_rowFill == m_row.size()) {
                m_sink.RasterRow(m_row.data());
                m_rowFill = 0;
                if (--m_rowsLeft == 0) {
                    m_sink.RasterEnd();
                    std::uint16_t h = static_cast<std::uint16_t>(m_params[4] | m_params[5] << 8);
                    std::uint8_t mode = m_params[1];
                    static const char* const scale[4] = {"", ", double width", ", double height",
                                                         ", quadruple"};
                    Complete("GS v 0", m_observer ? "raster image " + N(m_row.size() * 8) + " x " +
                                                        N(h) + " dots" + scale[Digit(mode) & 3]
                                                  : std::string());
                }
            }
            break;
        }
        case State::TableBoundaries:
            Take(b);
            ++i;
            m_list.push_back(b);
            if (m_list.size() == m_expected) m_state = State::TableCellCount;
            break;
        case State::TableCellCount:
            Take(b);
            ++i;
            m_cells.assign(b, TableCell{});
            m_cellIndex = 0;
            m_overlong = false;
            if (b == 0)
                OnTableStart();
            else
                m_state = State::TablePositions;
            break;
        case State::TablePositions:
            Take(b);
            ++i;
            m_cells[m_cellIndex++].position = b;
            if (m_cellIndex == m_cells.size()) {
                m_cellIndex = 0;
                m_state = State::TableFormat;
            }
            break;
        case State::TableFormat:
            Take(b);
            ++i;
            m_cells[m_cellIndex].format = b;
            m_state = State::TableText;
            break;
        case State::TableText: {
            const std::uint8_t* end =
                static_cast<const std::uint8_t*>(std::memchr(data + i, 0, length - i));
            std::size_t n = end ? static_cast<std::size_t>(end - (data + i)) : length - i;
            std::vector<std::uint8_t>& text = m_cells[m_cellIndex].text;
            std::size_t keep = std::min(n, kMaxCellText - std::min(kMaxCellText, text.size()));
            text.insert(text.end(), data + i, data + i + keep);
            if (keep < n) m_overlong = true;
            TakeMany(data + i, n);
            i += n;
            if (end) {
                Take(0);
                ++i;
                if (++m_cellIndex == m_cells.size())
                    OnTableStart();
                else
                    m_state = State::TableFormat;
            }
            break;
        }
        case State::BarcodeText:
            if (b != 0 && b < 0x20) {
                // Form-one data is printable; a control byte means the NUL never came. The byte is
                // decoded afresh as the start of whatever follows.
                Complete("GS k", "barcode data not ended by NUL, skipped");
                break;
            }
            Take(b);
            ++i;
            if (b != 0) {
                if (m_list.size() < kMaxBarcodeData)
                    m_list.push_back(b);
                else
                    m_overlong = true;
                break;
            }
            OnBarcodeStart();
            break;
        case State::BarcodeData:
            Take(b);
            ++i;
            m_list.push_back(b);
            if (m_list.size() == m_expected) OnBarcodeStart();
            break;
        case State::Block: {
            std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(length - i, m_blockLeft));
            std::size_t keep = std::min(n, kBlockKept - std::min(kBlockKept, m_block.size()));
            m_block.insert(m_block.end(), data + i, data + i + keep);
            TakeMany(data + i, n);
            i += n;
            m_blockLeft -= n;
            if (m_blockLeft == 0) OnParams();
            break;
        }
    }
    return !(m_commandDone && m_stopRequested);
}

void CommandDecoder::NeedParams(std::size_t count) {
    m_paramNeed = count;
    m_state = State::Params;
}

void CommandDecoder::OnCode(std::uint8_t code) {
    switch (m_prefix) {
        case ESC:
            switch (code) {
                case '@':
                    m_sink.Initialize();
                    Complete("ESC @", "initialize printer");
                    return;
                case '2':
                    m_sink.SetDefaultLineSpacing();
                    Complete("ESC 2", "default line spacing");
                    return;
                case '$':
                    NeedParams(2);
                    return;
                case '*':
                    NeedParams(3);
                    return;
                case 'D':
                    m_list.clear();
                    m_state = State::TabStops;
                    return;
                case 'J':
                case 'K':
                case 'd':
                case 'e':
                case 'l':
                case 'Q':
                case '!':
                case 'a':
                case 'm':
                case 'E':
                case '-':
                case '3':
                case 't':
                    NeedParams(1);
                    return;
                default:
                    if (IsIgnoredEscWithOne(code)) {
                        NeedParams(code == 'c' ? 2 : 1);
                        return;
                    }
                    break;
            }
            break;
        case GS:
            switch (code) {
                case 'v':
                case 'V':
                case 'k':
                case 'h':
                case 'w':
                case 'H':
                case 'a':
                case '!':
                    NeedParams(1);
                    return;
                case 'L':
                case 'W':
                    NeedParams(2);
                    return;
                case '(':
                    NeedParams(3);
                    return;
                default:
                    if (IsIgnoredGsWithOne(code)) {
                        NeedParams(1);
                        return;
                    }
                    break;
            }
            break;
        case FS:
            switch (code) {
                case '&':
                    m_sink.SetKanjiMode(true);
                    Complete("FS &", "Chinese character mode on");
                    return;
                case '.':
                    m_sink.SetKanjiMode(false);
                    Complete("FS .", "Chinese character mode off");
                    return;
                case 'V':
                    NeedParams(1);
                    return;
            }
            break;
        case DLE:
            if (code == EOT || code == ENQ || code == DC4) {
                NeedParams(1);
                return;
            }
            break;
    }
    CompleteUnknown(Mnemonic());
}

void CommandDecoder::OnParams() {
    switch (m_prefix) {
        case ESC:
            OnEscParams();
            break;
        case GS:
            OnGsParams();
            break;
        case FS:  // FS V b: the table row's boundaries follow
            m_list.clear();
            m_cells.clear();
            m_expected = m_params[0];
            m_state = m_expected == 0 ? State::TableCellCount : State::TableBoundaries;
            break;
        case DLE:
            OnDleParams();
            break;
    }
}

void CommandDecoder::OnEscParams() {
    const std::uint8_t n = m_params[0];
    switch (m_code) {
        case 'J':
            m_sink.FeedDots(n);
            Complete("ESC J", "print and feed " + N(n) + " dots");
            return;
        case 'K':
            m_sink.ReverseFeedDots(n);
            Complete("ESC K", "print and reverse feed " + N(n) + " dots");
            return;
        case 'd':
            m_sink.FeedLines(n);
            Complete("ESC d", "print and feed " + N(n) + " lines");
            return;
        case 'e':
            m_sink.ReverseFeedLines(n);
            Complete("ESC e", "print and reverse feed " + N(n) + " lines");
            return;
        case 'l':
            m_sink.SetLeftMargin(n);
            Complete("ESC l", "left margin " + N(n) + " x 8 = " + N(n * 8u) + " dots");
            return;
        case 'Q':
            m_sink.SetRightMargin(n);
            Complete("ESC Q", "right margin " + N(n) + " x 8 = " + N(n * 8u) + " dots");
            return;
        case '!':
            m_sink.SetPrintMode(n);
            Complete("ESC !", m_observer ? PrintModeMeaning(n) : std::string());
            return;
        case 'a': {
            m_sink.SetAlignment(n);
            static const char* const names[3] = {"left", "centre", "right"};
            std::uint8_t d = Digit(n);
            Complete("ESC a", d < 3 ? std::string("align ") + names[d]
                                    : "align " + N(n) + " (not 0, 1 or 2)");
            return;
        }
        case 'm':
            m_sink.SetGrayLevel(n);
            Complete("ESC m", "gray level " + N(n));
            return;
        case 'E':
            m_sink.SetEmphasized(n & 1);
            Complete("ESC E", n & 1 ? "bold on" : "bold off");
            return;
        case '-':
            m_sink.SetUnderline(n);
            Complete("ESC -",
                     Digit(n) == 0 ? "underline off" : "underline " + N(Digit(n)) + " dot");
            return;
        case '3':
            m_sink.SetLineSpacing(n);
            Complete("ESC 3", "line spacing " + N(n) + " dots");
            return;
        case 't':
            m_sink.SelectCodeTable(n);
            Complete("ESC t", "code table " + N(n));
            return;
        case '$': {
            std::uint16_t dots = static_cast<std::uint16_t>(m_params[0] | m_params[1] << 8);
            m_sink.SetAbsolutePosition(dots);
            Complete("ESC $", "absolute position " + N(dots) + " dots");
            return;
        }
        case '*': {
            if (m_paramCount == 3) {
                std::uint64_t columns = m_params[1] | m_params[2] << 8;
                std::uint8_t m = m_params[0];
                if (m == 0 || m == 1 || m == 32 || m == 33) {
                    m_blockLeft = m >= 32 ? columns * 3 : columns;
                    m_block.clear();
                    if (m_blockLeft > 0) {
                        m_paramCount = 4;  // marks the data as read when the block ends
                        m_state = State::Block;
                        return;
                    }
                } else {
                    Complete("ESC *", "bit image mode " + N(m) + " unknown, skipped");
                    return;
                }
            }
            Complete("ESC *", "bit image (not supported), skipped");
            return;
        }
        default:
            Complete(Mnemonic(), "not supported, skipped");
            return;
    }
}

void CommandDecoder::OnGsParams() {
    const std::uint8_t n = m_params[0];
    switch (m_code) {
        case 'v':
            if (n != '0') {
                Complete("GS v " + CodeName(n), "unknown command, skipped");
                return;
            }
            if (m_paramCount < 6) {
                NeedParams(6);
                return;
            }
            {
                std::uint16_t widthBytes =
                    static_cast<std::uint16_t>(m_params[2] | m_params[3] << 8);
                std::uint16_t height = static_cast<std::uint16_t>(m_params[4] | m_params[5] << 8);
                m_sink.RasterBegin(m_params[1], widthBytes, height);
                if (widthBytes == 0 || height == 0) {
                    m_sink.RasterEnd();
                    Complete("GS v 0", "raster image " + N(widthBytes * 8u) + " x " + N(height) +
                                           " dots: empty");
                    return;
                }
                m_row.assign(widthBytes, 0);
                m_rowFill = 0;
                m_rowsLeft = height;
                m_state = State::RasterRows;
            }
            return;
        case 'V':
            if (m_paramCount == 1 &&
                (n == 65 || n == 66 || n == 97 || n == 98 || n == 103 || n == 104)) {
                NeedParams(2);
                return;
            }
            if (n == 0 || n == 48 || n == 1 || n == 49) {
                bool partial = n == 1 || n == 49;
                m_sink.Cut(partial, 0);
                Complete("GS V", partial ? "partial cut" : "full cut");
            } else if (n == 65 || n == 66) {
                m_sink.Cut(n == 66, m_params[1]);
                Complete("GS V", std::string(n == 66 ? "partial" : "full") + " cut after feeding " +
                                     N(m_params[1]) + " dots");
            } else {
                Complete("GS V", "cut mode " + N(n) + " not supported, skipped");
            }
            return;
        case 'k':
            m_list.clear();
            m_overlong = false;
            if (n <= 6) {
                m_state = State::BarcodeText;
                return;
            }
            if (n >= 65 && n <= 73) {
                if (m_paramCount == 1) {
                    NeedParams(2);
                    return;
                }
                m_expected = m_params[1];
                if (m_expected == 0) {
                    OnBarcodeStart();
                    return;
                }
                m_state = State::BarcodeData;
                return;
            }
            Complete("GS k", "barcode system " + N(n) + " unknown, skipped");
            return;
        case 'h':
            m_sink.SetBarcodeHeight(n);
            Complete("GS h", "barcode height " + N(n) + " dots");
            return;
        case 'w':
            m_sink.SetBarcodeWidth(n);
            Complete("GS w", "barcode module width " + N(n));
            return;
        case 'H': {
            m_sink.SetBarcodeTextPosition(n);
            static const char* const names[4] = {"not printed", "above", "below",
                                                 "above and below"};
            std::uint8_t d = Digit(n);
            Complete("GS H", d < 4 ? std::string("barcode text ") + names[d]
                                   : "barcode text position " + N(n) + " (not 0 to 3)");
            return;
        }
        case 'a': {
            std::string note = m_control.AutoStatus(n);
            std::uint8_t bits = n & 0x2F;
            std::string meaning = bits ? "automatic status reports on " + StatusBitsMeaning(bits)
                                       : std::string("automatic status reports off");
            if (n & 0x10) meaning += " (bit 4 ignored)";
            if (!note.empty()) meaning += ": " + note;
            Complete("GS a", meaning);
            return;
        }
        case '!': {
            m_sink.SetCharacterSize(n);
            Complete("GS !", "character size: width x" + N((n >> 4 & 7) + 1u) + ", height x" +
                                 N((n & 7) + 1u));
            return;
        }
        case 'L': {
            std::uint16_t dots = static_cast<std::uint16_t>(m_params[0] | m_params[1] << 8);
            m_sink.SetLeftMarginDots(dots);
            Complete("GS L", "left margin " + N(dots) + " dots");
            return;
        }
        case 'W': {
            std::uint16_t dots = static_cast<std::uint16_t>(m_params[0] | m_params[1] << 8);
            m_sink.SetPrintAreaWidth(dots);
            Complete("GS W", "print area width " + N(dots) + " dots");
            return;
        }
        case '(': {
            if (m_paramCount == 3) {
                m_blockLeft = m_params[1] | m_params[2] << 8;
                m_block.clear();
                m_paramCount = 4;  // marks the block as read when it ends
                if (m_blockLeft > 0) {
                    m_state = State::Block;
                    return;
                }
            }
            const std::size_t size = m_params[1] | m_params[2] << 8;
            if (n != 'E' || size < 2 || m_block[0] != 11) {
                Complete(Mnemonic(), "function not supported, skipped");
                return;
            }
            if (m_block[1] == 1) {
                std::uint32_t baud = 0;
                bool digits = size >= 3 && size <= 9;
                for (std::size_t k = 2; digits && k < size; ++k) {
                    if (m_block[k] < '0' || m_block[k] > '9')
                        digits = false;
                    else
                        baud = baud * 10 + (m_block[k] - '0');
                }
                if (!digits || baud < 110 || baud > 921600) {
                    Complete("GS ( E", "set baud rate: malformed rate, skipped");
                    return;
                }
                std::string note = m_control.SetBaudRate(baud);
                Complete("GS ( E", "set baud rate " + N(baud) + (note.empty() ? "" : ": " + note));
                return;
            }
            if (m_block[1] == 3 && size == 3) {
                Handshake mode;
                const char* name;
                switch (m_block[2]) {
                    case 0:
                        mode = Handshake::None;
                        name = "none";
                        break;
                    case '0':
                        mode = Handshake::Hardware;
                        name = "hardware (RTS/CTS)";
                        break;
                    case '1':
                        mode = Handshake::Software;
                        name = "software (XON/XOFF)";
                        break;
                    default:
                        Complete("GS ( E", "set handshake " + N(m_block[2]) + " unknown, skipped");
                        return;
                }
                std::string note = m_control.SetHandshake(mode);
                Complete("GS ( E",
                         std::string("set handshake ") + name + (note.empty() ? "" : ": " + note));
                return;
            }
            Complete("GS ( E", "serial setting " + N(m_block[1]) + " not supported, skipped");
            return;
        }
        default:
            Complete(Mnemonic(), "not supported, skipped");
            return;
    }
}

void CommandDecoder::OnDleParams() {
    const std::uint8_t fn = m_params[0];
    if (m_code == EOT) {
        std::string note = m_control.StatusRequest(m_current.offset, fn);
        Complete("DLE EOT",
                 (fn == 5 ? std::string("status request")
                          : "real-time status " + N(fn) + " (not answered by this module)") +
                     (note.empty() ? "" : ": " + note));
        return;
    }
    if (m_code == ENQ) {
        Complete("DLE ENQ", "real-time request " + N(fn) + ", ignored");
        return;
    }
    // DLE DC4 fn: 8 clears the buffers, 2 1 8 / 2 2 8 enter and leave sleep.
    if (m_paramCount == 1) {
        if (fn == 8) {
            NeedParams(8);
            return;
        }
        if (fn == 1 || fn == 2) {
            NeedParams(3);
            return;
        }
        Complete("DLE DC4", "function " + N(fn) + " unknown, skipped");
        return;
    }
    if (fn == 8) {
        static const std::uint8_t expected[7] = {1, 3, 20, 1, 6, 2, 8};
        if (std::memcmp(&m_params[1], expected, 7) != 0) {
            Complete("DLE DC4", "clear buffers with wrong check bytes, skipped");
            return;
        }
        std::string note = m_control.ClearBuffers(m_current.offset);
        Complete("DLE DC4", "clear buffers" + (note.empty() ? "" : ": " + note));
        return;
    }
    if (fn == 2 && (m_params[1] == 1 || m_params[1] == 2) && m_params[2] == 8) {
        bool enter = m_params[1] == 1;
        std::string note = m_control.Sleep(m_current.offset, enter);
        Complete("DLE DC4", std::string(enter ? "enter sleep" : "leave sleep") +
                                (note.empty() ? "" : ": " + note));
        return;
    }
    Complete("DLE DC4",
             fn == 1 ? "pulse (no drawer), ignored" : "function 2 with unknown arguments, skipped");
}

void CommandDecoder::OnTableStart() {
    m_sink.TableRow(m_list, m_cells);
    if (!m_observer) {
        Finished();
        return;
    }
    std::string text = "table row: boundaries";
    for (std::uint8_t b : m_list) text += " " + N(b);
    text += "; " + N(m_cells.size()) + (m_cells.size() == 1 ? " cell" : " cells");
    const char* sep = ": ";
    for (const TableCell& cell : m_cells) {
        text += sep + N(cell.position) + " (format " + N(cell.format) + ") " +
                Quote(cell.text, cell.text.size());
        sep = ", ";
    }
    if (m_overlong) text += " (cell text cut to " + N(kMaxCellText) + " bytes)";
    Complete("FS V", text);
}

void CommandDecoder::OnBarcodeStart() {
    std::uint8_t system = m_params[0] <= 6 ? m_params[0] + 65 : m_params[0];
    if (m_overlong) {
        Complete("GS k", "barcode data longer than " + N(kMaxBarcodeData) + " bytes, skipped");
        return;
    }
    m_sink.PrintBarcode(system, m_list);
    Complete("GS k", m_observer
                         ? std::string("barcode ") + BarcodeName(system) + " " + Ascii(m_list)
                         : std::string());
}

}  // namespace emu
