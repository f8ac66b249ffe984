// Builds the byte stream a printer should receive, written out from the command table itself
// (hex codes, texts encoded with iconv at run time), so that the demonstrations are checked
// against an account of the protocol that shares no code with them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace apptest {

using Bytes = std::vector<std::uint8_t>;

// GBK bytes of a UTF-8 text; fails the current test if iconv cannot encode it.
Bytes Gbk(const std::string& utf8);

// Pixel rows of the committed demonstration picture (app/res/logo.pbm), read from the source
// tree; fails the current test unless the file is a 384 x 91 binary PBM.
Bytes LogoPixels();

// Hex dump "1B 21 0A ..." for readable failure messages.
std::string Hex(const Bytes& bytes);

class ExpectedStream {
  public:
    ExpectedStream& Raw(std::initializer_list<std::uint8_t> bytes);
    ExpectedStream& Raw(const Bytes& bytes);
    ExpectedStream& Text(const std::string& utf8) { return Raw(Gbk(utf8)); }
    ExpectedStream& LineFeeds(int count);
    ExpectedStream& Mode(std::uint8_t n) { return Raw({0x1B, 0x21, n}); }
    ExpectedStream& Title(const std::string& utf8) {
        return Mode(0x0A).Text(utf8).LineFeeds(1).Mode(0x00);
    }

    const Bytes& bytes() const { return m_bytes; }

  private:
    Bytes m_bytes;
};

}  // namespace apptest
