// The decoder's commands for pictures and characters the printer keeps: NV bit images (FS q,
// FS p), the downloaded bit image (GS *, GS /) and user-defined characters (ESC &). Their data
// comes in parts, each read as a block; m_paramCount says which part has just been read.
#include "emulator/decoding/CommandDecoder.h"
#include "emulator/decoding/TraceText.h"

namespace emu {
namespace {

// GS / m and FS p n m: 0 normal, 1 double width, 2 double height, 3 both (48..51 likewise).
std::optional<int> ScaleMode(std::uint8_t m) {
    const int mode = Digit(m);
    return mode <= 3 ? std::optional<int>(mode) : std::nullopt;
}

}  // namespace

// FS q n [xL xH yL yH d1...dk]1...n: every NV bit image at once, replacing those kept. Each is
// x * 8 dots wide and y * 8 high (1 <= x <= 1023, 1 <= y <= 288), in columns of y bytes.
void CommandDecoder::OnNvBitImages() {
    const std::size_t count = m_params[0];
    if (m_paramCount == 1) {
        if (count == 0) {
            Complete("FS q", "no NV bit images given, skipped");
            return;
        }
        m_pictures.clear();
        m_itemsRead = 0;
        m_itemBad = false;
        NeedParams(5);
        return;
    }
    const int x = Word(&m_params[1]), y = Word(&m_params[3]);
    const std::uint64_t size = static_cast<std::uint64_t>(x) * static_cast<unsigned>(y) * 8;
    if (m_paramCount == 5) {
        const bool fits =
            x >= 1 && x <= 1023 && y >= 1 && y <= 288 && size <= GraphicsMemory::kNvCapacity;
        m_itemBad = m_itemBad || !fits;
        StartBlock(size, fits ? static_cast<std::size_t>(size) : 0);
        if (m_blockLeft > 0) return;
    }
    if (!m_itemBad) m_pictures.push_back(GraphicsMemory::FromColumns(x * 8, y * 8, m_block.data()));
    if (++m_itemsRead < count) {
        m_paramCount = 1;
        NeedParams(5);
        return;
    }
    Complete("FS q", m_itemBad ? "NV bit images: one is out of range or larger than the memory, "
                                 "nothing stored"
                               : m_graphicsMemory.DefineBitImages(std::move(m_pictures)));
    m_pictures.clear();
}

// GS * x y d1...d(x * y * 8): the downloaded bit image, x * 8 by y * 8 dots in columns of y bytes.
void CommandDecoder::OnDownloadImage() {
    const int x = m_params[0], y = m_params[1];
    const std::size_t size = static_cast<std::size_t>(x) * static_cast<std::size_t>(y) * 8;
    const bool fits =
        x >= 1 && y >= 1 && y <= 48 && x * y <= GraphicsMemory::kMaxDownloadedBitImage;
    if (m_paramCount == 2 && size > 0) {
        StartBlock(size, fits ? size : 0);
        return;
    }
    const std::string what = "downloaded bit image " + Dots(x * 8, y * 8);
    if (!fits) {
        Complete("GS *", what + ": x × y over " + N(GraphicsMemory::kMaxDownloadedBitImage) +
                             " or zero, nothing stored");
        return;
    }
    m_graphicsMemory.SetDownloadedBitImage(
        GraphicsMemory::FromColumns(x * 8, y * 8, m_block.data()));
    Complete("GS *", what + " defined");
}

// GS / m prints the downloaded bit image, FS p n m NV bit image n.
void CommandDecoder::OnStoredImage() {
    const bool nv = m_prefix == ascii::FS;
    const char* mnemonic = nv ? "FS p" : "GS /";
    const std::optional<int> mode = ScaleMode(m_params[nv ? 1 : 0]);
    const RasterGraphics* stored =
        nv ? m_graphicsMemory.BitImage(m_params[0]) : m_graphicsMemory.DownloadedBitImage();
    const std::string what =
        nv ? "print NV bit image " + N(m_params[0]) : std::string("print downloaded bit image");
    if (!mode) {
        Complete(mnemonic, what + ": mode " + N(m_params[nv ? 1 : 0]) + " unknown, skipped");
        return;
    }
    if (stored == nullptr) {
        Complete(mnemonic, what + ": not defined, nothing printed");
        return;
    }
    RasterGraphics picture = *stored;
    picture.scaleX = (*mode & 1) ? 2 : 1;
    picture.scaleY = (*mode & 2) ? 2 : 1;
    const std::string note = m_sink.PrintImage(picture);
    Complete(mnemonic, what + " " + Dots(picture.widthDots, picture.height) +
                           (note.empty() ? std::string() : ", " + note));
}

// ESC & y c1 c2 [x d1...d(y * x)]...: characters c1..c2 (32..126) for the font in force, each x
// dots wide in columns of y bytes (y 3: 24 dots, as tall as Font A).
void CommandDecoder::OnUserChars() {
    const std::uint8_t y = m_params[0], first = m_params[1], last = m_params[2];
    if (m_paramCount == 3) {
        if (y < 1 || y > 3 || first < 32 || last > 126 || first > last) {
            // The data's length is unknown: what follows is decoded afresh.
            Complete("ESC &", "user-defined characters: y " + N(y) + ", codes " + N(first) + ".." +
                                  N(last) + " out of range, skipped");
            return;
        }
        m_itemsRead = 0;
        NeedParams(4);
        return;
    }
    const std::uint8_t width = m_params[3];
    if (m_paramCount == 4 && width > 0) {
        StartBlock(static_cast<std::size_t>(width) * y, static_cast<std::size_t>(width) * y);
        return;
    }
    if (width > 12) {  // wider than any font's cell: the definition stops here
        Complete("ESC &", "user-defined character width " + N(width) + " over 12, skipped");
        return;
    }
    const std::uint8_t code = static_cast<std::uint8_t>(first + m_itemsRead);
    m_sink.DefineUserCharacter(code, width, y, width > 0 ? m_block : std::vector<std::uint8_t>{});
    if (code < last) {
        ++m_itemsRead;
        m_paramCount = 3;
        NeedParams(4);
        return;
    }
    Complete("ESC &", "user-defined characters '" + std::string(1, static_cast<char>(first)) +
                          "' to '" + std::string(1, static_cast<char>(last)) + "', " + N(y * 8u) +
                          " dots high");
}

}  // namespace emu
