#include "platform/internal/ThreadIdentity.h"
#include "platform/internal/ThreadMessageQueues.h"
#include "platform/internal/ThreadWake.h"

using platform::detail::ThreadMessageQueues;

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (ThreadMessageQueues::Instance().Post(idThread, MSG{nullptr, Msg, wParam, lParam})) {
        case ThreadMessageQueues::PostResult::Posted:
            return TRUE;
        case ThreadMessageQueues::PostResult::NoSuchThread:
            SetLastError(ERROR_INVALID_THREAD_ID);
            return FALSE;
        case ThreadMessageQueues::PostResult::Full:
            SetLastError(ERROR_NOT_ENOUGH_QUOTA);
            return FALSE;
    }
    return FALSE;
}

BOOL PeekMessageW(MSG* lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
    // A message loop that only peeks is still a place where a terminated thread can end.
    platform::detail::EndThreadIfTerminated();
    if (lpMsg == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Window messages go to their window's sink, never into a thread queue.
    if (hWnd != nullptr) {
        if (!IsWindow(hWnd)) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const DWORD self = platform::detail::CurrentThreadId();
    return ThreadMessageQueues::Instance().Peek(self, lpMsg, wMsgFilterMin, wMsgFilterMax,
                                                (wRemoveMsg & PM_REMOVE) != 0)
               ? TRUE
               : FALSE;
}
