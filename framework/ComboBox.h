// CComboBox: a wrapper of a combo box: its list, the selected item (CB_ERR when none, as after
// the operator typed into the edit field) and the edit text (GetWindowText).
#pragma once

#include <string>

#include "framework/Wnd.h"

class CComboBox : public CWnd {
  public:
    int GetCount() const;
    int GetCurSel() const;
    // The index selected, or CB_ERR for an index outside the list (which clears the selection).
    int SetCurSel(int nSelect);
    // The text of the item; empty with CB_ERR returned for an index outside the list.
    int GetLBText(int nIndex, std::wstring& rString) const;
    // The item's index (in sorted lists, its sorted place).
    int AddString(LPCWSTR lpszString);
};
