#include "tests/support/RecordingWindow.h"

#include <algorithm>

namespace testsupport {

RecordingWindow::RecordingWindow(Delivery delivery) : m_delivery(delivery) {
    if (m_delivery == Delivery::OwnThread) {
        m_thread = std::thread([this] {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_threadId = GetCurrentThreadId();
            }
            m_changed.notify_all();
            DeliveryLoop();
        });
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [this] { return m_threadId != 0; });
    } else {
        m_threadId = GetCurrentThreadId();
    }
    m_handle = platform::RegisterWindow(this);
}

RecordingWindow::~RecordingWindow() { Destroy(); }

void RecordingWindow::SetHandler(Handler handler) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_handler = std::move(handler);
}

bool RecordingWindow::WaitForMessages(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        if (m_delivered.size() >= count) return true;
        if (m_delivery == Delivery::OnDemand && !m_queue.empty()) {
            lock.unlock();
            DeliverPending();
            lock.lock();
            continue;
        }
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) {
            return m_delivered.size() >= count;
        }
    }
}

std::size_t RecordingWindow::DeliverPending() {
    std::size_t delivered = 0;
    for (;;) {
        Pending next;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_queue.empty()) return delivered;
            next = std::move(m_queue.front());
            m_queue.pop_front();
        }
        Deliver(std::move(next));
        ++delivered;
    }
}

std::vector<RecordingWindow::Message> RecordingWindow::Messages() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_delivered;
}

std::size_t RecordingWindow::Count(UINT message) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<std::size_t>(
        std::count_if(m_delivered.begin(), m_delivered.end(),
                      [&](const Message& m) { return m.message == message; }));
}

void RecordingWindow::Destroy() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_closing) return;
        // Closing first releases senders waiting for the window's thread, which
        // UnregisterWindow would otherwise wait for.
        m_closing = true;
        for (Pending& pending : m_queue) {
            if (pending.slot) pending.slot->done = true;
        }
        m_queue.clear();
    }
    m_changed.notify_all();
    platform::UnregisterWindow(m_handle);
    if (m_thread.joinable()) m_thread.join();
}

bool RecordingWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_closing) return false;
        m_queue.push_back(Pending{Message{message, wParam, lParam, 0, false}, nullptr});
    }
    m_changed.notify_all();
    return true;
}

LRESULT RecordingWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    const Message sent{message, wParam, lParam, 0, true};
    if (OnWindowThread()) {
        auto slot = std::make_shared<SendSlot>();
        Deliver(Pending{sent, slot});
        return slot->result;
    }
    auto slot = std::make_shared<SendSlot>();
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_closing) return 0;
    m_queue.push_back(Pending{sent, slot});
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return slot->done; });
    return slot->result;
}

void RecordingWindow::DeliveryLoop() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_closing || !m_queue.empty(); });
        if (m_closing) return;
        Pending next = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        Deliver(std::move(next));
        lock.lock();
    }
}

void RecordingWindow::Deliver(Pending pending) {
    pending.message.threadId = GetCurrentThreadId();
    Handler handler;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        handler = m_handler;
    }
    const LRESULT result = handler ? handler(pending.message) : 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_delivered.push_back(pending.message);
        if (pending.slot) {
            pending.slot->result = result;
            pending.slot->done = true;
        }
    }
    m_changed.notify_all();
}

bool RecordingWindow::OnWindowThread() const { return GetCurrentThreadId() == m_threadId; }

}  // namespace testsupport
