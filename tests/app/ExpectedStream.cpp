#include "tests/app/ExpectedStream.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace apptest {

Bytes Gbk(const std::string& utf8) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv has no UTF-8 to GBK conversion";
        return {};
    }
    std::string in = utf8;
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) {
        ADD_FAILURE() << "cannot encode \"" << utf8 << "\" in GBK";
        return {};
    }
    return Bytes(out.data(), outPtr);
}

Bytes LogoPixels() {
    std::ifstream file(CE_MOLV_RESOURCE_DIR "/logo.pbm", std::ios::binary);
    const Bytes all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::string header = "P4\n384 91\n";
    if (all.size() < header.size() || !std::equal(header.begin(), header.end(), all.begin())) {
        ADD_FAILURE() << "logo.pbm does not start with the header of a 384 x 91 binary PBM";
        return {};
    }
    return Bytes(all.begin() + static_cast<long>(header.size()), all.end());
}

std::string Hex(const Bytes& bytes) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        if (i) s += ' ';
        s += buf;
    }
    return s;
}

ExpectedStream& ExpectedStream::Raw(std::initializer_list<std::uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

ExpectedStream& ExpectedStream::Raw(const Bytes& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

ExpectedStream& ExpectedStream::LineFeeds(int count) {
    for (int i = 0; i < count; ++i) m_bytes.push_back(0x0A);
    return *this;
}

}  // namespace apptest
