// receipt-001.png, receipt-002.png, ... in one directory: one per finished receipt, and the
// unfinished one under the number it will have when it is finished.
#pragma once

#include <string>

#include "emulator/rendering/PaperImage.h"

namespace emutool {

class ReceiptFiles {
  public:
    explicit ReceiptFiles(std::string directory) : m_directory(std::move(directory)) {}

    // Makes the directory; false with the reason when it cannot be made.
    bool Prepare(std::string* error) const;
    // The path written, or empty with the reason in *error.
    std::string WriteFinished(const emu::PaperImage& image, std::string* error);
    std::string WriteUnfinished(const emu::PaperImage& image, std::string* error) const;

  private:
    std::string PathFor(int number) const;

    std::string m_directory;
    int m_finished = 0;
};

}  // namespace emutool
