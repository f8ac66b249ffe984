#include "emulator/http/EventStream.h"

#include <algorithm>
#include <chrono>

namespace emu {

long EventStream::Read(char* out, std::size_t max, const std::function<void()>& onEmpty) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_resting = false;
    if (m_buffer.empty()) {
        if (m_ended) return kEnded;
        m_resting = true;
        onEmpty();
        return 0;
    }
    const std::size_t n = std::min(max, m_buffer.size());
    m_buffer.copy(out, n);
    m_buffer.erase(0, n);
    return static_cast<long>(n);
}

void EventStream::SetWake(std::function<void()> wake) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_wake = std::move(wake);
    if (!m_wake) m_ended = true;
}

void EventStream::Push(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_ended) return;
    if (m_buffer.size() + text.size() > kBound) {
        // A viewer this far behind has stopped reading: drop it rather than hold more.
        m_buffer.clear();
        m_ended = true;
    } else {
        m_buffer += text;
    }
    WakeReader();
}

void EventStream::End() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_ended = true;
    WakeReader();
}

// Every push wakes a resting reader, until it reads: a wake-up the server has not acted on yet
// is never the only one.
void EventStream::WakeReader() {
    if (m_resting && m_wake) m_wake();
}

bool EventStream::Ended() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_ended;
}

std::size_t EventStream::Held() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_buffer.size();
}

EventHub::EventHub() : m_heartbeat([this] { Beat(); }) {}

EventHub::~EventHub() {
    EndAll();
    m_heartbeat.join();
}

std::shared_ptr<EventStream> EventHub::Open(const std::string& hello) {
    auto stream = std::make_shared<EventStream>();
    // The browser waits this long before it connects again after a stream ends.
    stream->Push("retry: 500\n" + hello);
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_ended) {
        stream->End();
    } else {
        m_streams.push_back(stream);
    }
    return stream;
}

void EventHub::Publish(const std::string& name, const std::string& json) {
    std::unique_lock<std::mutex> guard(m_lock);
    Send(guard, false, "event: " + name + "\ndata: " + json + "\n\n");
}

void EventHub::PublishGathered(const std::string& name, Item item) {
    std::lock_guard<std::mutex> guard(m_lock);
    Hold(name, std::move(item), true);
}

void EventHub::PublishNewest(const std::string& name, const std::string& json) {
    std::lock_guard<std::mutex> guard(m_lock);
    Hold(
        name, [json] { return json; }, false);
}

void EventHub::Hold(const std::string& name, Item item, bool gathered) {
    if (m_ended || m_streams.empty()) return;
    auto held =
        std::find_if(m_held.begin(), m_held.end(), [&](const Held& h) { return h.name == name; });
    if (held == m_held.end()) held = m_held.insert(held, Held{name, gathered, {}, {}});
    const bool first = held->items.empty();
    if (!first && (!gathered || held->items.size() == kMostGathered)) held->items.pop_front();
    held->items.push_back(std::move(item));
    // For later ones the hub's thread already waits; waking it for each would take the
    // printer's core a thousand times a second.
    if (first) m_wake.notify_all();
}

std::unique_lock<std::mutex> EventHub::TakeTurn(std::unique_lock<std::mutex>& guard) {
    std::unique_lock<std::mutex> turn(m_sending, std::try_to_lock);
    if (!turn.owns_lock()) {
        // Waited for without m_lock: the printer's thread holding its next event goes on.
        guard.unlock();
        turn.lock();
        guard.lock();
    }
    return turn;
}

void EventHub::Send(std::unique_lock<std::mutex>& guard, bool dueOnly, const std::string& text) {
    std::unique_lock<std::mutex> turn = TakeTurn(guard);
    const Clock::time_point now = Clock::now();
    // Once one is due, all that are held go with it, in one piece: the kinds keep one rhythm,
    // and each viewer is woken once for them, not once for each.
    const bool due = std::any_of(m_held.begin(), m_held.end(), [now](const Held& held) {
        return !held.items.empty() && now - held.sent >= kHold;
    });
    std::vector<Held> taken;
    if (due || !dueOnly) {
        for (Held& held : m_held) {
            if (held.items.empty()) continue;
            taken.push_back(Held{held.name, held.gathered, std::move(held.items), now});
            held.items.clear();
            held.sent = now;
        }
    }
    if (taken.empty() && text.empty()) return;
    const std::vector<std::shared_ptr<EventStream>> streams = m_streams;
    // Made and written without m_lock: the printer's thread holding its next event does not
    // wait for fifty streams to be written and woken.
    guard.unlock();
    std::string out;
    for (const Held& held : taken) {
        out += "event: " + held.name + "\ndata: ";
        if (held.gathered) out += '[';
        for (std::size_t i = 0; i < held.items.size(); ++i) {
            if (i > 0) out += ',';
            out += held.items[i]();
        }
        if (held.gathered) out += ']';
        out += "\n\n";
    }
    out += text;
    for (const std::shared_ptr<EventStream>& stream : streams) stream->Push(out);
    turn.unlock();
    guard.lock();
    std::erase_if(m_streams, [](const std::shared_ptr<EventStream>& s) { return s->Ended(); });
}

void EventHub::EndAll() {
    std::unique_lock<std::mutex> guard(m_lock);
    if (m_ended) return;
    m_ended = true;
    Send(guard, false, {});
    // After a send still being written, so what it carries reaches the streams before they end.
    const std::unique_lock<std::mutex> turn = TakeTurn(guard);
    for (const std::shared_ptr<EventStream>& stream : m_streams) stream->End();
    m_streams.clear();
    m_wake.notify_all();
}

std::size_t EventHub::Viewers() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_streams.size();
}

void EventHub::Beat() {
    std::unique_lock<std::mutex> guard(m_lock);
    Clock::time_point beat = Clock::now() + kHeartbeat;
    while (!m_ended) {
        Clock::time_point due = beat;
        for (const Held& held : m_held)
            if (!held.items.empty()) due = std::min(due, held.sent + kHold);
        m_wake.wait_until(guard, due);
        if (m_ended) break;
        const bool beats = Clock::now() >= beat;
        Send(guard, true, beats ? ":\n\n" : "");
        if (beats) beat = Clock::now() + kHeartbeat;
    }
}

}  // namespace emu
