// The folder where finished paper goes as receipt-001.png, receipt-002.png, ... Numbering goes on
// after the highest number already there, and a file that appears meanwhile is never overwritten:
// the picture is written under a temporary name and linked into place only where no file is.
// The folder is made when the first receipt is saved; paper with no mark on it is not a receipt.
// A run saves at most a set number of receipts, so a runaway stream cannot fill the disk.
// Safe to use from several threads.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/rendering/PaperImage.h"

namespace emu {

class ReceiptFolder {
  public:
    static constexpr int kDefaultMaxReceipts = 1000;

    struct Result {
        std::string path;   // the file written; empty when none was
        int number = 0;     // its number (receipt-NNN), 0 when none was written
        std::string error;  // why a receipt was not saved; empty for blank paper
        bool blank = false;
        bool limitReached = false;
    };

    // Checks that the folder can hold receipts (it is one, or can be made) and finds the next
    // free number; nothing is created yet. False with the reason, naming the folder.
    bool Prepare(const std::filesystem::path& folder, std::string* error,
                 int maxReceipts = kDefaultMaxReceipts);
    std::filesystem::path Path() const;

    Result Save(const PaperImage& image);
    // Paper with no mark on it, which is not saved.
    static bool IsBlank(const PaperImage& image);
    // The files this run wrote, oldest first.
    std::vector<std::string> Saved() const;

  private:
    bool MakeFolder(std::string* error);

    std::filesystem::path m_folder;
    mutable std::mutex m_lock;
    int m_next = 1;
    int m_max = kDefaultMaxReceipts;
    bool m_made = false;
    std::vector<std::string> m_saved;
};

}  // namespace emu
