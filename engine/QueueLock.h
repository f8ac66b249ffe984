// Holds a byte queue's lock for one scope.
//
// The platform ends a terminated worker by unwinding its stack, so a lock held this way is given
// back even then. Entered and left by hand, it would stay with the dead worker, and the owner's
// next Read or Write would wait for it for ever.
#pragma once

#include "engine/ByteQueue.h"

class CQueueLock {
  public:
    explicit CQueueLock(CByteQueue& queue) : m_lock(queue.m_lock) { EnterCriticalSection(&m_lock); }
    ~CQueueLock() { LeaveCriticalSection(&m_lock); }
    CQueueLock(const CQueueLock&) = delete;
    CQueueLock& operator=(const CQueueLock&) = delete;

  private:
    CRITICAL_SECTION& m_lock;
};
