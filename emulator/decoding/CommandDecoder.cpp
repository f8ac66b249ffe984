#include "emulator/decoding/CommandDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "emulator/decoding/CodeTable.h"
#include "emulator/decoding/RealTimeScanner.h"
#include "emulator/decoding/TextFonts.h"
#include "emulator/decoding/TraceText.h"

namespace emu {

namespace {

using namespace ascii;

constexpr std::uint8_t kLastBarcode = 78;

// A length-prefixed block (GS ( x) is consumed whole; only its first bytes are ever read.
constexpr std::size_t kBlockKept = 16;

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

const char* BarcodeName(std::uint8_t system) {
    static const char* const names[] = {"UPC-A",
                                        "UPC-E",
                                        "EAN-13",
                                        "EAN-8",
                                        "CODE39",
                                        "ITF",
                                        "CODABAR",
                                        "CODE93",
                                        "CODE128",
                                        "GS1-128",
                                        "GS1 DataBar Omnidirectional",
                                        "GS1 DataBar Truncated",
                                        "GS1 DataBar Limited",
                                        "GS1 DataBar Expanded"};
    return system >= 65 && system <= kLastBarcode ? names[system - 65] : "unknown";
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

std::string WithNote(std::string meaning, const std::string& note) {
    return note.empty() ? meaning : meaning + ": " + note;
}

// What a command does in the mode in force: act, and what the trace adds (null: nothing).
struct ModeEffect {
    bool act;
    const char* note;
};

ModeEffect EffectIn(Modes modes, bool pageMode) {
    switch (modes) {
        case Modes::PageOnly:
            return pageMode ? ModeEffect{true, nullptr}
                            : ModeEffect{false, "page mode only, ignored"};
        case Modes::StandardOnly:
            return pageMode ? ModeEffect{false, "standard mode only, ignored"}
                            : ModeEffect{true, nullptr};
        case Modes::PageSetting:
            return ModeEffect{true, pageMode ? nullptr : "kept for page mode"};
        case Modes::StandardSetting:
            return ModeEffect{true, pageMode ? "kept for standard mode" : nullptr};
        case Modes::Both:
            break;
    }
    return ModeEffect{true, nullptr};
}

std::uint8_t DefaultCodeTable(CommandSet commands) {
    return commands == CommandSet::Module ? CodeTable::kLatin1 : CodeTable::kPc437;
}

}  // namespace

CommandDecoder::CommandDecoder(CommandSink& sink, ControlHandler& control, CommandSet commands)
    : m_sink(sink),
      m_control(control),
      m_table(CommandTable::For(commands)),
      m_commands(commands),
      m_doubleByte(commands == CommandSet::Module),
      m_codeTable(DefaultCodeTable(commands)) {}

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
    if (m_state == State::OptionalFlag) {  // its parameter is optional: the command is whole
        OnOptionalFlag(false, 0);
        return;
    }
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
    m_command = nullptr;
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
    if (m_command && m_prefix != GS && m_prefix != FS) return m_command->mnemonic;
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
    if (m_utf8)
        Utf8Byte(byte);
    else
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

void CommandDecoder::Utf8Byte(std::uint8_t byte) {
    Utf8Char out[2];
    const int count = m_utf8Reader.Push(byte, out);
    for (int k = 0; k < count; ++k) SendUtf8(out[k]);
}

void CommandDecoder::SendUtf8(Utf8Char c) {
    if (c.c == Utf8Char::kInvalid) ++m_invalidUtf8;
    m_sink.Unicode(c.c);
}

// Any command ends the text: a UTF-8 sequence it cuts short is not UTF-8.
void CommandDecoder::EndTextRun() {
    Utf8Char cut;
    if (m_utf8 && m_utf8Reader.Flush(cut)) SendUtf8(cut);
    if (!m_textRun) return;
    m_textRun = false;
    m_textRecord.mnemonic = "text";
    m_textRecord.meaning = Quote(m_textShown, m_textRecord.length);
    if (m_invalidUtf8 > 0)
        m_textRecord.meaning += ": " + N(m_invalidUtf8) +
                                (m_invalidUtf8 == 1 ? " sequence" : " sequences") +
                                " not UTF-8, printed as ?";
    m_invalidUtf8 = 0;
    m_observer(m_textRecord);
}

std::string CommandDecoder::Quote(const std::vector<std::uint8_t>& bytes, std::size_t total) {
    std::string text = "\"";
    const CodeTable* table = m_doubleByte ? nullptr : CodeTable::Get(m_codeTable);
    if (m_utf8) {
        // What is not UTF-8 shows as U+FFFD; a character the shown bytes cut short is left out.
        Utf8Reader reader;
        const auto append = [&text](Utf8Char c) {
            if (c.c == Utf8Char::kInvalid)
                AppendUtf8(text, U'\uFFFD');
            else if (c.c == '"' || c.c == '\\')
                text += "\\x" + std::string(c.c == '"' ? "22" : "5C");
            else
                AppendUtf8(text, c.c);
        };
        for (std::uint8_t b : bytes) {
            Utf8Char out[2];
            const int count = reader.Push(b, out);
            for (int k = 0; k < count; ++k) append(out[k]);
        }
        Utf8Char cut;
        if (total == bytes.size() && reader.Flush(cut)) append(cut);
        text += "\"";
    } else if (table) {
        for (std::uint8_t b : bytes) {
            const char32_t c = table->Decode(b, m_internationalSet);
            if (c >= 0x20 && c != '"' && c != '\\') {
                AppendUtf8(text, c);
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", b);
                text += buf;
            }
        }
        text += "\"";
    } else {
        text += m_gbk->ToUtf8(bytes.data(), bytes.size()) + "\"";
    }
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
            if (b == ESC || b == GS || b == FS || b == DLE) {
                m_state = State::Prefix;
            } else if ((m_command = m_table.Find(0, b)) != nullptr) {
                RunRow();
            } else {
                Complete(Hex(b), "unknown control byte, skipped");
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
        case State::OptionalFlag:
            if (b <= 1 || b == '0' || b == '1') {
                Take(b);
                ++i;
                OnOptionalFlag(true, b);
            } else {
                OnOptionalFlag(false, 0);  // the byte starts what follows
            }
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
            std::size_t keep = std::min(n, m_blockKeep - std::min(m_blockKeep, m_block.size()));
            m_block.insert(m_block.end(), data + i, data + i + keep);
            if (m_graphicsData) m_graphicsBlock.Feed(data + i, n);
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
    m_command = m_table.Find(m_prefix, code);
    if (!m_command) {
        CompleteUnknown(Mnemonic());
        return;
    }
    if (m_command->params > 0) {
        NeedParams(m_command->params);
        return;
    }
    OnParams();
}

void CommandDecoder::OnParams() {
    switch (m_command->dedicated) {
        case Dedicated::None:
            RunRow();
            return;
        case Dedicated::OptionalFlag:
            m_state = State::OptionalFlag;
            return;
        case Dedicated::TabStops:
            m_list.clear();
            m_state = State::TabStops;
            return;
        case Dedicated::BitImage:
            OnBitImage();
            return;
        case Dedicated::Raster:
            OnRaster();
            return;
        case Dedicated::Cut:
            OnCut();
            return;
        case Dedicated::Barcode:
            OnBarcode();
            return;
        case Dedicated::Table:  // FS V b: the table row's boundaries follow
            m_list.clear();
            m_cells.clear();
            m_expected = m_params[0];
            m_state = m_expected == 0 ? State::TableCellCount : State::TableBoundaries;
            return;
        case Dedicated::Block:
            OnBlock();
            return;
        case Dedicated::DleDc4:
            OnDleDc4();
            return;
        case Dedicated::NvBitImages:
            OnNvBitImages();
            return;
        case Dedicated::StoredImage:
            OnStoredImage();
            return;
        case Dedicated::DownloadImage:
            OnDownloadImage();
            return;
        case Dedicated::UserChars:
            OnUserChars();
            return;
    }
}

void CommandDecoder::RunRow() {
    const std::uint8_t* params = m_params.data();
    const ModeEffect effect = EffectIn(m_command->modes, m_pageMode);
    std::string note;
    if (!effect.act)
        note = effect.note;
    else if (m_command->act)
        m_command->act(m_sink, params);
    else if (m_command->control)
        note = m_command->control(m_control, m_current.offset, params);
    if (effect.act) {
        TrackTextState();
        if (effect.note) note = effect.note;
    }
    if (m_observer)
        Complete(m_command->mnemonic, WithNote(m_command->meaning(params), note));
    else
        Finished();
}

// Follows the commands that change how text bytes read, for the trace's text.
void CommandDecoder::TrackTextState() {
    const std::uint8_t n = m_params[0];
    if (m_commands == CommandSet::EscPos) {
        if (m_prefix == ESC && m_code == 'L') m_pageMode = true;
        if ((m_prefix == ESC && (m_code == 'S' || m_code == '@')) || m_prefix == FF)
            m_pageMode = false;
    }
    if (m_prefix == ESC && m_code == '@') {
        m_matrixCodes.Reset();
        m_graphicsMemory.Initialize();
        m_doubleByte = m_commands == CommandSet::Module;
        m_codeTable = DefaultCodeTable(m_commands);
        m_internationalSet = 0;
        m_utf8 = false;
        m_utf8Reader.Reset();
    } else if (m_prefix == ESC && m_code == 't' && CodeTable::Get(n) && n != CodeTable::kLatin1) {
        m_codeTable = n;
    } else if (m_prefix == ESC && m_code == 'R' && CodeTable::InternationalName(n)) {
        m_internationalSet = n;
    } else if (m_prefix == FS && (m_code == '&' || m_code == '.')) {
        m_doubleByte = m_code == '&';
    }
}

// ESC 4 [n] / ESC 5 [n]: italic on and off; some clients send n (0 or 1), others nothing.
void CommandDecoder::OnOptionalFlag(bool given, std::uint8_t n) {
    const bool on = m_code == '4' && (!given || (n & 1));
    m_sink.SetItalic(on);
    Complete(m_command->mnemonic, on ? "italic on" : "italic off");
}

void CommandDecoder::OnBitImage() {
    const std::uint8_t m = m_params[0];
    const std::uint16_t columns = static_cast<std::uint16_t>(m_params[1] | m_params[2] << 8);
    if (m != 0 && m != 1 && m != 32 && m != 33) {
        // The data's length depends on the mode, so none can be skipped safely.
        Complete("ESC *", "bit image mode " + N(m) + " unknown, skipped");
        return;
    }
    const std::size_t perColumn = m >= 32 ? 3 : 1;
    if (m_paramCount == 3 && columns > 0) {
        StartBlock(columns * perColumn, kMaxBitImageColumns * perColumn);
        return;
    }
    m_sink.BitImage(m, columns, m_block);
    static const char* const densities[2] = {"single", "double"};
    Complete("ESC *", m_observer
                          ? "bit image " + N(columns) + " columns, " + (m >= 32 ? "24" : "8") +
                                "-dot " + densities[m & 1] + " density" +
                                (columns > kMaxBitImageColumns ? " (cut to the paper)" : "")
                          : std::string());
}

void CommandDecoder::OnRaster() {
    if (m_params[0] != '0') {
        Complete("GS v " + CodeName(m_params[0]), "unknown command, skipped");
        return;
    }
    if (m_paramCount < 6) {
        NeedParams(6);
        return;
    }
    std::uint16_t widthBytes = Word(&m_params[2]);
    std::uint16_t height = Word(&m_params[4]);
    m_sink.RasterBegin(m_params[1], widthBytes, height);
    if (widthBytes == 0 || height == 0) {
        m_sink.RasterEnd();
        Complete("GS v 0",
                 "raster image " + N(widthBytes * 8u) + " x " + N(height) + " dots: empty");
        return;
    }
    m_row.assign(widthBytes, 0);
    m_rowFill = 0;
    m_rowsLeft = height;
    m_state = State::RasterRows;
}

void CommandDecoder::OnCut() {
    const std::uint8_t n = m_params[0];
    if (m_paramCount == 1 && (n == 65 || n == 66 || n == 97 || n == 98 || n == 103 || n == 104)) {
        NeedParams(2);
        return;
    }
    if (m_pageMode) {
        Complete("GS V", "cut: standard mode only, ignored");
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
}

void CommandDecoder::OnBarcode() {
    const std::uint8_t n = m_params[0];
    m_list.clear();
    m_overlong = false;
    if (n <= 6) {
        m_state = State::BarcodeText;
        return;
    }
    // Every system from 65 on gives its data's length: one this printer cannot draw is still
    // consumed whole.
    if (n >= 65) {
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
}

// GS ( x pL pH data and FS ( x pL pH data: read whole, then acted on by function.
void CommandDecoder::OnBlock() {
    const bool wide = m_code == '8';  // GS 8 L: a four-byte length
    const std::size_t headParams = wide ? 5 : 3;
    const std::uint64_t size = wide ? m_params[1] | m_params[2] << 8 | m_params[3] << 16 |
                                          static_cast<std::uint64_t>(m_params[4]) << 24
                                    : Word(&m_params[1]);
    const bool graphics = m_prefix == GS && m_params[0] == 'L';
    if (wide && !graphics) {
        Complete("GS 8 " + CodeName(m_params[0]), "unknown command, skipped");
        return;
    }
    if (m_paramCount == headParams) {
        const bool symbol = m_prefix == GS && m_params[0] == 'k';
        StartBlock(size, symbol ? MatrixCodeStore::kMaxData + 3 : kBlockKept, graphics);
        if (m_blockLeft > 0) return;
    }
    if (graphics) {
        Complete(wide ? "GS 8 L" : "GS ( L",
                 m_graphicsBlock.Finish(m_sink, m_control, m_graphicsMemory, size));
        return;
    }
    if (m_prefix == GS && m_params[0] == 'k') {
        OnMatrixCode(size);
        return;
    }
    const std::uint8_t fn = m_params[0];
    if (m_prefix == GS && fn == 'E' && size >= 2 && m_block[0] == 11) {
        OnSerialSetting(size);
        return;
    }
    if (m_prefix == FS && fn == 'C') {
        OnCharacterEncoding(size);
        return;
    }
    if (m_prefix == FS && fn == 'A')
        Complete("FS ( A", "double-byte font " + N(size >= 2 ? Digit(m_block[1]) : 0) +
                               ", ignored (the 24 x 24 font stays)");
    else
        Complete(Mnemonic(), "function not supported, skipped (" + N(size) + " bytes)");
}

void CommandDecoder::StartBlock(std::uint64_t length, std::size_t keep, bool graphics) {
    m_graphicsData = graphics;
    if (graphics) m_graphicsBlock.Begin();
    m_blockLeft = length;
    m_blockKeep = keep;
    m_block.clear();
    m_paramCount = kBlockRead;
    if (length > 0) m_state = State::Block;
}

void CommandDecoder::OnMatrixCode(std::uint64_t size) {
    if (size < 2) {
        Complete("GS ( k", "2D code: block of " + N(size) + " bytes too short, skipped");
        return;
    }
    const std::vector<std::uint8_t> args(m_block.begin() + 2, m_block.end());
    MatrixCodeStore::Outcome outcome =
        m_matrixCodes.Apply(m_block[0], m_block[1], args, static_cast<std::size_t>(size - 2));
    if (outcome.symbol)
        outcome.meaning = WithNote(outcome.meaning, m_sink.PrintMatrix(*outcome.symbol));
    Complete("GS ( k", outcome.meaning);
}

// FS ( C: function 48 selects UTF-8 or the code tables, 60 ranks the fonts UTF-8 text uses.
void CommandDecoder::OnCharacterEncoding(std::uint64_t size) {
    const std::uint8_t fn = size >= 1 ? m_block[0] : 0;
    if (fn == 48 && size == 2) {
        const std::uint8_t m = Digit(m_block[1]);
        if (m != 1 && m != 2) {
            Complete("FS ( C", "character encoding " + N(m_block[1]) + " (not 1 or 2), ignored");
            return;
        }
        m_utf8 = m == 2;
        m_utf8Reader.Reset();
        m_sink.SelectUtf8(m_utf8);
        Complete("FS ( C", m_utf8 ? "character encoding UTF-8"
                                  : "character encoding: one byte a character (code tables)");
        return;
    }
    if (fn == 60 && size == 3) {
        const std::uint8_t rank = m_block[1];
        const TextFont* font = FindTextFont(m_block[2]);
        if (rank > 1 || !font) {
            Complete("FS ( C", "font priority " + N(rank) + " font " + N(m_block[2]) +
                                   " (rank 0 or 1; font 0, 11, 20, 30, 40, 41 or 42), ignored");
            return;
        }
        m_sink.SetFontPriority(rank, font->number);
        Complete("FS ( C",
                 std::string(rank == 0 ? "first" : "second") + " font for UTF-8: " + font->name);
        return;
    }
    Complete("FS ( C", "function " + N(fn) + " not supported, skipped (" + N(size) + " bytes)");
}

void CommandDecoder::OnSerialSetting(std::size_t size) {
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
        Complete("GS ( E", WithNote("set baud rate " + N(baud), note));
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
        Complete("GS ( E", WithNote(std::string("set handshake ") + name, note));
        return;
    }
    Complete("GS ( E", "serial setting " + N(m_block[1]) + " not supported, skipped");
}

// DLE DC4 fn: 8 clears the buffers, 2 1 8 / 2 2 8 enter and leave sleep, 1 m t pulses a drawer.
// Clear buffers is the real-time scanner's command: its parameters are fn and the check bytes that
// follow.
void CommandDecoder::OnDleDc4() {
    const std::uint8_t fn = m_params[0];
    const std::uint8_t* clearBuffers = RealTimeScanner::Bytes(RealTimeScanner::Kind::ClearBuffers);
    const std::size_t clearParams =
        RealTimeScanner::Length(RealTimeScanner::Kind::ClearBuffers) - 2;
    if (m_paramCount == 1) {
        if (fn == 8) {
            NeedParams(clearParams);
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
        if (std::memcmp(&m_params[1], clearBuffers + 3, clearParams - 1) != 0) {
            Complete("DLE DC4", "clear buffers with wrong check bytes, skipped");
            return;
        }
        std::string note = m_control.ClearBuffers(m_current.offset);
        Complete("DLE DC4", WithNote("clear buffers", note));
        return;
    }
    if (fn == 2 && (m_params[1] == 1 || m_params[1] == 2) && m_params[2] == 8) {
        bool enter = m_params[1] == 1;
        std::string note = m_control.Sleep(m_current.offset, enter);
        Complete("DLE DC4", WithNote(enter ? "enter sleep" : "leave sleep", note));
        return;
    }
    if (fn == 1 && m_params[1] <= 1 && m_params[2] >= 1 && m_params[2] <= 8) {
        std::string note = m_control.Pulse(m_current.offset, m_params[1], m_params[2]);
        Complete("DLE DC4", WithNote(DrawerPulseMeaning(m_params[1], m_params[2]), note));
        return;
    }
    Complete("DLE DC4", fn == 1 ? "pulse with a pin or time out of range, skipped"
                                : "function 2 with unknown arguments, skipped");
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
    if (system > kLastBarcode) {
        Complete("GS k", "barcode system " + N(system) + " not supported, skipped (" +
                             N(m_list.size()) + " bytes)");
        return;
    }
    if (m_overlong) {
        Complete("GS k", "barcode data longer than " + N(kMaxBarcodeData) + " bytes, skipped");
        return;
    }
    const std::string note = m_sink.PrintBarcode(system, m_list);
    Complete(
        "GS k",
        m_observer
            ? WithNote(std::string("barcode ") + BarcodeName(system) + " " + Ascii(m_list), note)
            : std::string());
}

}  // namespace emu
