// The five printer conditions and where each sits in the status byte.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace emu {

enum class Condition { OverVoltage, Platen, PaperOut, Overheat, Cutter };

inline constexpr std::array<Condition, 5> kAllConditions = {Condition::OverVoltage,
                                                            Condition::Platen, Condition::PaperOut,
                                                            Condition::Overheat, Condition::Cutter};

// Bit 4 is never a condition: the host reads a byte with bit 4 set as "not a status byte".
inline constexpr std::uint8_t kConditionBits = 0x2F;

std::uint8_t ConditionBit(Condition condition);
// "over-voltage", "platen", "paper-out", "overheat", "cutter": the names the program accepts.
std::string_view ConditionName(Condition condition);
std::optional<Condition> ParseCondition(std::string_view name);
// "paper-out, overheat" for the bits set in a status byte, "none" when no condition is set.
std::string DescribeConditions(std::uint8_t bits);
// Every name, for help and error texts: "over-voltage, platen, paper-out, overheat, cutter".
std::string ConditionNameList();

}  // namespace emu
