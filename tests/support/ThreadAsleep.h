// Waiting until another thread sleeps in the kernel, for tests of calls that must wake a waiter:
// the waiting thread publishes its id just before its blocking call, and the test acts once that
// thread is asleep, instead of guessing how long getting there takes.
#pragma once

#include <sys/types.h>

#include <atomic>

namespace testsupport {

// The calling thread's kernel id.
pid_t KernelThreadId();

// Waits until the thread whose id is published in tid (0 until then) is asleep in the kernel;
// false when it is not within the time.
bool WaitUntilAsleep(const std::atomic<pid_t>& tid, int timeoutMs = 5000);
// The same, asleep in a wait on descriptors (poll, epoll, read) rather than on a lock, as the
// serial calls wait: under an emulator the thread also sleeps on the emulator's own locks on its
// way into the call.
bool WaitUntilAsleepOnDescriptors(const std::atomic<pid_t>& tid, int timeoutMs = 5000);

}  // namespace testsupport
