// The process-wide registry of windows behind IsWindow, PostMessageW and SendMessageW. A window
// toolkit (the dialog framework, or a test) registers one sink per window; the platform hands it
// every message addressed to that window's handle.
#pragma once

#include "platform/win32.h"

namespace platform {

class IWindowSink {
  public:
    virtual ~IWindowSink() = default;
    // Called on any thread. Queues the message to the window's own thread and returns at once;
    // false when it could not be queued.
    virtual bool Post(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Called on any thread. Runs the message on the window's own thread (waiting for it when
    // called from another thread) and returns the handler's result.
    virtual LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// Gives the sink a new handle. Handles are never reused, so a stale handle stays invalid.
HWND RegisterWindow(IWindowSink* sink);
// Removes the window. When this returns, no call into its sink is running or will be made, and
// IsWindow on the handle is false. It waits for the sink calls in progress, so a sink's Send
// must stop waiting for the window's thread before that thread unregisters the window (a sink
// marks itself closing first). Called from inside one of the window's own sink calls, it waits
// only for the calls of other threads.
void UnregisterWindow(HWND hWnd);

}  // namespace platform
