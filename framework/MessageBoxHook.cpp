#include "framework/MessageBoxHook.h"

namespace {

// Message boxes are shown on the user-interface thread only, and so are hooks made.
CMessageBoxHook* g_pActive = nullptr;

}  // namespace

CMessageBoxHook::CMessageBoxHook() : m_pPrevious(g_pActive) { g_pActive = this; }

CMessageBoxHook::~CMessageBoxHook() { g_pActive = m_pPrevious; }

CMessageBoxHook* CMessageBoxHook::Active() { return g_pActive; }

int CMessageBoxHook::Answer(const MessageBoxRecord& box) {
    m_records.push_back(box);
    return (box.type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}
