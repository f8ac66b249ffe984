// A small dialog for the framework tests: one of each kind of control, a status-style message,
// and hooks the tests use to act inside the running dialog.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "framework/Button.h"
#include "framework/ComboBox.h"
#include "framework/Dialog.h"
#include "framework/DialogTemplate.h"

namespace frameworktest {

constexpr UINT IDD_TEST = 900;
constexpr int IDC_PUSH = 1001;
constexpr int IDC_CHECK = 1011;
constexpr int IDC_SORTED = 1012;
constexpr int IDC_UNSORTED = 1013;
constexpr UINT WM_TEST_STATUS = WM_USER + 1;

const DialogTemplate& TestTemplate();

class CTestDialog : public CDialog {
  public:
    CTestDialog();

    std::function<void(CTestDialog&)> onInit;
    bool boxOnClick = false;
    bool endOnClick = false;

    int clicks = 0;
    std::atomic<int> statusMessages{0};
    std::thread::id statusThread;
    int sortedSelectionAtOk = -2;
    bool okRan = false;

    CButton m_push;
    CButton m_check;
    CComboBox m_sorted;
    CComboBox m_unsorted;

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnPush();
    LRESULT OnStatus(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
};

}  // namespace frameworktest
