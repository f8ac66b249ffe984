#include "platform/WriteAbandon.h"

#include <atomic>
#include <mutex>
#include <set>

#include "platform/internal/SerialHandle.h"
#include "platform/internal/WriteAbandon.h"

namespace {

struct Enrolment {
    std::mutex lock;
    std::set<platform::detail::SerialHandle*> handles;
};

Enrolment& Handles() {
    static Enrolment* enrolment = new Enrolment;  // handles may close during static destruction
    return *enrolment;
}

std::atomic<bool> g_abandoned{false};
std::atomic<std::uint64_t> g_unsent{0};

}  // namespace

namespace platform {

void AbandonWrites() {
    Enrolment& enrolment = Handles();
    std::lock_guard<std::mutex> guard(enrolment.lock);
    g_abandoned = true;
    for (detail::SerialHandle* handle : enrolment.handles) handle->AbortWrites();
}

bool WritesAbandoned() { return g_abandoned.load(); }

std::uint64_t UnsentBytes() { return g_unsent.load(); }

}  // namespace platform

namespace platform::detail {

void EnrolForAbandon(SerialHandle* handle) {
    Enrolment& enrolment = Handles();
    std::lock_guard<std::mutex> guard(enrolment.lock);
    enrolment.handles.insert(handle);
}

void WithdrawFromAbandon(SerialHandle* handle) {
    Enrolment& enrolment = Handles();
    std::lock_guard<std::mutex> guard(enrolment.lock);
    enrolment.handles.erase(handle);
}

void CountUnsent(std::uint64_t bytes) { g_unsent += bytes; }

}  // namespace platform::detail
