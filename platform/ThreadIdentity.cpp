#include "platform/internal/ThreadIdentity.h"

#include <atomic>

#include "platform/internal/ThreadMessageQueues.h"

namespace platform::detail {

namespace {

// Removes the thread's queue when the thread ends, so posting to an ended thread fails.
struct CurrentThread {
    DWORD id = 0;
    ~CurrentThread() {
        if (id != 0) ThreadMessageQueues::Instance().Remove(id);
    }
};

thread_local CurrentThread t_current;

// Ids step by 4 from a value far from 0 and from small numbers a caller might mistake for ids.
std::atomic<DWORD> g_nextId{0x1000};

}  // namespace

DWORD ReserveThreadId() {
    DWORD id = g_nextId.fetch_add(4, std::memory_order_relaxed);
    ThreadMessageQueues::Instance().Create(id);
    return id;
}

void AdoptThreadId(DWORD id) { t_current.id = id; }

DWORD CurrentThreadId() {
    if (t_current.id == 0) t_current.id = ReserveThreadId();
    return t_current.id;
}

}  // namespace platform::detail

DWORD GetCurrentThreadId() { return platform::detail::CurrentThreadId(); }
