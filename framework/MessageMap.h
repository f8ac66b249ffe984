// Message maps: a static table of entries per class (message, notification, control id, handler),
// chained to the base class's table. A handler is reached through a thunk that the macros write
// for the class the map belongs to, so the handler is a member of that class, also when the
// class has further bases after its command-target base.
//
//   class CMyDlg : public CDialog, public COther { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_MESSAGE(WM_USER + 1, &CMyDlg::OnSomething)   // LRESULT (WPARAM, LPARAM)
//       ON_BN_CLICKED(1005, &CMyDlg::OnButton)          // void ()
//   END_MESSAGE_MAP()
#pragma once

#include "platform/win32.h"

class CCmdTarget;

using AFX_PMSG_THUNK = LRESULT (*)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // 0 ends the table
    UINT nCode;     // notification code, for WM_COMMAND
    UINT nID;       // control id, for WM_COMMAND
    AFX_PMSG_THUNK pfn;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root
    const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                     \
  protected:                                      \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                 \
        using ThisClass [[maybe_unused]] = theClass;                                  \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY entries[] = {
#define END_MESSAGE_MAP()                                                          \
    { 0, 0, 0, nullptr }                                                           \
    }                                                                              \
    ;                                                                              \
    static const AFX_MSGMAP map = {&TheBaseClass::GetThisMessageMap, &entries[0]}; \
    return &map;                                                                   \
    }

// WM_COMMAND with the given notification from control id; handler: void ().
#define ON_CONTROL(code, id, memberFxn)                          \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), \
     [](CCmdTarget* pTarget, WPARAM, LPARAM) -> LRESULT {        \
         void (ThisClass::*pfn)() = memberFxn;                   \
         (static_cast<ThisClass*>(pTarget)->*pfn)();             \
         return 0;                                               \
     }},

#define ON_COMMAND(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)

// A message by number (typically WM_USER + n); handler: LRESULT (WPARAM, LPARAM).
#define ON_MESSAGE(message, memberFxn)                                    \
    {static_cast<UINT>(message), 0, 0,                                    \
     [](CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam) -> LRESULT {   \
         LRESULT (ThisClass::*pfn)(WPARAM, LPARAM) = memberFxn;           \
         return (static_cast<ThisClass*>(pTarget)->*pfn)(wParam, lParam); \
     }},
