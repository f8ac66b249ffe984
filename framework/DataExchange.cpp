#include "framework/DataExchange.h"

#include <cstdio>

#include "framework/Dialog.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd != nullptr) {
        return;
    }
    HWND hControl = pDX->m_pDlgWnd->GetDlgItemHandle(nIDC);
    if (hControl == nullptr) {
        // A template without the control is a build mistake; say which one.
        std::fprintf(stderr, "DDX_Control: dialog %u has no control %d\n",
                     pDX->m_pDlgWnd->GetTemplateId(), nIDC);
        return;
    }
    rControl.m_hWnd = hControl;
    pDX->m_pDlgWnd->AddAttachedWrapper(&rControl);
}
