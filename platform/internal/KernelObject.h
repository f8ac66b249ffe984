// Internal to platform/: what a HANDLE stands for. Serial ports, threads and events are kernel
// objects kept alive by shared ownership, so a call running on one thread is never left with a
// freed object when another thread closes the handle.
#pragma once

#include <memory>

#include "platform/win32.h"

namespace platform::detail {

class KernelObject {
  public:
    virtual ~KernelObject() = default;
    // Called once by CloseHandle, before the registry drops its reference: release what must not
    // outlive the handle (a device, a wait in progress). Calls still running keep the object.
    virtual void OnClose() {}
};

// Makes a handle for the object. Handles are never reused.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object behind a live handle, or null (last error ERROR_INVALID_HANDLE) when the handle is
// not live or is of another kind.
template <class T>
std::shared_ptr<T> HandleAs(HANDLE handle);

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);

template <class T>
std::shared_ptr<T> HandleAs(HANDLE handle) {
    std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(LookupHandle(handle));
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

}  // namespace platform::detail
