// The printer's conditions, which of them each model has, and where the module's status byte
// carries them. One table lists them per model, in the order the printer window shows its
// toggles; names, help texts, the console, --status and the operator scripts all read it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "emulator/PrinterModel.h"

namespace emu {

// Platen is the module's name for what the common printers call the cover.
enum class Condition { OverVoltage, Platen, PaperOut, Overheat, Cutter, PaperNearEnd, DrawerOpen };

// The conditions standing, one bit per Condition.
using ConditionSet = std::uint16_t;
constexpr ConditionSet Mask(Condition condition) {
    return static_cast<ConditionSet>(1u << static_cast<int>(condition));
}

struct ConditionRow {
    Condition condition;
    std::string_view name;   // the name the program accepts and prints
    std::string_view alias;  // another name it accepts, or ""
    std::string_view label;  // the printer window's toggle
};

// The conditions a model has, in the printer window's order (the module's as the dialog's
// status boxes).
std::span<const ConditionRow> ConditionsOf(CommandSet commands);

// Bit 4 is never a condition: the host reads a byte with bit 4 set as "not a status byte".
inline constexpr std::uint8_t kConditionBits = 0x2F;

// The condition's bit in the module's status byte; 0 for those the module does not have.
std::uint8_t ConditionBit(Condition condition);
// The module's status byte for the conditions standing.
std::uint8_t StatusByteOf(ConditionSet conditions);

std::string_view ConditionName(Condition condition, CommandSet commands = CommandSet::Module);
// By name or other name, among the model's conditions.
std::optional<Condition> ParseCondition(std::string_view name,
                                        CommandSet commands = CommandSet::Module);
// "paper-out, overheat" for the conditions standing, "none" when none is.
std::string DescribeConditions(ConditionSet conditions, CommandSet commands = CommandSet::Module);
// The same for the bits of a module status byte (GS a n).
std::string DescribeStatusBits(std::uint8_t bits);
// Every name of the model, for help and error texts: "over-voltage, platen, paper-out, ...".
std::string ConditionNameList(CommandSet commands = CommandSet::Module);

}  // namespace emu
