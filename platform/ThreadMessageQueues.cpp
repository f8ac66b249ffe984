#include "platform/internal/ThreadMessageQueues.h"

#include <algorithm>

namespace platform::detail {

namespace {

// 0, 0 takes any message. A minimum above the maximum selects the messages outside the gap
// between them, as the original platform does.
bool InFilter(UINT message, UINT filterMin, UINT filterMax) {
    if (filterMin == 0 && filterMax == 0) return true;
    if (filterMin > filterMax) return message >= filterMin || message <= filterMax;
    return message >= filterMin && message <= filterMax;
}

}  // namespace

ThreadMessageQueues& ThreadMessageQueues::Instance() {
    static ThreadMessageQueues* const instance = new ThreadMessageQueues;
    return *instance;
}

void ThreadMessageQueues::Create(DWORD threadId) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_queues.try_emplace(threadId);
}

void ThreadMessageQueues::Remove(DWORD threadId) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_queues.erase(threadId);
}

ThreadMessageQueues::PostResult ThreadMessageQueues::Post(DWORD threadId, const MSG& message) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto found = m_queues.find(threadId);
    if (found == m_queues.end()) return PostResult::NoSuchThread;
    if (found->second.size() >= kCapacity) return PostResult::Full;
    found->second.push_back(message);
    return PostResult::Posted;
}

bool ThreadMessageQueues::Peek(DWORD threadId, MSG* message, UINT filterMin, UINT filterMax,
                               bool remove) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto found = m_queues.find(threadId);
    if (found == m_queues.end()) return false;
    std::deque<MSG>& queue = found->second;
    auto match = std::find_if(queue.begin(), queue.end(), [&](const MSG& m) {
        return InFilter(m.message, filterMin, filterMax);
    });
    if (match == queue.end()) return false;
    *message = *match;
    if (remove) queue.erase(match);
    return true;
}

}  // namespace platform::detail
