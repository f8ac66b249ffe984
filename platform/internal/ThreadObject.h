// Internal to platform/: a thread made by CreateThread. The running thread holds a reference to
// its own object, so the record (id, exit code, wake descriptor) outlives every handle until the
// thread has ended.
//
// The owner of a thread must stop it before destroying anything the thread uses: closing the
// handle does not stop the thread, and a terminated thread ends only at its next platform call.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/internal/ThreadWake.h"
#include "platform/internal/Waitable.h"

namespace platform::detail {

class ThreadObject final : public Waitable, public std::enable_shared_from_this<ThreadObject> {
  public:
    // How long TerminateThread waits for the thread to reach a platform call and end.
    static constexpr DWORD kTerminateBoundMs = 2000;

    ThreadObject(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD id);
    ~ThreadObject() override;
    ThreadObject(const ThreadObject&) = delete;
    ThreadObject& operator=(const ThreadObject&) = delete;

    // Makes the descriptors; false with the last error set when that fails.
    bool Init();
    // Starts the body on a new detached POSIX thread; false with the last error set.
    bool Start(std::size_t stackSize);

    DWORD Id() const { return m_id; }
    // STILL_ACTIVE until the thread has ended, then its exit code.
    DWORD ExitCode() const;
    // Records the priority and applies it to the running thread where the system allows.
    void SetPriority(int priority);
    // Marks the thread, wakes its waits and waits up to kTerminateBoundMs for it to end.
    bool Terminate(DWORD exitCode);

    int SignalFd() const override { return m_endedFd; }
    bool TryAcquire() override { return m_ended.load(std::memory_order_acquire); }
    // A thread that was never started can never run once its handle is gone: end it.
    void OnClose() override;

  private:
    class EndGuard;

    static void* Entry(void* arg);
    void Run();
    // Called once on the way out of the thread, whether the body returned or was unwound.
    void Finish(std::optional<DWORD> result);
    void MarkEndedLocked();
    void ApplyPriorityLocked();

    const LPTHREAD_START_ROUTINE m_start;
    const LPVOID m_parameter;
    const DWORD m_id;

    ThreadControl m_control;
    int m_endedFd = -1;  // eventfd, readable once the thread has ended
    std::atomic<bool> m_ended{false};

    std::mutex m_lock;  // orders ending against Terminate and SetPriority
    bool m_started = false;
    pid_t m_tid = 0;  // kernel thread id while running, for per-thread priority
    bool m_priorityChanged = false;
    int m_priority = THREAD_PRIORITY_NORMAL;
};

}  // namespace platform::detail
