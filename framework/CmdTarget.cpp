#include "framework/CmdTarget.h"

namespace {

const AFX_MSGMAP_ENTRY g_rootEntries[] = {{0, 0, 0, nullptr}};
const AFX_MSGMAP g_rootMap = {nullptr, &g_rootEntries[0]};

bool Matches(const AFX_MSGMAP_ENTRY& entry, UINT message, WPARAM wParam) {
    if (entry.nMessage != message) {
        return false;
    }
    if (message != WM_COMMAND) {
        return true;
    }
    return entry.nID == LOWORD(wParam) && entry.nCode == HIWORD(wParam);
}

}  // namespace

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() { return &g_rootMap; }

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* pMap, UINT message,
                                                     WPARAM wParam) {
    for (; pMap != nullptr; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = pMap->lpEntries; entry->nMessage != 0; ++entry) {
            if (Matches(*entry, message, wParam)) {
                return entry;
            }
        }
    }
    return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message, wParam);
    if (entry == nullptr) {
        return false;
    }
    LRESULT result = entry->pfn(this, wParam, lParam);
    if (pResult != nullptr) {
        *pResult = result;
    }
    return true;
}
