#include "platform/internal/ThreadObject.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/internal/LastError.h"
#include "platform/internal/TerminableWait.h"
#include "platform/internal/ThreadIdentity.h"
#include "platform/internal/ThreadMessageQueues.h"

namespace platform::detail {

namespace {

void RaiseEventFd(int fd) {
    const std::uint64_t one = 1;
    // An eventfd write of 1 only fails on counter overflow, which needs 2^64 writes.
    [[maybe_unused]] ssize_t written = write(fd, &one, sizeof one);
}

// Positive priorities are more urgent; each step is one nice level. Raising a thread above the
// normal level needs privilege on Linux; without it the thread stays at normal priority, which
// only costs latency, so that failure is not reported.
void ApplyNice(pid_t tid, int priority) {
    const int nice = std::clamp(-priority, -20, 19);
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
}

}  // namespace

// Runs on the way out of the thread, also when pthread_exit unwinds it.
class ThreadObject::EndGuard {
  public:
    explicit EndGuard(ThreadObject& thread) : m_thread(thread) {}
    ~EndGuard() {
        BindCurrentThread(nullptr);
        m_thread.Finish(result);
    }
    EndGuard(const EndGuard&) = delete;
    EndGuard& operator=(const EndGuard&) = delete;

    std::optional<DWORD> result;

  private:
    ThreadObject& m_thread;
};

ThreadObject::ThreadObject(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD id)
    : m_start(start), m_parameter(parameter), m_id(id) {}

ThreadObject::~ThreadObject() {
    if (m_control.wakeFd >= 0) close(m_control.wakeFd);
    if (m_endedFd >= 0) close(m_endedFd);
}

bool ThreadObject::Init() {
    m_control.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_endedFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_control.wakeFd < 0 || m_endedFd < 0) {
        SetLastErrorFromErrno(ERROR_NOT_ENOUGH_MEMORY, errno, "CreateThread: eventfd");
        return false;
    }
    return true;
}

bool ThreadObject::Start(std::size_t stackSize) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize != 0) {
        pthread_attr_setstacksize(&attributes, std::max<std::size_t>(stackSize, PTHREAD_STACK_MIN));
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_started = true;
    }
    auto* self = new std::shared_ptr<ThreadObject>(shared_from_this());
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, &ThreadObject::Entry, self);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        delete self;
        std::lock_guard<std::mutex> guard(m_lock);
        m_started = false;
        SetLastErrorFromErrno(ERROR_NOT_ENOUGH_MEMORY, error, "CreateThread");
        return false;
    }
    return true;
}

// Not noexcept, and nothing on the way catches: TerminateThread's pthread_exit unwinds through
// here, and a noexcept frame would turn that into std::terminate.
void* ThreadObject::Entry(void* arg) {
    auto* handOver = static_cast<std::shared_ptr<ThreadObject>*>(arg);
    std::shared_ptr<ThreadObject> self = std::move(*handOver);
    delete handOver;
    self->Run();
    return nullptr;
}

void ThreadObject::Run() {
    AdoptThreadId(m_id);
    BindCurrentThread(&m_control);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_tid = gettid();
        if (m_priorityChanged) ApplyPriorityLocked();
    }
    EndGuard guard(*this);
    // A TerminateThread that came before the body started ends the thread here.
    EndThreadIfTerminated();
    guard.result = m_start(m_parameter);
}

void ThreadObject::Finish(std::optional<DWORD> result) {
    std::lock_guard<std::mutex> guard(m_lock);
    // A thread marked by TerminateThread keeps the code given there, even if its body returned
    // before it reached a platform call.
    if (!m_control.terminated.load(std::memory_order_acquire)) {
        m_control.exitCode.store(result.value_or(0), std::memory_order_relaxed);
    }
    MarkEndedLocked();
}

void ThreadObject::MarkEndedLocked() {
    // The queue goes first, so that once the thread counts as ended, posts to it fail.
    ThreadMessageQueues::Instance().Remove(m_id);
    m_tid = 0;
    m_ended.store(true, std::memory_order_release);
    RaiseEventFd(m_endedFd);
}

DWORD ThreadObject::ExitCode() const {
    if (!m_ended.load(std::memory_order_acquire)) return STILL_ACTIVE;
    return m_control.exitCode.load(std::memory_order_relaxed);
}

void ThreadObject::SetPriority(int priority) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_priority = priority;
    m_priorityChanged = true;
    if (m_tid != 0) ApplyPriorityLocked();
}

void ThreadObject::ApplyPriorityLocked() { ApplyNice(m_tid, m_priority); }

bool ThreadObject::Terminate(DWORD exitCode) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_ended.load(std::memory_order_relaxed)) return true;
        if (!m_control.terminated.load(std::memory_order_relaxed)) {
            m_control.exitCode.store(exitCode, std::memory_order_relaxed);
            m_control.terminated.store(true, std::memory_order_release);
        }
        if (!m_started) {
            // Never ran and never will: it ends here, without its body.
            MarkEndedLocked();
            return true;
        }
        RaiseEventFd(m_control.wakeFd);
    }
    // A thread terminating itself ends right here.
    if (CurrentThreadId() == m_id) EndThreadIfTerminated();

    const Deadline bound = DeadlineAfter(kTerminateBoundMs);
    while (!m_ended.load(std::memory_order_acquire)) {
        if (WaitReadable(m_endedFd, bound) != WaitResult::Readable) break;
    }
    if (m_ended.load(std::memory_order_acquire)) return true;
    // Still spinning in code that makes no platform call. It stays marked and ends at its next
    // platform call with this exit code; the caller keeps the handle and may wait again.
    SetLastError(ERROR_TIMEOUT);
    return false;
}

void ThreadObject::OnClose() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_started && !m_ended.load(std::memory_order_relaxed)) MarkEndedLocked();
}

}  // namespace platform::detail
