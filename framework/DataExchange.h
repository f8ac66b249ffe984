// CDataExchange and DDX_Control: DoDataExchange attaches the dialog's control wrappers to their
// controls by id.
#pragma once

#include "platform/win32.h"

class CDialog;
class CWnd;

class CDataExchange {
  public:
    CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CDialog* m_pDlgWnd;
};

// Attaches rControl to the dialog's control nIDC, once; the wrapper lets go when the window goes.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
