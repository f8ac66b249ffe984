// CReceiptFolder: where the virtual printer's receipts go as PNG files, receipt-001.png,
// receipt-002.png, ... Numbering goes on after the highest number already in the folder, so a
// second session never overwrites the paper of the first.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/rendering/PaperImage.h"

class CReceiptFolder {
  public:
    // $HOME/CE_MOLV-paper (./CE_MOLV-paper when HOME is not set).
    static std::filesystem::path DefaultPath();

    // Makes the folder (and its parents) and finds the next free number; false with the reason.
    bool Prepare(const std::filesystem::path& folder, std::string* pError);
    const std::filesystem::path& Path() const { return m_folder; }

    // Writes the image under the next number; the path written, or "" with the reason in *pError.
    // Safe to call from any thread.
    std::string Save(const emu::PaperImage& image, std::string* pError);
    // The files this session wrote, oldest first.
    std::vector<std::string> Saved() const;

  private:
    std::filesystem::path m_folder;
    mutable std::mutex m_lock;
    int m_next = 1;
    std::vector<std::string> m_saved;
};
