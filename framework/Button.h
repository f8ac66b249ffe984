// CButton: a wrapper of a push button, check box or group box: its text and check state.
#pragma once

#include "framework/Wnd.h"

class CButton : public CWnd {
  public:
    // BST_UNCHECKED 0, BST_CHECKED 1.
    int GetCheck() const;
    void SetCheck(int nCheck);
};
