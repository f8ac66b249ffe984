#include "app/ReceiptFolder.h"

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <system_error>

std::filesystem::path CReceiptFolder::DefaultPath() {
    const char* home = std::getenv("HOME");
    const std::filesystem::path base = home != nullptr && *home != '\0' ? home : ".";
    return base / "CE_MOLV-paper";
}

bool CReceiptFolder::Prepare(const std::filesystem::path& folder, std::string* pError) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder)) {
        *pError = folder.string() + ": cannot make the folder for receipts (" +
                  (error ? error.message() : std::string("not a directory")) + ")";
        return false;
    }
    static const std::regex kName(R"(receipt-(\d{3,9})\.png)");
    int highest = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::smatch match;
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, match, kName)) highest = std::max(highest, std::stoi(match[1]));
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_folder = std::filesystem::absolute(folder, error);
    m_next = highest + 1;
    m_saved.clear();
    return true;
}

std::string CReceiptFolder::Save(const emu::PaperImage& image, std::string* pError) {
    std::lock_guard<std::mutex> guard(m_lock);
    char name[32];
    std::snprintf(name, sizeof name, "receipt-%03d.png", m_next);
    const std::string path = (m_folder / name).string();
    if (!emu::WritePng(image, path, pError)) return "";
    ++m_next;
    m_saved.push_back(path);
    return path;
}

std::vector<std::string> CReceiptFolder::Saved() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_saved;
}
