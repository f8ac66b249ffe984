// A lock taken in the order it was asked for. The thread feeding the printer takes its lock for
// each chunk it decodes and asks again at once; an ordinary mutex let it do so ahead of a
// thread that had waited (the station's snapshot of the paper), which then waited chunk after
// chunk while its receipts went unsaved. Here a waiter is next, so it waits one chunk at most.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace emu {

class TurnLock {
  public:
    void lock() {
        std::unique_lock<std::mutex> guard(m_mutex);
        const std::uint64_t turn = m_next++;
        m_turn.wait(guard, [&] { return m_serving == turn; });
    }
    void unlock() {
        bool waited;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            ++m_serving;
            waited = m_serving != m_next;
        }
        if (waited) m_turn.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::uint64_t m_next = 0;     // the turn the next caller gets
    std::uint64_t m_serving = 0;  // the turn that holds the lock (or takes it next)
};

}  // namespace emu
