#include "platform/internal/ThreadIdentity.h"
#include "platform/internal/ThreadMessageQueues.h"
#include "platform/internal/ThreadObject.h"

using platform::detail::HandleAs;
using platform::detail::ThreadObject;

namespace {
// Values outside this range are not thread priorities on the original platform either.
constexpr int kLowestPriority = -15;
constexpr int kHighestPriority = 15;
}  // namespace

HANDLE CreateThread(LPVOID /*lpThreadAttributes*/, std::size_t dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, DWORD* lpThreadId) {
    using namespace platform::detail;
    if (lpStartAddress == nullptr || (dwCreationFlags & ~CREATE_SUSPENDED) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const DWORD id = ReserveThreadId();
    auto thread = std::make_shared<ThreadObject>(lpStartAddress, lpParameter, id);
    // There is no ResumeThread: a suspended thread gets its record and id but no POSIX thread.
    if (!thread->Init() ||
        ((dwCreationFlags & CREATE_SUSPENDED) == 0 && !thread->Start(dwStackSize))) {
        ThreadMessageQueues::Instance().Remove(id);
        return nullptr;
    }
    if (lpThreadId != nullptr) *lpThreadId = id;
    return RegisterHandle(std::move(thread));
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority) {
    std::shared_ptr<ThreadObject> thread = HandleAs<ThreadObject>(hThread);
    if (!thread) return FALSE;
    if (nPriority < kLowestPriority || nPriority > kHighestPriority) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    thread->SetPriority(nPriority);
    return TRUE;
}

BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode) {
    std::shared_ptr<ThreadObject> thread = HandleAs<ThreadObject>(hThread);
    if (!thread) return FALSE;
    return thread->Terminate(dwExitCode) ? TRUE : FALSE;
}

BOOL GetExitCodeThread(HANDLE hThread, DWORD* lpExitCode) {
    std::shared_ptr<ThreadObject> thread = HandleAs<ThreadObject>(hThread);
    if (!thread) return FALSE;
    if (lpExitCode == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpExitCode = thread->ExitCode();
    return TRUE;
}
