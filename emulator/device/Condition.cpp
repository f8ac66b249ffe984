#include "emulator/device/Condition.h"

namespace emu {

std::uint8_t ConditionBit(Condition condition) {
    switch (condition) {
        case Condition::OverVoltage:
            return 0x01;
        case Condition::Platen:
            return 0x02;
        case Condition::PaperOut:
            return 0x04;
        case Condition::Overheat:
            return 0x08;
        case Condition::Cutter:
            return 0x20;
    }
    return 0;
}

std::string_view ConditionName(Condition condition) {
    switch (condition) {
        case Condition::OverVoltage:
            return "over-voltage";
        case Condition::Platen:
            return "platen";
        case Condition::PaperOut:
            return "paper-out";
        case Condition::Overheat:
            return "overheat";
        case Condition::Cutter:
            return "cutter";
    }
    return "";
}

std::optional<Condition> ParseCondition(std::string_view name) {
    for (Condition c : kAllConditions) {
        if (ConditionName(c) == name) return c;
    }
    return std::nullopt;
}

std::string DescribeConditions(std::uint8_t bits) {
    std::string text;
    for (Condition c : kAllConditions) {
        if ((bits & ConditionBit(c)) == 0) continue;
        if (!text.empty()) text += ", ";
        text += ConditionName(c);
    }
    return text.empty() ? "none" : text;
}

std::string ConditionNameList() { return DescribeConditions(kConditionBits); }

}  // namespace emu
