#include "platform/internal/ThreadWake.h"

#include <pthread.h>

namespace platform::detail {

namespace {
thread_local ThreadControl* t_control = nullptr;
}

void BindCurrentThread(ThreadControl* control) { t_control = control; }

int CurrentThreadWakeFd() { return t_control ? t_control->wakeFd : -1; }

void EndThreadIfTerminated() {
    if (t_control && t_control->terminated.load(std::memory_order_acquire)) {
        // Unwinds the thread's stack (destructors run) and ends it; the exit code was stored by
        // TerminateThread.
        pthread_exit(nullptr);
    }
}

}  // namespace platform::detail
