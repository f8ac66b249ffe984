#include "emulator/program/ReceiptFiles.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace emutool {

bool ReceiptFiles::Prepare(std::string* error) const {
    std::error_code ec;
    std::filesystem::create_directories(m_directory, ec);
    if (ec || !std::filesystem::is_directory(m_directory)) {
        *error = "cannot make the directory " + m_directory + (ec ? ": " + ec.message() : "");
        return false;
    }
    return true;
}

std::string ReceiptFiles::PathFor(int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "receipt-%03d.png", number);
    return (std::filesystem::path(m_directory) / name).string();
}

std::string ReceiptFiles::WriteFinished(const emu::PaperImage& image, std::string* error) {
    std::string path = PathFor(++m_finished);
    return emu::WritePng(image, path, error) ? path : std::string();
}

std::string ReceiptFiles::WriteUnfinished(const emu::PaperImage& image, std::string* error) const {
    std::string path = PathFor(m_finished + 1);
    return emu::WritePng(image, path, error) ? path : std::string();
}

}  // namespace emutool
