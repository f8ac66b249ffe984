// Internal to platform/: the per-thread message queues behind PostThreadMessageW and
// PeekMessageW, keyed by thread id.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "platform/win32.h"

namespace platform::detail {

class ThreadMessageQueues {
  public:
    // As on the original platform, a queue holds a bounded number of messages; posts past it fail.
    static constexpr std::size_t kCapacity = 10000;

    enum class PostResult { Posted, NoSuchThread, Full };

    // The one process-wide set. Never destroyed, so threads still running at exit can use it.
    static ThreadMessageQueues& Instance();

    void Create(DWORD threadId);
    void Remove(DWORD threadId);
    PostResult Post(DWORD threadId, const MSG& message);
    // The oldest message of the thread's queue within the filter; removed when remove is true.
    bool Peek(DWORD threadId, MSG* message, UINT filterMin, UINT filterMax, bool remove);

  private:
    ThreadMessageQueues() = default;

    std::mutex m_lock;
    std::unordered_map<DWORD, std::deque<MSG>> m_queues;
};

}  // namespace platform::detail
