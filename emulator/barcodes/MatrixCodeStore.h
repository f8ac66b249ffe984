// What the printer keeps for the 2D-code command (GS ( k): each symbology's settings and its
// stored data, and what one function does with them. A print encodes the stored data with the
// settings in force; the data stays stored for later prints until replaced or ESC @.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/barcodes/DotMatrix.h"
#include "emulator/barcodes/MatrixCode.h"

namespace emu {

class MatrixCodeStore {
  public:
    // The longest data any of the symbologies carries (QR code, numeric).
    static constexpr std::size_t kMaxData = 7089;

    struct Outcome {
        std::string meaning;              // for the trace
        std::optional<DotMatrix> symbol;  // a symbol to print
    };

    // cn and fn of the command, then its argument bytes: `args` holds the first of them (at
    // least kMaxData + 1 when there are that many), `length` says how many were sent.
    Outcome Apply(std::uint8_t cn, std::uint8_t fn, const std::vector<std::uint8_t>& args,
                  std::size_t length);
    void Reset();

  private:
    std::string Set(MatrixCode code, std::uint8_t fn, const std::vector<std::uint8_t>& args,
                    std::size_t length);
    Outcome Store(MatrixCode code, const std::vector<std::uint8_t>& args, std::size_t length);
    Outcome Print(MatrixCode code);

    MatrixCodeSettings m_settings;
    std::array<std::optional<std::vector<std::uint8_t>>, 6> m_data;
};

}  // namespace emu
