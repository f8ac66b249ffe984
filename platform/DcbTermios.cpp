#include "platform/internal/DcbTermios.h"

#include <termios.h>

namespace platform::detail {

namespace {

constexpr std::uint32_t kFramingBits = CSIZE | PARENB | PARODD | CMSPAR;
constexpr std::uint32_t kLineBits = CSTOPB | CRTSCTS;
constexpr std::uint32_t kSoftFlowBits = IXON | IXOFF | IXANY;
constexpr char kDefaultXon = 0x11;
constexpr char kDefaultXoff = 0x13;

bool SizeBits(BYTE byteSize, std::uint32_t& bits) {
    switch (byteSize) {
        case 5:
            bits = CS5;
            return true;
        case 6:
            bits = CS6;
            return true;
        case 7:
            bits = CS7;
            return true;
        case 8:
            bits = CS8;
            return true;
        default:
            return false;
    }
}

bool ParityBits(BYTE parity, std::uint32_t& bits) {
    switch (parity) {
        case NOPARITY:
            bits = 0;
            return true;
        case ODDPARITY:
            bits = PARENB | PARODD;
            return true;
        case EVENPARITY:
            bits = PARENB;
            return true;
        case MARKPARITY:
            bits = PARENB | CMSPAR | PARODD;
            return true;
        case SPACEPARITY:
            bits = PARENB | CMSPAR;
            return true;
        default:
            return false;
    }
}

bool StopBits(BYTE stopBits, BYTE byteSize, std::uint32_t& bits) {
    switch (stopBits) {
        case ONESTOPBIT:
            bits = 0;
            return true;
        // A UART sends 1.5 stop bits exactly when it is told 2 with 5 data bits.
        case ONE5STOPBITS:
            bits = CSTOPB;
            return byteSize == 5;
        case TWOSTOPBITS:
            bits = CSTOPB;
            return byteSize != 5;
        default:
            return false;
    }
}

BYTE ParityOf(std::uint32_t cflag) {
    if (!(cflag & PARENB)) return NOPARITY;
    bool odd = cflag & PARODD;
    if (cflag & CMSPAR) return odd ? MARKPARITY : SPACEPARITY;
    return odd ? ODDPARITY : EVENPARITY;
}

BYTE ByteSizeOf(std::uint32_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

}  // namespace

void MakeRaw(DeviceTermios& t) {
    t.iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL |
                 INPCK | IXANY);
    t.oflag &= ~OPOST;
    t.lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.cflag &= ~(CSIZE | PARENB);
    t.cflag |= CS8 | CREAD | CLOCAL;
    t.cc[VMIN] = 1;
    t.cc[VTIME] = 0;
}

DWORD DcbToTermios(const DCB& dcb, DeviceTermios& t) {
    std::uint32_t size = 0;
    std::uint32_t parity = 0;
    std::uint32_t stop = 0;
    if (dcb.BaudRate == 0 || !SizeBits(dcb.ByteSize, size) || !ParityBits(dcb.Parity, parity) ||
        !StopBits(dcb.StopBits, dcb.ByteSize, stop)) {
        return ERROR_INVALID_PARAMETER;
    }
    if ((dcb.fOutX || dcb.fInX) && dcb.XonChar == dcb.XoffChar) return ERROR_INVALID_PARAMETER;

    t.cflag &= ~(kFramingBits | kLineBits);
    t.cflag |= size | parity | stop;
    // The kernel has one switch for both directions of hardware flow control.
    if (dcb.fOutxCtsFlow || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE) t.cflag |= CRTSCTS;

    // IXANY would let any byte from the printer restart output, so a status byte could undo XOFF.
    t.iflag &= ~kSoftFlowBits;
    if (dcb.fOutX) t.iflag |= IXON;
    if (dcb.fInX) t.iflag |= IXOFF;
    t.cc[VSTART] = static_cast<std::uint8_t>(dcb.XonChar);
    t.cc[VSTOP] = static_cast<std::uint8_t>(dcb.XoffChar);

    SetDeviceBaudRate(t, dcb.BaudRate);
    return ERROR_SUCCESS;
}

DCB DcbFromTermios(const DeviceTermios& t) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = DeviceBaudRate(t);
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = (t.cflag & CRTSCTS) ? 1 : 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = (t.cflag & CRTSCTS) ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fOutX = (t.iflag & IXON) ? 1 : 0;
    dcb.fInX = (t.iflag & IXOFF) ? 1 : 0;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = ByteSizeOf(t.cflag);
    dcb.Parity = ParityOf(t.cflag);
    if (t.cflag & CSTOPB) {
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    } else {
        dcb.StopBits = ONESTOPBIT;
    }
    dcb.XonChar = t.cc[VSTART] ? static_cast<char>(t.cc[VSTART]) : kDefaultXon;
    dcb.XoffChar = t.cc[VSTOP] ? static_cast<char>(t.cc[VSTOP]) : kDefaultXoff;
    return dcb;
}

void KeepUnmappedFields(DCB& reported, const DCB& set) {
    DCB out = set;
    // What the device decides: rate, framing, flow switches and their characters.
    out.DCBlength = sizeof(DCB);
    out.BaudRate = reported.BaudRate;
    out.ByteSize = reported.ByteSize;
    out.Parity = reported.Parity;
    out.StopBits = reported.StopBits;
    out.fOutxCtsFlow = reported.fOutxCtsFlow;
    out.fOutX = reported.fOutX;
    out.fInX = reported.fInX;
    out.XonChar = reported.XonChar;
    out.XoffChar = reported.XoffChar;
    // RTS handshake and CTS flow share CRTSCTS; keep the caller's RTS choice while they agree.
    bool handshake = reported.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (handshake != (set.fRtsControl == RTS_CONTROL_HANDSHAKE)) {
        out.fRtsControl = reported.fRtsControl;
    }
    reported = out;
}

bool RateTaken(std::uint64_t asked, std::uint64_t got) {
    const std::uint64_t diff = asked > got ? asked - got : got - asked;
    return diff * 100 <= asked * 3;
}

DWORD CompareTaken(const DeviceTermios& asked, const DeviceTermios& got, bool framingHeld) {
    if (!RateTaken(DeviceBaudRate(asked), DeviceBaudRate(got))) return ERROR_INVALID_PARAMETER;

    std::uint32_t cmask = kLineBits | (framingHeld ? kFramingBits : 0);
    bool same = (asked.cflag & cmask) == (got.cflag & cmask) &&
                (asked.iflag & kSoftFlowBits) == (got.iflag & kSoftFlowBits) &&
                asked.cc[VSTART] == got.cc[VSTART] && asked.cc[VSTOP] == got.cc[VSTOP];
    return same ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

}  // namespace platform::detail
