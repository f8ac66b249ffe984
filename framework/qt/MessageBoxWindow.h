// The message box as a Qt window: text, caption, detail under the text, and the button set of
// the box's type.
#pragma once

#include "framework/MessageBoxHook.h"

namespace framework {

// Shows the box modally over the owner window (when it is a live window) and returns the
// id of the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
int ShowMessageBox(HWND hOwner, const MessageBoxRecord& box);

}  // namespace framework
