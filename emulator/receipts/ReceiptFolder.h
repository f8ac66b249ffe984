// The folder where finished paper goes as receipt-001.png, receipt-002.png, ..., each with the
// bytes that printed it beside it (receipt-001.bin, ...) when they are given. Numbering goes on
// after the highest number already there, and nothing already in the folder is ever overwritten
// or followed: each file is written to a new file of its own (created exclusively, never through
// a symbolic link) and linked into place only where no file of that number is.
// Prepare makes the folder and writes a file there (removed again), so a folder that cannot take
// receipts is found at start; one removed while in use is made again. Paper with no mark on it is
// not a receipt.
// Receipts stop being saved when the disk is nearly full, or after a count the caller may set;
// from then on every receipt is refused with the same reason.
// Safe to use from several threads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/rendering/PaperImage.h"

namespace emu {

class ReceiptFolder {
  public:
    struct Limits {
        int maxReceipts = 0;  // receipts one run may save; 0: no count
        // The disk is nearly full below either of these free.
        std::uint64_t reserveBytes = 50ull * 1000 * 1000;
        double reservePercent = 1.0;
    };

    struct Result {
        std::string path;  // the picture's file written; empty when none was
        std::string bin;   // the bytes' file written; empty when none was
        // Its number (receipt-NNN); one not saved has the number its file would have had, and
        // no later receipt takes it (0 only for blank paper).
        int number = 0;
        std::string error;  // why a receipt was not saved; empty for blank paper
        bool blank = false;
        bool stopped = false;    // refused because saving has stopped (error says why)
        bool firstStop = false;  // and this is the first receipt refused so
    };

    // Makes the folder when it is missing, checks that a file can be written there and finds the
    // next free number. False with the reason, naming the folder.
    bool Prepare(const std::filesystem::path& folder, std::string* error, const Limits& limits);
    bool Prepare(const std::filesystem::path& folder, std::string* error) {
        return Prepare(folder, error, Limits{});
    }
    std::filesystem::path Path() const;

    // bytes: the stream that printed the picture, written beside it; nullptr for none.
    Result Save(const PaperImage& image, const std::vector<std::uint8_t>* bytes = nullptr);
    // Paper with no mark on it, which is not saved.
    static bool IsBlank(const PaperImage& image);
    // The files this run wrote, oldest first.
    std::vector<std::string> Saved() const;
    // Why receipts are no longer saved; "" while they are.
    std::string Stopped() const;
    // Receipts that could not be saved (blank paper aside), and why the last of them was not.
    struct Losses {
        int count = 0;
        std::string reason;
    };
    Losses Lost() const;

  private:
    bool MakeFolder(std::string* error);
    // Why saving must stop now (the count reached, the disk nearly full), or "".
    std::string StopReason() const;
    // Writes data to a new temporary file in the folder; its path, or "" with *error.
    std::string WriteTemporary(const std::vector<std::uint8_t>& data, std::string* error) const;
    // Links the temporary files in as the lowest free number's; false with *error.
    bool LinkInPlace(const std::string& png, const std::string& bin, Result* result,
                     std::string* error);

    std::filesystem::path m_folder;
    mutable std::mutex m_lock;
    int m_next = 1;
    Limits m_limits;
    bool m_made = false;
    std::vector<std::string> m_saved;
    std::string m_stopped;
    Losses m_lost;
};

// "lost 2 receipts; the last: REASON", for a sentence that says whose run.
std::string Describe(const ReceiptFolder::Losses& lost);

}  // namespace emu
