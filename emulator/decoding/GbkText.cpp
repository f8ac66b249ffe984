#include "emulator/decoding/GbkText.h"

#include <iconv.h>

#include <cstdio>

namespace emu {

namespace {
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

void AppendEscaped(std::string& out, std::uint8_t byte) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", byte);
    out += buf;
}
}  // namespace

GbkText::GbkText() : m_cd(iconv_open("UTF-8", "GBK")) {}

GbkText::~GbkText() {
    if (static_cast<iconv_t>(m_cd) != kNoConverter) iconv_close(static_cast<iconv_t>(m_cd));
}

std::string GbkText::ToUtf8(const std::uint8_t* bytes, std::size_t length) {
    std::string out;
    iconv_t cd = static_cast<iconv_t>(m_cd);
    std::size_t i = 0;
    while (i < length) {
        std::uint8_t b = bytes[i];
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7F)
                AppendEscaped(out, b);
            else
                out += static_cast<char>(b);
            ++i;
            continue;
        }
        // One character at a time, so that one bad pair costs only its own bytes.
        bool converted = false;
        if (cd != kNoConverter && i + 1 < length) {
            char in[2] = {static_cast<char>(b), static_cast<char>(bytes[i + 1])};
            char utf8[8];
            char* inPtr = in;
            char* outPtr = utf8;
            std::size_t inLeft = 2, outLeft = sizeof utf8;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
                inLeft == 0) {
                out.append(utf8, static_cast<std::size_t>(outPtr - utf8));
                i += 2;
                converted = true;
            }
        }
        if (!converted) {
            AppendEscaped(out, b);
            ++i;
        }
    }
    return out;
}

}  // namespace emu
