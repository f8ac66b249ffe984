// A view of a printer station for benchmarks: counts the receipts finished and notes when each
// was told (after its files were written, when the station saves) and where its picture went,
// without copying the station's list.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/station/StationEvent.h"

namespace bench {

struct ReceiptArrivals : emu::StationView {
    std::atomic<std::size_t> finished{0};
    std::mutex lock;
    std::vector<std::chrono::steady_clock::time_point> at;
    std::vector<std::string> png;

    void OnStationEvent(const emu::StationEvent& event) override {
        const auto* receipt = std::get_if<emu::ReceiptFinished>(&event);
        if (receipt == nullptr) return;
        {
            std::lock_guard<std::mutex> guard(lock);
            at.push_back(std::chrono::steady_clock::now());
            png.push_back(receipt->receipt.png);
        }
        ++finished;
    }
    // Returns once this many receipts in all were told.
    void WaitFor(std::size_t count) const {
        while (finished.load() < count) std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
};

}  // namespace bench
