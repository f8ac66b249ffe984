// CDialog: a modal dialog made from a template. DoModal creates the window and its controls,
// applies the initial lists in OnInitDialog, exchanges data with DoDataExchange, and runs until
// EndDialog; the window is gone when DoModal returns. OK (IDOK) and Cancel (IDCANCEL, also
// closing the window) end the dialog unless a map entry handles them.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "framework/DialogUnits.h"
#include "framework/Wnd.h"

class CDataExchange;
class CDialogWindow;
class CScriptRunner;

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // IDOK, IDCANCEL or what EndDialog was given; -1 when the window could not be made.
    virtual int DoModal();
    virtual BOOL OnInitDialog();
    void EndDialog(int nResult);

    // Moves data between the controls and the wrappers and members (bSaveAndValidate FALSE:
    // to the controls).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The handle of the control with the given id while the window exists, or null.
    HWND GetDlgItemHandle(int nID) const;
    // The base units of the dialog font (valid while the window exists).
    const DialogBaseUnits& GetBaseUnits() const { return m_baseUnits; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

    // The script to run against this dialog when it is shown; null for none.
    void SetScriptRunner(CScriptRunner* pRunner) { m_pScriptRunner = pRunner; }
    // Remembers a wrapper attached by DDX_Control, so that it lets go of its control when the
    // window goes.
    void AddAttachedWrapper(CWnd* pWnd) { m_attached.push_back(pWnd); }
    // The window's widget, for the framework's own use (scripts); null when there is none.
    CDialogWindow* GetWindow() const { return m_pWindow; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual void OnOK();
    virtual void OnCancel();

    DECLARE_MESSAGE_MAP()

  private:
    bool CreateWindowFromTemplate();
    void ExecuteDlgInit();
    void DestroyWindow();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    CDialogWindow* m_pWindow = nullptr;
    std::map<int, HWND> m_controls;
    std::vector<CWnd*> m_attached;
    DialogBaseUnits m_baseUnits{0, 0};
    CScriptRunner* m_pScriptRunner = nullptr;
    int m_nModalResult = -1;
    bool m_bEnded = false;
};
