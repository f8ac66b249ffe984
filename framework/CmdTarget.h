// CCmdTarget: the root of every class with a message map. OnCmdMsg looks a message up in the
// class's map and then in each base map, most derived first, and calls the first handler found.
#pragma once

#include "framework/MessageMap.h"
#include "platform/win32.h"

class CCmdTarget {
  public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // True when a map entry handled the message; its result goes to *pResult (when given).
    bool OnCmdMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // The entry that handles the message, or null.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* pMap, UINT message,
                                                    WPARAM wParam);

  protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};
