#include "emulator/device/EscPosStatus.h"

#include <string>

namespace emu {
namespace {

constexpr std::uint8_t kFixedBits = 0x12;  // bits 1 and 4 are always set in these bytes

struct Standing {
    bool paperOut, nearEnd, coverOpen, drawer, cutter, overheat, voltage;
    bool Error() const { return cutter || overheat || voltage; }
    bool OffLine() const { return paperOut || coverOpen || Error(); }
};

Standing Read(ConditionSet c) {
    auto has = [c](Condition condition) { return (c & Mask(condition)) != 0; };
    return {has(Condition::PaperOut),   has(Condition::PaperNearEnd), has(Condition::Platen),
            has(Condition::DrawerOpen), has(Condition::Cutter),       has(Condition::Overheat),
            has(Condition::OverVoltage)};
}

}  // namespace

bool OffLine(ConditionSet conditions) { return Read(conditions).OffLine(); }

std::optional<std::uint8_t> RealTimeStatusByte(ConditionSet conditions, std::uint8_t n) {
    const Standing s = Read(conditions);
    std::uint8_t byte = kFixedBits;
    switch (n) {
        case 1:
            if (s.drawer) byte |= 0x04;  // drawer kick-out connector pin 3 high
            if (s.OffLine()) byte |= 0x08;
            return byte;
        case 2:
            if (s.coverOpen) byte |= 0x04;
            if (s.paperOut) byte |= 0x20;  // printing stopped by the paper end
            if (s.Error()) byte |= 0x40;
            return byte;
        case 3:
            if (s.cutter) byte |= 0x08;
            if (s.voltage) byte |= 0x20;   // unrecoverable
            if (s.overheat) byte |= 0x40;  // recovers by itself
            return byte;
        case 4:
            if (s.nearEnd) byte |= 0x0C;
            if (s.paperOut) byte |= 0x60;
            return byte;
        default:
            return std::nullopt;
    }
}

std::optional<std::uint8_t> TransmittedStatusByte(ConditionSet conditions, std::uint8_t n) {
    const Standing s = Read(conditions);
    if (n == 1 || n == '1')
        return static_cast<std::uint8_t>((s.nearEnd ? 0x03 : 0x00) | (s.paperOut ? 0x0C : 0x00));
    if (n == 2 || n == '2') return s.drawer ? 0x01 : 0x00;
    return std::nullopt;
}

std::vector<std::uint8_t> AutomaticStatusBack(ConditionSet conditions) {
    const Standing s = Read(conditions);
    std::uint8_t first = 0x10;
    if (s.drawer) first |= 0x04;
    if (s.OffLine()) first |= 0x08;
    if (s.coverOpen) first |= 0x20;
    std::uint8_t second = 0x00;
    if (s.cutter) second |= 0x08;
    if (s.voltage) second |= 0x20;
    if (s.overheat) second |= 0x40;
    const std::uint8_t third =
        static_cast<std::uint8_t>((s.nearEnd ? 0x03 : 0x00) | (s.paperOut ? 0x0C : 0x00));
    return {first, second, third, 0x0F};
}

std::uint8_t StatusBackCategories(Condition condition) {
    switch (condition) {
        case Condition::DrawerOpen:
            return 0x01;
        case Condition::Platen:
            return 0x02;
        case Condition::PaperOut:
            return 0x0A;  // the paper sensor, and off-line
        case Condition::PaperNearEnd:
            return 0x08;
        case Condition::Cutter:
        case Condition::Overheat:
        case Condition::OverVoltage:
            return 0x06;  // an error, and off-line
    }
    return 0;
}
std::vector<std::uint8_t> PrinterIdReply(std::string_view modelName, std::uint8_t n) {
    std::string text;
    switch (n) {
        case 1:
        case '1':
            return {0x20};
        case 2:
        case '2':
            return {0x02};  // autocutter fitted, no double-byte font by default
        case 3:
        case '3':
            return {0x10};
        case 65:
            text = CE_MOLV_VERSION;
            break;
        case 66:
            text = std::string("CE_MOLV virtual printer ") + CE_MOLV_VERSION;
            break;
        case 67:
            text = std::string(modelName);
            break;
        default:
            return {};
    }
    std::vector<std::uint8_t> reply{0x5F};
    reply.insert(reply.end(), text.begin(), text.end());
    reply.push_back(0x00);
    return reply;
}

}  // namespace emu
