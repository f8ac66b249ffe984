// CMessageBoxHook: while one exists, message boxes are not shown but recorded and answered with
// their first button (OK or Yes). Scripts and tests use it: nobody is there to press the button.
#pragma once

#include <string>
#include <vector>

#include "framework/WinUser.h"

struct MessageBoxRecord {
    std::wstring text;
    std::wstring caption;
    std::wstring detail;
    UINT type = MB_OK;
};

class CMessageBoxHook {
  public:
    CMessageBoxHook();
    ~CMessageBoxHook();
    CMessageBoxHook(const CMessageBoxHook&) = delete;
    CMessageBoxHook& operator=(const CMessageBoxHook&) = delete;

    // The hook in force (the most recent one alive), or null.
    static CMessageBoxHook* Active();

    // Records the box and returns the answer a reader pressing the first button would give.
    int Answer(const MessageBoxRecord& box);

    const std::vector<MessageBoxRecord>& Records() const { return m_records; }

  private:
    CMessageBoxHook* m_pPrevious;
    std::vector<MessageBoxRecord> m_records;
};
