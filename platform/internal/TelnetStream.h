// Internal to platform/: the Telnet framing of a network serial port (RFC 854, 855): data with
// IAC (255) doubled, option negotiation (IAC WILL/WONT/DO/DONT option) and subnegotiations
// (IAC SB option ... IAC SE).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::detail::telnet {

constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kIac = 255;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kEcho = 1;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;

// Appends data with every IAC doubled.
void AppendEscaped(std::string& out, const std::uint8_t* data, std::size_t count);
// IAC verb option.
std::string Negotiation(std::uint8_t verb, std::uint8_t option);
// IAC SB option body IAC SE, with IAC in the body doubled.
std::string Subnegotiation(std::uint8_t option, const std::string& body);

// What the peer sent, taken apart. Feed as bytes arrive; each call appends to the three outputs.
class Decoder {
  public:
    struct Command {
        std::uint8_t verb;    // kWill, kWont, kDo, kDont, or kSb for a subnegotiation
        std::uint8_t option;  // the option; for kSb the first byte of the body
        std::string body;     // kSb: what followed the option, IAC undoubled
    };

    // A subnegotiation longer than this is no COM-PORT-OPTION message: the stream is broken.
    static constexpr std::size_t kLongestBody = 255;

    // False, for good, once the stream broke the framing.
    bool Feed(const std::uint8_t* bytes, std::size_t count, std::string& data,
              std::vector<Command>& commands);

  private:
    enum class State { Data, Iac, Verb, Sb, SbIac };
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    bool m_broken = false;
    std::string m_body;
};

}  // namespace platform::detail::telnet
