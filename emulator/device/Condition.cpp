#include "emulator/device/Condition.h"

#include <array>

namespace emu {
namespace {

constexpr std::array<ConditionRow, 5> kModuleConditions{{
    {Condition::Overheat, "overheat", "", "过热 overheat"},
    {Condition::PaperOut, "paper-out", "", "缺纸 paper out"},
    {Condition::OverVoltage, "over-voltage", "", "过压 over-voltage"},
    {Condition::Cutter, "cutter", "", "切刀 cutter"},
    {Condition::Platen, "platen", "", "压轴 platen"},
}};

constexpr std::array<ConditionRow, 7> kEscPosConditions{{
    {Condition::PaperOut, "paper-out", "", "缺纸 paper out"},
    {Condition::PaperNearEnd, "paper-near-end", "", "纸将尽 paper near end"},
    {Condition::Platen, "cover-open", "platen", "开盖 cover open"},
    {Condition::DrawerOpen, "drawer-open", "", "钱箱 drawer open (pin 3 high)"},
    {Condition::Cutter, "cutter", "", "切刀 cutter error"},
    {Condition::Overheat, "overheat", "", "过热 overheat"},
    {Condition::OverVoltage, "over-voltage", "", "过压 over-voltage"},
}};

const ConditionRow* Find(Condition condition, CommandSet commands) {
    for (const ConditionRow& row : ConditionsOf(commands))
        if (row.condition == condition) return &row;
    return nullptr;
}

}  // namespace

std::span<const ConditionRow> ConditionsOf(CommandSet commands) {
    if (commands == CommandSet::Module) return kModuleConditions;
    return kEscPosConditions;
}

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
        case Condition::PaperNearEnd:
        case Condition::DrawerOpen:
            break;
    }
    return 0;
}

std::uint8_t StatusByteOf(ConditionSet conditions) {
    std::uint8_t byte = 0;
    for (const ConditionRow& row : kModuleConditions)
        if (conditions & Mask(row.condition)) byte |= ConditionBit(row.condition);
    return byte;
}

std::string_view ConditionName(Condition condition, CommandSet commands) {
    const ConditionRow* row = Find(condition, commands);
    if (row == nullptr) row = Find(condition, CommandSet::EscPos);
    return row ? row->name : std::string_view();
}

std::optional<Condition> ParseCondition(std::string_view name, CommandSet commands) {
    for (const ConditionRow& row : ConditionsOf(commands))
        if (row.name == name || (!row.alias.empty() && row.alias == name)) return row.condition;
    return std::nullopt;
}

std::string DescribeConditions(ConditionSet conditions, CommandSet commands) {
    std::string text;
    // In the module's bit order for the module, so its status lines read as before.
    for (Condition c :
         {Condition::OverVoltage, Condition::Platen, Condition::PaperOut, Condition::Overheat,
          Condition::Cutter, Condition::PaperNearEnd, Condition::DrawerOpen}) {
        if ((conditions & Mask(c)) == 0) continue;
        if (!text.empty()) text += ", ";
        text += ConditionName(c, commands);
    }
    return text.empty() ? "none" : text;
}

std::string DescribeStatusBits(std::uint8_t bits) {
    ConditionSet conditions = 0;
    for (const ConditionRow& row : kModuleConditions)
        if (bits & ConditionBit(row.condition)) conditions |= Mask(row.condition);
    return DescribeConditions(conditions, CommandSet::Module);
}

std::string ConditionNameList(CommandSet commands) {
    std::string text;
    for (const ConditionRow& row : ConditionsOf(commands)) {
        if (!text.empty()) text += ", ";
        text += row.name;
        if (!row.alias.empty()) text += " (or " + std::string(row.alias) + ")";
    }
    return text;
}

}  // namespace emu
