// Server-sent events: a hub that every live viewer's stream hangs from. Events are appended to
// each stream's own bounded buffer and never wait for a reader, so a viewer that stops reading
// costs at most kBound bytes and is then dropped (its browser reconnects and reads the state
// afresh); the station's thread that publishes never waits for a viewer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace emu {

class EventStream {
  public:
    // Bytes a stream holds for a viewer that does not read before it is dropped.
    static constexpr std::size_t kBound = 256 * 1024;
    // Read's answer when the stream has ended.
    static constexpr long kEnded = -1;

    // Up to max bytes into out; none means nothing is waiting: then onEmpty runs (under the
    // stream's lock) and wake runs once when there is something to read again.
    long Read(char* out, std::size_t max, const std::function<void()>& onEmpty);
    // The function that wakes a reader Read put to rest; cleared (null) when the reader is gone.
    void SetWake(std::function<void()> wake);
    void Push(const std::string& text);
    void End();
    bool Ended() const;
    std::size_t Held() const;

  private:
    void WakeReader();  // with m_lock held

    mutable std::mutex m_lock;
    std::string m_buffer;
    bool m_ended = false;
    bool m_resting = false;  // the reader waits for wake
    std::function<void()> m_wake;
};

class EventHub {
  public:
    // How often a comment goes to every stream, so a viewer that has gone is noticed.
    static constexpr std::chrono::seconds kHeartbeat{10};
    // Held events of one name go out at most this often: a printer fed over TCP finishes a
    // thousand receipts a second, and an event each would wake every viewer as often.
    static constexpr std::chrono::milliseconds kHold{100};
    // Items a gathered event carries at most, the newest: what the page lists. A printer
    // flooded with receipts would otherwise send each viewer every receipt's meta, 300 in a
    // tenth of a second, and drop the viewers that cannot keep up.
    static constexpr std::size_t kMostGathered = 100;

    EventHub();
    ~EventHub();
    EventHub(const EventHub&) = delete;
    EventHub& operator=(const EventHub&) = delete;

    // An item of a gathered event, made when it is sent: most of a flood's never are.
    using Item = std::function<std::string()>;

    // A new stream that hears every event from now on; hello is its first.
    std::shared_ptr<EventStream> Open(const std::string& hello);
    // "event: NAME\ndata: JSON\n\n" to every stream now, after the held events before it.
    void Publish(const std::string& name, const std::string& json);
    // The two below hold the event for the hub's thread, which sends it at once when no event
    // of the name went out for kHold, else when that time has passed: the publisher (the
    // printer's thread) never writes to the streams. Gathered: "data: [JSON,...]" with the
    // items since the last one of the name, the newest kMostGathered of them.
    void PublishGathered(const std::string& name, Item item);
    // Newest: only the newest JSON of the name held counts (a state, not a history).
    void PublishNewest(const std::string& name, const std::string& json);
    // Ends every stream, now and later (Open then gives ended ones).
    void EndAll();
    std::size_t Viewers() const;

  private:
    using Clock = std::chrono::steady_clock;
    struct Held {
        std::string name;
        bool gathered;
        std::deque<Item> items;  // newest: one; none when nothing is held
        Clock::time_point sent;
    };

    // With m_lock held.
    void Hold(const std::string& name, Item item, bool gathered);
    // The held events (every one, or none unless one's kHold has passed) and then text, written
    // to the streams with m_lock let go meanwhile (guard holds it, and holds it again after).
    void Send(std::unique_lock<std::mutex>& guard, bool dueOnly, const std::string& text);
    // m_sending, for a send or for ending the streams; guard holds m_lock before and after.
    std::unique_lock<std::mutex> TakeTurn(std::unique_lock<std::mutex>& guard);
    void Beat();

    mutable std::mutex m_lock;
    // One send at a time, each with what was held when its turn came: sends keep their order.
    std::mutex m_sending;
    std::vector<std::shared_ptr<EventStream>> m_streams;
    std::vector<Held> m_held;  // one per name, in the order first held
    bool m_ended = false;
    std::condition_variable m_wake;
    std::thread m_heartbeat;
};

}  // namespace emu
