// CPrinterFeed: the printer window's adapter onto a PrinterStation. It is one of the station's
// views: the paper in progress, finished receipts with their number, time, source, size and files,
// the command trace, drawer and buzzer events, the printer model's conditions as toggles that work
// both ways (emu::ConditionsOf gives them and their order; a change the printer makes itself, as
// DLE ENQ clearing a cutter error, shows too), and the station's state as the status line.
//
// The station calls it on the station's thread; everything it hands the window is queued there
// and shown on the user-interface thread.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <string>

#include "emulator/device/Condition.h"
#include "emulator/station/StationEvent.h"

class CPaperWindow;
namespace emu {
class PrinterStation;
}  // namespace emu

class CPrinterFeed : private emu::StationView {
  public:
    explicit CPrinterFeed(emu::PrinterStation& station);
    ~CPrinterFeed() override;
    CPrinterFeed(const CPrinterFeed&) = delete;
    CPrinterFeed& operator=(const CPrinterFeed&) = delete;

    // User-interface thread: makes the (hidden) window and starts following the station.
    void Start(const std::string& title, const std::string& folder);
    // Stops following; the window stays until the feed goes.
    void Stop();

    // As the operator's toggle does. Any thread.
    void SetCondition(emu::Condition condition, bool on);

    CPaperWindow& Window() { return *m_pWindow; }

  private:
    void OnStationEvent(const emu::StationEvent& event) override;
    bool WantsTrace() const override { return true; }
    bool WantsLiveState() const override { return true; }
    void AddEvent(const std::string& text);
    void ShowConditions(emu::ConditionSet conditions);

    emu::PrinterStation& m_station;
    std::unique_ptr<CPaperWindow> m_pWindow;
    // The wall clock when the station started, which its receipts' times count from.
    const std::chrono::system_clock::time_point m_started;
    bool m_following = false;
    std::deque<std::string> m_events;  // the newest drawer and buzzer events (station's thread)
};
