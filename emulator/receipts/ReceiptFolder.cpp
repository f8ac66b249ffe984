#include "emulator/receipts/ReceiptFolder.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <regex>
#include <system_error>

#include "emulator/FileWrite.h"
#include "emulator/rendering/PngWriter.h"

namespace emu {
namespace {

std::string NameFor(int number, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "receipt-%03d.%s", number, extension);
    return name;
}

// The highest receipt number in the folder, 0 when there is none (or no folder yet).
int HighestNumber(const std::filesystem::path& folder) {
    static const std::regex kName(R"(receipt-(\d{3,9})\.(png|bin))");
    int highest = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::smatch match;
        const std::string name = entry.path().filename().string();
        if (std::regex_match(name, match, kName)) highest = std::max(highest, std::stoi(match[1]));
    }
    return highest;
}

std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

}  // namespace

bool ReceiptFolder::Prepare(const std::filesystem::path& folder, std::string* error,
                            const Limits& limits) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    std::lock_guard<std::mutex> guard(m_lock);
    m_folder = absolute;
    m_limits = limits;
    m_next = 1;
    m_made = false;
    m_saved.clear();
    m_stopped.clear();
    m_lost = Losses{};
    std::string why;
    if (!MakeFolder(&why)) {
        *error = why;
        return false;
    }
    // A file made and removed again: a folder that cannot take one says so now, not at the
    // first receipt.
    const std::string probe = WriteTemporary({}, &why);
    if (probe.empty()) {
        *error = why;
        return false;
    }
    ::unlink(probe.c_str());
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

std::string ReceiptFolder::Stopped() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_stopped;
}

ReceiptFolder::Losses ReceiptFolder::Lost() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lost;
}

std::string ReceiptFolder::StopReason() const {
    if (m_limits.maxReceipts > 0 && static_cast<int>(m_saved.size()) >= m_limits.maxReceipts) {
        return std::to_string(m_limits.maxReceipts) + " receipts saved, the most this run may";
    }
    struct statvfs disk {};
    if (statvfs(m_folder.c_str(), &disk) != 0 || disk.f_blocks == 0) return "";
    const std::uint64_t free = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
    const std::uint64_t total = static_cast<std::uint64_t>(disk.f_blocks) * disk.f_frsize;
    const double percent = 100.0 * static_cast<double>(free) / static_cast<double>(total);
    const std::string nearlyFull = "the disk holding " + m_folder.string() + " is nearly full: ";
    if (free < m_limits.reserveBytes) {
        return nearlyFull + Megabytes(free) + " free, under the " +
               Megabytes(m_limits.reserveBytes) + " kept free";
    }
    if (percent < m_limits.reservePercent) {
        char text[96];
        std::snprintf(text, sizeof text, "%.2f %% free, under the %g %% kept free", percent,
                      m_limits.reservePercent);
        return nearlyFull + text;
    }
    return "";
}

// A name of our own, created exclusively and never through a link, so that nothing already in
// the folder (another program's file, a link planted under a name we might use) is written to.
std::string ReceiptFolder::WriteTemporary(const std::vector<std::uint8_t>& data,
                                          std::string* error) const {
    static std::atomic<unsigned> s_sequence{0};
    std::minstd_rand random(static_cast<unsigned>(getpid()) * 7919u + s_sequence++);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path temporary =
            m_folder / (".receipt-" + std::to_string(getpid()) + "-" +
                        std::to_string(random() % 1000000) + ".partial");
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            *error = "cannot create a file in " + m_folder.string() + ": " + std::strerror(errno);
            return "";
        }
        if (!WriteAndClose(fd, data, "a receipt in " + m_folder.string(), error)) {
            ::unlink(temporary.c_str());
            return "";
        }
        return temporary.string();
    }
    *error = "cannot create a file in " + m_folder.string() + ": every name tried was taken";
    return "";
}

bool ReceiptFolder::MakeFolder(std::string* error) {
    if (m_made && std::filesystem::is_directory(m_folder)) return true;
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec || !std::filesystem::is_directory(m_folder)) {
        *error = "cannot make the folder " + m_folder.string() + " for receipts: " +
                 (ec ? ec.message() : std::string("something else of that name is there"));
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

ReceiptFolder::Result ReceiptFolder::Save(const PaperImage& image,
                                          const std::vector<std::uint8_t>* bytes) {
    Result result;
    if (IsBlank(image)) {
        result.blank = true;
        return result;
    }
    // Encoded outside the lock, and not at all once saving has stopped.
    bool stopped = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        stopped = !m_stopped.empty();
    }
    std::vector<std::uint8_t> png;
    std::string encodeError;
    const bool encoded = !stopped && EncodePng(image, &png, &encodeError);
    std::lock_guard<std::mutex> guard(m_lock);
    const auto lose = [&](const std::string& why) {
        // Numbered still, so the receipts listed keep their order and no two share a number.
        result.number = m_next++;
        result.error = "not saved: " + why;
        m_lost = {m_lost.count + 1, why};
        return result;
    };
    std::string error;
    if (!MakeFolder(&error)) return lose(error);
    if (m_stopped.empty()) {
        m_stopped = StopReason();
        result.firstStop = !m_stopped.empty();
    }
    result.stopped = !m_stopped.empty();
    if (result.stopped) return lose("receipts are no longer saved: " + m_stopped);
    if (!encoded && !EncodePng(image, &png, &encodeError))
        return lose("cannot encode the picture: " + encodeError);
    const std::string temporary = WriteTemporary(png, &error);
    if (temporary.empty()) return lose(error);
    const std::string temporaryBin = bytes ? WriteTemporary(*bytes, &error) : std::string();
    const bool linked =
        (!bytes || !temporaryBin.empty()) && LinkInPlace(temporary, temporaryBin, &result, &error);
    for (const std::string& name : {temporary, temporaryBin}) {
        if (!name.empty()) unlink(name.c_str());
    }
    if (!linked) return lose(error);
    m_saved.push_back(result.path);
    return result;
}

// link() fails where a file (or a link) already is, so a receipt written meanwhile by another
// program keeps its number and this one takes the next; a number is taken only when both of its
// names are free.
bool ReceiptFolder::LinkInPlace(const std::string& png, const std::string& bin, Result* result,
                                std::string* error) {
    for (;; ++m_next) {
        const std::filesystem::path target = m_folder / NameFor(m_next, "png");
        const std::filesystem::path targetBin = m_folder / NameFor(m_next, "bin");
        if (link(png.c_str(), target.c_str()) != 0) {
            if (errno == EEXIST) continue;
            *error = "cannot name " + target.string() + ": " + std::strerror(errno);
            return false;
        }
        if (!bin.empty() && link(bin.c_str(), targetBin.c_str()) != 0) {
            const int failure = errno;
            unlink(target.c_str());
            if (failure == EEXIST) continue;
            *error = "cannot name " + targetBin.string() + ": " + std::strerror(failure);
            return false;
        }
        result->path = target.string();
        result->bin = bin.empty() ? std::string() : targetBin.string();
        result->number = m_next++;
        return true;
    }
}

std::string Describe(const ReceiptFolder::Losses& lost) {
    return "lost " + std::to_string(lost.count) + (lost.count == 1 ? " receipt" : " receipts") +
           "; the last: " + lost.reason;
}

}  // namespace emu
