// A window for tests: registered in the platform's window registry, it records every message
// posted or sent to it (number, parameters, and the id of the thread it was delivered on).
//
// The window has a thread of its own, as a dialog has its UI thread:
// - Delivery::OwnThread: a thread of the window delivers messages as they come.
// - Delivery::OnDemand: the thread that made the window is its thread; messages wait in the
//   queue until that thread calls WaitForMessages or DeliverPending.
// Posts return at once. A send from the window's own thread is delivered directly; from any other
// thread it waits until the window's thread has delivered it, as on the original platform.
//
// Destroy() (also run by the destructor) unregisters the window: afterwards posts to its handle
// fail and nothing more is recorded. Do not call it from inside the handler.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/WindowRegistry.h"

namespace testsupport {

class RecordingWindow final : public platform::IWindowSink {
  public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        DWORD threadId;  // GetCurrentThreadId of the thread that delivered it
        bool sent;       // SendMessageW rather than PostMessageW
    };
    enum class Delivery { OwnThread, OnDemand };
    // Called on the window's thread for each message; its result is what SendMessageW returns.
    using Handler = std::function<LRESULT(const Message&)>;

    explicit RecordingWindow(Delivery delivery = Delivery::OwnThread);
    ~RecordingWindow() override;
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND Handle() const { return m_handle; }
    // GetCurrentThreadId of the window's thread.
    DWORD ThreadId() const { return m_threadId; }
    // Replaces the handler (default: record only, SendMessageW returns 0).
    void SetHandler(Handler handler);

    // True once at least count messages have been delivered; false when the time-out passes
    // first. On demand, delivers queued messages on the calling thread while it waits.
    bool WaitForMessages(std::size_t count, std::chrono::milliseconds timeout);
    // On demand: delivers what is queued now on the calling thread; returns how many.
    std::size_t DeliverPending();
    // Every message delivered so far, oldest first.
    std::vector<Message> Messages() const;
    // How many delivered messages have this number.
    std::size_t Count(UINT message) const;

    void Destroy();

    bool Post(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    struct SendSlot {
        bool done = false;
        LRESULT result = 0;
    };
    struct Pending {
        Message message;
        std::shared_ptr<SendSlot> slot;  // set for sends
    };

    void DeliveryLoop();
    void Deliver(Pending pending);
    bool OnWindowThread() const;

    const Delivery m_delivery;
    HWND m_handle = nullptr;
    DWORD m_threadId = 0;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Pending> m_queue;
    std::vector<Message> m_delivered;
    Handler m_handler;
    bool m_closing = false;
    std::thread m_thread;
};

}  // namespace testsupport
