#include "platform/WindowRegistry.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

// One registered window. Calls into the sink are counted so that UnregisterWindow can wait for
// the ones running and refuse new ones.
struct WindowEntry {
    explicit WindowEntry(IWindowSink* s) : sink(s) {}
    IWindowSink* const sink;
    std::mutex lock;
    std::condition_variable idle;
    int inFlight = 0;
    bool removed = false;
};

// Sink calls the current thread is inside: a handler that unregisters its own window must not
// wait for itself.
thread_local std::vector<const WindowEntry*> t_insideSinks;

class Registry {
  public:
    // Never destroyed, so threads still posting at exit find it.
    static Registry& Instance() {
        static Registry* const instance = new Registry;
        return *instance;
    }

    HWND Add(IWindowSink* sink) {
        std::lock_guard<std::mutex> guard(m_lock);
        const std::uintptr_t value = m_next;
        m_next += 4;
        m_windows.emplace(value, std::make_shared<WindowEntry>(sink));
        return reinterpret_cast<HWND>(value);
    }

    std::shared_ptr<WindowEntry> Find(HWND hWnd) {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_windows.find(reinterpret_cast<std::uintptr_t>(hWnd));
        return found == m_windows.end() ? nullptr : found->second;
    }

    void Erase(HWND hWnd) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_windows.erase(reinterpret_cast<std::uintptr_t>(hWnd));
    }

  private:
    Registry() = default;

    std::mutex m_lock;
    std::unordered_map<std::uintptr_t, std::shared_ptr<WindowEntry>> m_windows;
    // Never reused, so a stale handle never reaches a newer window.
    std::uintptr_t m_next = 0x10000;
};

// A call into a live window's sink; Valid() is false when the window is gone or going.
class SinkCall {
  public:
    explicit SinkCall(HWND hWnd) : m_entry(Registry::Instance().Find(hWnd)) {
        if (!m_entry) return;
        {
            std::lock_guard<std::mutex> guard(m_entry->lock);
            if (!m_entry->removed) {
                ++m_entry->inFlight;
                t_insideSinks.push_back(m_entry.get());
                return;
            }
        }
        m_entry.reset();  // outside its lock: this may be the last reference
    }
    ~SinkCall() {
        if (!m_entry) return;
        t_insideSinks.pop_back();  // sink calls on one thread nest strictly
        std::lock_guard<std::mutex> guard(m_entry->lock);
        if (--m_entry->inFlight == 0) m_entry->idle.notify_all();
    }
    SinkCall(const SinkCall&) = delete;
    SinkCall& operator=(const SinkCall&) = delete;

    bool Valid() const { return m_entry != nullptr; }
    IWindowSink& Sink() const { return *m_entry->sink; }

  private:
    std::shared_ptr<WindowEntry> m_entry;
};

}  // namespace

HWND RegisterWindow(IWindowSink* sink) {
    if (sink == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Registry::Instance().Add(sink);
}

void UnregisterWindow(HWND hWnd) {
    std::shared_ptr<WindowEntry> entry = Registry::Instance().Find(hWnd);
    if (!entry) return;
    const auto ownCalls = std::count(t_insideSinks.begin(), t_insideSinks.end(), entry.get());
    {
        std::unique_lock<std::mutex> lock(entry->lock);
        entry->removed = true;
        entry->idle.wait(lock, [&] { return entry->inFlight == ownCalls; });
    }
    Registry::Instance().Erase(hWnd);
}

}  // namespace platform

BOOL IsWindow(HWND hWnd) {
    std::shared_ptr<platform::WindowEntry> entry = platform::Registry::Instance().Find(hWnd);
    if (!entry) return FALSE;
    std::lock_guard<std::mutex> guard(entry->lock);
    return entry->removed ? FALSE : TRUE;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    // A null window posts to the calling thread's own queue, as on the original platform.
    if (hWnd == nullptr) return PostThreadMessageW(GetCurrentThreadId(), Msg, wParam, lParam);
    platform::SinkCall call(hWnd);
    if (!call.Valid()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!call.Sink().Post(Msg, wParam, lParam)) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    return TRUE;
}

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    platform::SinkCall call(hWnd);
    if (!call.Valid()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return call.Sink().Send(Msg, wParam, lParam);
}
