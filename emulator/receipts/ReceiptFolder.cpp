#include "emulator/receipts/ReceiptFolder.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <regex>
#include <system_error>

namespace emu {
namespace {

std::string NameFor(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "receipt-%03d.png", number);
    return name;
}

// The highest receipt number in the folder, 0 when there is none (or no folder yet).
int HighestNumber(const std::filesystem::path& folder) {
    static const std::regex kName(R"(receipt-(\d{3,9})\.png)");
    int highest = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::smatch match;
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, match, kName)) highest = std::max(highest, std::stoi(match[1]));
    }
    return highest;
}

}  // namespace

bool ReceiptFolder::Prepare(const std::filesystem::path& folder, std::string* error,
                            int maxReceipts) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    // The nearest part of the path that exists must be a folder, or the folder can never be made.
    for (std::filesystem::path part = absolute; !part.empty(); part = part.parent_path()) {
        if (!std::filesystem::exists(part, ec)) {
            if (part == part.parent_path()) break;
            continue;
        }
        if (!std::filesystem::is_directory(part, ec)) {
            *error = folder.string() + ": cannot make the folder for receipts (" + part.string() +
                     " is not a folder)";
            return false;
        }
        break;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_folder = absolute;
    m_next = HighestNumber(absolute) + 1;
    m_max = maxReceipts;
    m_made = std::filesystem::is_directory(absolute, ec);
    m_saved.clear();
    return true;
}

std::filesystem::path ReceiptFolder::Path() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_folder;
}

std::vector<std::string> ReceiptFolder::Saved() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_saved;
}

bool ReceiptFolder::MakeFolder(std::string* error) {
    if (m_made) return true;
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec || !std::filesystem::is_directory(m_folder)) {
        *error = m_folder.string() + ": cannot make the folder for receipts (" +
                 (ec ? ec.message() : std::string("not a folder")) + ")";
        return false;
    }
    m_made = true;
    m_next = std::max(m_next, HighestNumber(m_folder) + 1);
    return true;
}

bool ReceiptFolder::IsBlank(const PaperImage& image) {
    return std::all_of(image.gray.begin(), image.gray.end(),
                       [](std::uint8_t v) { return v == 255; });
}

ReceiptFolder::Result ReceiptFolder::Save(const PaperImage& image) {
    Result result;
    if (IsBlank(image)) {
        result.blank = true;
        return result;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (static_cast<int>(m_saved.size()) >= m_max) {
        result.limitReached = true;
        result.error = "not saved: this run has already saved " + std::to_string(m_max) +
                       " receipts, the most it may";
        return result;
    }
    if (!MakeFolder(&result.error)) return result;
    const std::filesystem::path temporary =
        m_folder / (".receipt-" + std::to_string(getpid()) + ".partial");
    std::string writeError;
    if (!WritePng(image, temporary.string(), &writeError)) {
        std::error_code ec;
        std::filesystem::remove(temporary, ec);
        result.error = "not saved: " + writeError;
        return result;
    }
    // link() fails where a file already is, so a receipt written meanwhile by another program
    // keeps its number and this one takes the next.
    for (;; ++m_next) {
        const std::filesystem::path target = m_folder / NameFor(m_next);
        if (link(temporary.c_str(), target.c_str()) == 0) {
            result.path = target.string();
            result.number = m_next;
            ++m_next;
            break;
        }
        if (errno != EEXIST) {
            result.error =
                "not saved: cannot name " + target.string() + ": " + std::strerror(errno);
            break;
        }
    }
    unlink(temporary.c_str());
    if (!result.path.empty()) m_saved.push_back(result.path);
    return result;
}

}  // namespace emu
