#include <pthread.h>

#include <new>

#include "platform/win32.h"

// The POSIX mutex lives inside the caller's CRITICAL_SECTION, so there is nothing to allocate or
// leak, and the record can sit in any object as it does on the original platform.
static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::opaque),
              "CRITICAL_SECTION storage too small for pthread_mutex_t");
static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION),
              "CRITICAL_SECTION storage not aligned for pthread_mutex_t");

namespace {
pthread_mutex_t* MutexOf(CRITICAL_SECTION* section) {
    return std::launder(reinterpret_cast<pthread_mutex_t*>(section->opaque));
}
}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* lpCriticalSection) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    // The owner may enter again without deadlocking, as on the original platform.
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    auto* mutex = new (lpCriticalSection->opaque) pthread_mutex_t;
    pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(CRITICAL_SECTION* lpCriticalSection) {
    pthread_mutex_destroy(MutexOf(lpCriticalSection));
}

void EnterCriticalSection(CRITICAL_SECTION* lpCriticalSection) {
    pthread_mutex_lock(MutexOf(lpCriticalSection));
}

void LeaveCriticalSection(CRITICAL_SECTION* lpCriticalSection) {
    pthread_mutex_unlock(MutexOf(lpCriticalSection));
}
