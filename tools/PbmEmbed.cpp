// pbm-embed: turns a binary PBM (P4) picture into a C++ header holding its packed pixel rows, after
// checking that the picture has exactly the size the program was built for. P4 rows are already
// the printer's raster layout: bit 7 is the leftmost dot and a set bit prints black.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ToolOutput.h"

namespace {

// Reads the next header number, skipping white space and comments; -1 when there is none.
long headerNumber(const std::string& data, size_t& pos) {
    for (;;) {
        while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        if (pos < data.size() && data[pos] == '#') {
            while (pos < data.size() && data[pos] != '\n') ++pos;
            continue;
        }
        break;
    }
    long value = -1;
    while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos]))) {
        value = (value < 0 ? 0 : value * 10) + (data[pos++] - '0');
        if (value > 1000000) return -1;
    }
    return value;
}

void usage(std::ostream& out) {
    out << "Usage: pbm-embed INPUT.pbm OUTPUT.h NAME WIDTH HEIGHT\n"
           "Checks that INPUT.pbm is a binary PBM (P4) of WIDTH x HEIGHT dots and writes its\n"
           "pixel rows to OUTPUT.h as 'inline constexpr unsigned char NAME[]'.\n"
           "  --help     show this help\n"
           "  --version  show the version\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered =
            tools::AnswerStandardOption(argc, argv, "pbm-embed", usage)) {
        return *answered;
    }
    if (argc != 6) {
        usage(std::cerr);
        return 2;
    }
    const std::string inputPath = argv[1], outputPath = argv[2], name = argv[3];
    const long width = std::atol(argv[4]), height = std::atol(argv[5]);
    if (width <= 0 || height <= 0) {
        std::cerr << "pbm-embed: WIDTH and HEIGHT must be positive numbers\n";
        return 2;
    }

    std::ifstream input(inputPath, std::ios::binary);
    if (!input) {
        std::cerr << inputPath << ": cannot open: " << std::strerror(errno) << "\n";
        return 1;
    }
    const std::string data((std::istreambuf_iterator<char>(input)),
                           std::istreambuf_iterator<char>());
    if (data.compare(0, 2, "P4") != 0) {
        std::cerr << inputPath << ": not a binary PBM picture (it must start with P4)\n";
        return 1;
    }
    size_t pos = 2;
    const long fileWidth = headerNumber(data, pos);
    const long fileHeight = headerNumber(data, pos);
    if (fileWidth <= 0 || fileHeight <= 0 || pos >= data.size() ||
        !std::isspace(static_cast<unsigned char>(data[pos]))) {
        std::cerr << inputPath << ": damaged PBM header\n";
        return 1;
    }
    ++pos;  // the single white-space byte that ends the header
    if (fileWidth != width || fileHeight != height) {
        std::cerr << inputPath << ": the picture is " << fileWidth << " x " << fileHeight
                  << " dots; the printer demonstration needs exactly " << width << " x " << height
                  << "\n";
        return 1;
    }
    const size_t rowBytes = static_cast<size_t>((width + 7) / 8);
    const size_t expected = rowBytes * static_cast<size_t>(height);
    if (data.size() - pos != expected) {
        std::cerr << inputPath << ": expected " << expected
                  << " pixel bytes after the header, found " << data.size() - pos << "\n";
        return 1;
    }

    std::ostringstream h;
    h << "// Generated from " << inputPath << " by pbm-embed. Do not edit.\n"
      << "// " << width << " x " << height << " dots, " << rowBytes
      << " bytes a row, top row first; bit 7 is the leftmost dot, 1 prints black.\n"
      << "#pragma once\n\n"
      << "inline constexpr unsigned char " << name << "[] = {\n";
    char hex[8];
    for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
        h << "   ";
        for (size_t i = 0; i < rowBytes; ++i) {
            std::snprintf(hex, sizeof hex, " 0x%02X,",
                          static_cast<unsigned char>(data[pos + row * rowBytes + i]));
            h << hex;
        }
        h << "\n";
    }
    h << "};\n"
      << "static_assert(sizeof(" << name << ") == " << expected << ");\n";

    return tools::WriteGeneratedFile(outputPath, h.str());
}
