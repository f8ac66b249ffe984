#include "platform/internal/TelnetStream.h"

namespace platform::detail::telnet {

void AppendEscaped(std::string& out, const std::uint8_t* data, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out += static_cast<char>(data[i]);
        if (data[i] == kIac) out += static_cast<char>(kIac);
    }
}

std::string Negotiation(std::uint8_t verb, std::uint8_t option) {
    return {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

std::string Subnegotiation(std::uint8_t option, const std::string& body) {
    std::string out{static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(option)};
    AppendEscaped(out, reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
    out += static_cast<char>(kIac);
    out += static_cast<char>(kSe);
    return out;
}

bool Decoder::Feed(const std::uint8_t* bytes, std::size_t count, std::string& data,
                   std::vector<Command>& commands) {
    for (std::size_t i = 0; i < count && !m_broken; ++i) {
        const std::uint8_t b = bytes[i];
        switch (m_state) {
            case State::Data:
                if (b == kIac) {
                    m_state = State::Iac;
                } else {
                    data += static_cast<char>(b);
                }
                break;
            case State::Iac:
                if (b == kIac) {
                    data += static_cast<char>(kIac);
                    m_state = State::Data;
                } else if (b >= kWill && b <= kDont) {
                    m_verb = b;
                    m_state = State::Verb;
                } else if (b == kSb) {
                    m_body.clear();
                    m_state = State::Sb;
                } else {
                    // NOP, GA, AYT and the rest carry nothing a serial port needs.
                    m_state = State::Data;
                }
                break;
            case State::Verb:
                commands.push_back({m_verb, b, {}});
                m_state = State::Data;
                break;
            case State::Sb:
            case State::SbIac:
                if (m_state == State::SbIac) {
                    if (b == kSe) {
                        if (!m_body.empty()) {
                            commands.push_back(
                                {kSb, static_cast<std::uint8_t>(m_body[0]), m_body.substr(1)});
                        }
                        m_state = State::Data;
                        break;
                    }
                    if (b != kIac) {
                        m_broken = true;  // IAC inside a subnegotiation must be doubled or end it
                        break;
                    }
                    m_state = State::Sb;
                } else if (b == kIac) {
                    m_state = State::SbIac;
                    break;
                }
                m_body += static_cast<char>(b);
                if (m_body.size() > kLongestBody) m_broken = true;
                break;
        }
    }
    return !m_broken;
}

}  // namespace platform::detail::telnet
