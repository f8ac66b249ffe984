#include "emulator/device/EscPosStatus.h"

#include <string>

#include "emulator/device/Condition.h"

namespace emu {
namespace {

constexpr std::uint8_t kFixedBits = 0x12;  // bits 1 and 4 are always set in these bytes

bool Has(std::uint8_t conditions, Condition condition) {
    return (conditions & ConditionBit(condition)) != 0;
}

}  // namespace

std::optional<std::uint8_t> RealTimeStatusByte(std::uint8_t conditions, std::uint8_t n) {
    const bool paperOut = Has(conditions, Condition::PaperOut);
    const bool coverOpen = Has(conditions, Condition::Platen);
    const bool cutter = Has(conditions, Condition::Cutter);
    const bool overheat = Has(conditions, Condition::Overheat);
    const bool voltage = Has(conditions, Condition::OverVoltage);
    const bool error = cutter || overheat || voltage;
    std::uint8_t byte = kFixedBits;
    switch (n) {
        case 1:
            if (paperOut || coverOpen || error) byte |= 0x08;  // off-line
            return byte;
        case 2:
            if (coverOpen) byte |= 0x04;
            if (paperOut) byte |= 0x20;
            if (error) byte |= 0x40;
            return byte;
        case 3:
            if (cutter) byte |= 0x08;
            if (voltage) byte |= 0x20;   // unrecoverable
            if (overheat) byte |= 0x40;  // recovers by itself
            return byte;
        case 4:
            if (paperOut) byte |= 0x60;
            return byte;
        default:
            return std::nullopt;
    }
}

std::optional<std::uint8_t> TransmittedStatusByte(std::uint8_t conditions, std::uint8_t n) {
    if (n == 1 || n == '1') return Has(conditions, Condition::PaperOut) ? 0x0C : 0x00;
    if (n == 2 || n == '2') return 0x00;  // no drawer: its pin reads low
    return std::nullopt;
}

std::vector<std::uint8_t> AutomaticStatusBack(std::uint8_t conditions) {
    const bool paperOut = Has(conditions, Condition::PaperOut);
    const bool coverOpen = Has(conditions, Condition::Platen);
    const bool cutter = Has(conditions, Condition::Cutter);
    const bool voltage = Has(conditions, Condition::OverVoltage);
    const bool overheat = Has(conditions, Condition::Overheat);
    std::uint8_t first = 0x10;
    if (paperOut || coverOpen || cutter || voltage || overheat) first |= 0x08;  // off-line
    if (coverOpen) first |= 0x20;
    std::uint8_t second = 0x00;
    if (cutter) second |= 0x08;
    if (voltage) second |= 0x20;
    if (overheat) second |= 0x40;
    const std::uint8_t third = paperOut ? 0x0C : 0x00;
    return {first, second, third, 0x0F};
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
