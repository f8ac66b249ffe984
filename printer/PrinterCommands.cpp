// CPrinterPort: one operation per printer command. Each lays out its bytes on the stack and hands
// them to Write in the pieces the printer expects; nothing is buffered in between.
#include <cstring>

#include "printer/PrinterPort.h"

namespace {

constexpr BYTE ESC = 0x1B;
constexpr BYTE GS = 0x1D;
constexpr BYTE FS = 0x1C;
constexpr BYTE DLE = 0x10;
constexpr BYTE DC4 = 0x14;

// Baud rates the printer's speed command accepts.
constexpr DWORD kMinPrinterBaud = 110;
constexpr DWORD kMaxPrinterBaud = 115200;

}  // namespace

DWORD CPrinterPort::PrintText(const char* text) {
    // No text is an empty text rather than a crash.
    if (!text) return 0;
    return Write(text, static_cast<DWORD>(std::strlen(text)));
}

DWORD CPrinterPort::LineFeed() {
    const BYTE bytes[] = {0x0A};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::FeedDots(BYTE n) {
    const BYTE bytes[] = {ESC, 'J', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::ReverseFeedDots(BYTE n) {
    const BYTE bytes[] = {ESC, 'K', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::FeedLines(BYTE n) {
    const BYTE bytes[] = {ESC, 'd', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::ReverseFeedLines(BYTE n) {
    const BYTE bytes[] = {ESC, 'e', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::SetLeftMargin(BYTE n) {
    const BYTE bytes[] = {ESC, 'l', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::SetRightMargin(BYTE n) {
    const BYTE bytes[] = {ESC, 'Q', n};
    return Write(bytes, sizeof bytes);
}

// The module takes positions up to 255 only: the high byte is always 0.
DWORD CPrinterPort::SetAbsolutePosition(unsigned int n) {
    const BYTE bytes[] = {ESC, '$', static_cast<BYTE>(n), 0x00};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::SetPrintMode(BYTE n) {
    const BYTE bytes[] = {ESC, '!', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::SetAlignment(BYTE n) {
    const BYTE bytes[] = {ESC, 'a', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::SetGrayLevel(BYTE n) {
    const BYTE bytes[] = {ESC, 'm', n};
    return Write(bytes, sizeof bytes);
}

void CPrinterPort::PrintRasterImage(BYTE m, BYTE xL, BYTE xH, BYTE yL, BYTE yH, const BYTE* data) {
    const DWORD widthBytes = xL + 256u * xH;
    const DWORD heightDots = yL + 256u * yH;
    const DWORD size = widthBytes * heightDots;  // at most 65535², which fits
    // A header without its data would make the printer take the next commands as dots.
    if (size != 0 && !data) return;
    const BYTE header[] = {GS, 'v', '0', m, xL, xH, yL, yH};
    Write(header, sizeof header);
    Write(data, size);
}

DWORD CPrinterPort::SetTabStops(const BYTE* list, int count) {
    // A negative count or a missing list would read memory that is not the caller's list.
    if (count < 0 || (count > 0 && !list)) return 0;
    const BYTE prefix[] = {ESC, 'D'};
    const BYTE end[] = {0x00};
    Write(prefix, sizeof prefix);
    Write(list, static_cast<DWORD>(count));
    return Write(end, sizeof end);
}

DWORD CPrinterPort::HorizontalTab() {
    const BYTE bytes[] = {0x09};
    return Write(bytes, sizeof bytes);
}

// The module takes the row in small pieces: positions, formats, text bytes and terminators each
// go out in a write of their own.
DWORD CPrinterPort::PrintTable(BYTE boundaryCount, const BYTE* boundaries, BYTE cellCount,
                               const TableCell* cells) {
    // Check the whole row first: half a table would leave the printer mid-command.
    if ((boundaryCount != 0 && !boundaries) || (cellCount != 0 && !cells)) return 0;
    for (int i = 0; i < cellCount; ++i) {
        if (cells[i].length != 0 && !cells[i].text) return 0;
    }

    const BYTE header[] = {FS, 'V', boundaryCount};
    Write(header, sizeof header);
    Write(boundaries, boundaryCount);
    DWORD written = Write(&cellCount, 1);
    for (int i = 0; i < cellCount; ++i) {
        Write(&cells[i].position, 1);
    }
    const BYTE end = 0x00;
    for (int i = 0; i < cellCount; ++i) {
        Write(&cells[i].format, 1);
        for (int j = 0; j < cells[i].length; ++j) {
            Write(&cells[i].text[j], 1);
        }
        written = Write(&end, 1);
    }
    return written;
}

DWORD CPrinterPort::SetBarcodeHeight(BYTE n) {
    const BYTE bytes[] = {GS, 'h', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::SetBarcodeWidth(BYTE n) {
    const BYTE bytes[] = {GS, 'w', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::SetBarcodeTextPosition(BYTE n) {
    const BYTE bytes[] = {GS, 'H', n};
    return Write(bytes, sizeof bytes);
}

DWORD CPrinterPort::PrintBarcode(int type, const BYTE* data, int length) {
    // The length travels in one byte: a longer (or negative) length would send data that the
    // printer then reads as commands.
    if (length < 0 || length > 255 || (length > 0 && !data)) return 0;
    // The symbology code is the index from 'A', kept to 8 bits (unsigned, so no index overflows).
    const BYTE code = static_cast<BYTE>(static_cast<unsigned>(type) + 'A');
    const BYTE header[] = {GS, 'k', code, static_cast<BYTE>(length)};
    Write(header, sizeof header);
    return Write(data, static_cast<DWORD>(length));
}

DWORD CPrinterPort::InitializePrinter() {
    const BYTE bytes[] = {ESC, '@'};
    return Write(bytes, sizeof bytes);
}

void CPrinterPort::ClearBuffers() {
    const BYTE bytes[] = {DLE, DC4, 0x08, 0x01, 0x03, 0x14, 0x01, 0x06, 0x02, 0x08};
    Write(bytes, sizeof bytes);
}

// Argument order as the callers pass it: the feed first, the cut mode second; the printer wants
// the mode first.
DWORD CPrinterPort::CutPaper(BYTE n, BYTE m) {
    const BYTE bytes[] = {GS, 'V', m, n};
    return Write(bytes, sizeof bytes);
}

// Bit 4 is not a condition bit, so it is never asked for.
DWORD CPrinterPort::SetAutoStatusBack(BYTE n) {
    const BYTE bytes[] = {GS, 'a', static_cast<BYTE>(n & 0xEF)};
    return Write(bytes, sizeof bytes);
}

// The rate goes out as its decimal digits in ASCII, most significant first, one write per digit.
void CPrinterPort::SetPrinterBaudRate(DWORD rate) {
    if (rate < kMinPrinterBaud || rate > kMaxPrinterBaud) return;

    BYTE digits[8];  // least significant first
    int count = 0;
    for (DWORD rest = rate; rest != 0 && count < 8; rest /= 10) {
        digits[count++] = static_cast<BYTE>(rest % 10);
    }

    const BYTE header[] = {GS, '(', 'E', static_cast<BYTE>(count + 2), 0x00, 0x0B, 0x01};
    Write(header, sizeof header);
    for (int i = count - 1; i >= 0; --i) {
        const BYTE digit = static_cast<BYTE>('0' | digits[i]);
        Write(&digit, 1);
    }
}

void CPrinterPort::SetPrinterFlowControl(BYTE n) {
    const BYTE bytes[] = {GS, '(', 'E', 0x03, 0x00, 0x0B, 0x03, n};
    Write(bytes, sizeof bytes);
}

// The flag is cleared first, so that a reply after the command is seen as new.
void CPrinterPort::EnterSleep() {
    m_bReplyReceived.store(false);
    const BYTE bytes[] = {DLE, DC4, 0x02, 0x01, 0x08};
    Write(bytes, sizeof bytes);
}

void CPrinterPort::ExitSleep() {
    m_bReplyReceived.store(false);
    const BYTE bytes[] = {DLE, DC4, 0x02, 0x02, 0x08};
    Write(bytes, sizeof bytes);
}
