#include "ToolOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

namespace tools {

std::optional<int> AnswerStandardOption(int argc, char** argv, const char* program,
                                        void (*usage)(std::ostream&)) {
    if (argc != 2) return std::nullopt;
    if (std::strcmp(argv[1], "--help") == 0) {
        usage(std::cout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::cout << program << " " << CE_MOLV_VERSION << "\n";
        return 0;
    }
    return std::nullopt;
}

int WriteGeneratedFile(const std::string& path, const std::string& text) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::cerr << temp << ": cannot write: " << std::strerror(errno) << "\n";
            return 1;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::cerr << path << ": cannot write: " << std::strerror(errno) << "\n";
        std::remove(temp.c_str());
        return 1;
    }
    return 0;
}

}  // namespace tools
