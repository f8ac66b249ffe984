// An operator changing the link's speed and flow control, printing after each change: the
// dialog's script, and how many of the receipts read back with the barcode printed.
#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include "app/res/Resource.h"
#include "tests/support/BarcodeScan.h"

namespace apptest {

// Opens at 9600 and prints; changes to 19200, to 115200 and back to 9600, then the flow control
// to hardware and to software, printing after each change: kLineChangePrints prints.
inline constexpr int kLineChangePrints = 6;

// pauseMs: the operator's pause after each change. A printer end on a pty of its own learns of
// a change only when the kernel announces it, and a host changing twice within that time (a
// script, not a person) is not told apart.
inline std::string LineChangesScript(int pauseMs = 0) {
    auto click = [](int id) { return "click " + std::to_string(id) + "\n"; };
    auto select = [](int id, int index) {
        return "select " + std::to_string(id) + " " + std::to_string(index) + "\n";
    };
    const std::string print = (pauseMs > 0 ? "wait " + std::to_string(pauseMs) + "\n" : "") +
                              click(IDC_BUTTON_BARCODE) + click(IDC_BUTTON_CUTPAPER);
    std::string script = select(IDC_COMBO_BAUDRATE, 0) + click(IDC_BUTTON_OPEN) + print;
    for (int rate : {1, 2, 0}) {  // 19200, 115200, 9600
        script += select(IDC_COMBO_BAUDRATE, rate) + click(IDC_BUTTON_BAUDRATE) + print;
    }
    for (int flow : {1, 2}) {  // hardware, software
        script += select(IDC_COMBO_FLOWCONTROL, flow) + click(IDC_BUTTON_FLOWCONTROL) + print;
    }
    return script + click(IDC_BUTTON_OPEN);
}

// The receipts in a folder that carry the barcode printed; a print lost to framing errors
// leaves none. Each receipt is scanned once: receipts appear whole (written aside, then linked).
class BarcodeReceipts {
  public:
    explicit BarcodeReceipts(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    int Count() {
        std::error_code missing;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder, missing)) {
            const std::string name = entry.path().filename().string();
            if (!name.starts_with("receipt-") || !m_scanned.insert(name).second) continue;
            if (testsupport::ScanBarcodes(entry.path().string()) == "EAN-13:0123456789005") {
                ++m_count;
            }
        }
        return m_count;
    }

  private:
    std::filesystem::path m_folder;
    std::set<std::string> m_scanned;
    int m_count = 0;
};

}  // namespace apptest
