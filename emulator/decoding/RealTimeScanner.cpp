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
            return sizeof kStatusRequest;
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
        case Kind::RealTimeStatus:
            return kStatusRequest;
        case Kind::ClearBuffers:
            return kClearBuffers;
        case Kind::EnterSleep:
            return kEnterSleep;
        case Kind::LeaveSleep:
            return kLeaveSleep;
        case Kind::None:
            break;
    }
    return nullptr;
}

RealTimeScanner::Kind RealTimeScanner::Push(std::uint8_t byte) {
    m_recent[m_next] = byte;
    m_next = (m_next + 1) % m_recent.size();
    if (m_count < m_recent.size()) ++m_count;
    if (m_realTimeStatus && byte >= 1 && byte <= 4 && m_count >= 3 &&
        m_recent[(m_next + m_recent.size() - 3) % m_recent.size()] == 0x10 &&
        m_recent[(m_next + m_recent.size() - 2) % m_recent.size()] == 0x04) {
        m_statusNumber = byte;
        return Kind::RealTimeStatus;
    }
    if (byte != 0x05 && byte != 0x08) return Kind::None;  // every command ends in one of these

    for (Kind kind :
         {Kind::StatusRequest, Kind::ClearBuffers, Kind::EnterSleep, Kind::LeaveSleep}) {
        std::size_t length = Length(kind);
        if (length > m_count) continue;
        const std::uint8_t* bytes = Bytes(kind);
        bool match = true;
        for (std::size_t k = 0; k < length && match; ++k) {
            std::size_t at = (m_next + m_recent.size() - length + k) % m_recent.size();
            match = m_recent[at] == bytes[k];
        }
        if (match) return kind;
    }
    return Kind::None;
}

}  // namespace emu
