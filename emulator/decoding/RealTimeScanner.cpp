#include "emulator/decoding/RealTimeScanner.h"

namespace emu {

namespace {
constexpr std::uint8_t kStatusRequest[] = {0x10, 0x04, 0x05};
constexpr std::uint8_t kClearBuffers[] = {0x10, 0x14, 0x08, 0x01, 0x03,
                                          0x14, 0x01, 0x06, 0x02, 0x08};
constexpr std::uint8_t kEnterSleep[] = {0x10, 0x14, 0x02, 0x01, 0x08};
constexpr std::uint8_t kLeaveSleep[] = {0x10, 0x14, 0x02, 0x02, 0x08};
}  // namespace

std::size_t RealTimeScanner::Length(Kind kind) {
    switch (kind) {
        case Kind::StatusRequest:
        case Kind::RealTimeStatus:
        case Kind::Recover:
            return sizeof kStatusRequest;
        case Kind::Pulse:
            return 5;
        case Kind::ClearBuffers:
            return sizeof kClearBuffers;
        case Kind::EnterSleep:
            return sizeof kEnterSleep;
        case Kind::LeaveSleep:
            return sizeof kLeaveSleep;
        case Kind::None:
            break;
    }
    return 0;
}

const std::uint8_t* RealTimeScanner::Bytes(Kind kind) {
    switch (kind) {
        case Kind::StatusRequest:
            return kStatusRequest;
        case Kind::ClearBuffers:
            return kClearBuffers;
        case Kind::EnterSleep:
            return kEnterSleep;
        case Kind::LeaveSleep:
            return kLeaveSleep;
        case Kind::RealTimeStatus:
        case Kind::Recover:
        case Kind::Pulse:
        case Kind::None:
            break;
    }
    return nullptr;
}

RealTimeScanner::Kind RealTimeScanner::FoundLast(Kind kind, std::size_t length) {
    for (std::size_t k = 0; k < length; ++k) m_found[k] = Back(length - 1 - k);
    return kind;
}

RealTimeScanner::Kind RealTimeScanner::Push(std::uint8_t byte) {
    m_recent[m_next] = byte;
    m_next = (m_next + 1) % m_recent.size();
    if (m_count < m_recent.size()) ++m_count;
    if (m_realTimeStatus && m_count >= 3 && Back(2) == 0x10) {
        if (Back(1) == 0x04 && byte >= 1 && byte <= 4) return FoundLast(Kind::RealTimeStatus, 3);
        if (Back(1) == 0x05 && (byte == 1 || byte == 2)) return FoundLast(Kind::Recover, 3);
    }
    if (m_realTimeStatus && m_count >= 5 && Back(4) == 0x10 && Back(3) == 0x14 && Back(2) == 1 &&
        Back(1) <= 1 && byte >= 1 && byte <= 8)
        return FoundLast(Kind::Pulse, 5);
    if (byte != 0x05 && byte != 0x08) return Kind::None;  // every fixed command ends in one

    for (Kind kind :
         {Kind::StatusRequest, Kind::ClearBuffers, Kind::EnterSleep, Kind::LeaveSleep}) {
        std::size_t length = Length(kind);
        if (length > m_count) continue;
        const std::uint8_t* bytes = Bytes(kind);
        bool match = true;
        for (std::size_t k = 0; k < length && match; ++k) match = Back(length - 1 - k) == bytes[k];
        if (match) return FoundLast(kind, length);
    }
    return Kind::None;
}

}  // namespace emu
