// GBK (code page 936) bytes to UTF-8 for the trace. Bytes that do not decode are shown as \xNN,
// so a trace never hides what was sent.
#pragma once

#include <cstdint>
#include <string>

namespace emu {

class GbkText {
  public:
    GbkText();
    ~GbkText();
    GbkText(const GbkText&) = delete;
    GbkText& operator=(const GbkText&) = delete;

    std::string ToUtf8(const std::uint8_t* bytes, std::size_t length);

  private:
    void* m_cd;  // iconv_t; (iconv_t)-1 when the system has no GBK converter
};

}  // namespace emu
