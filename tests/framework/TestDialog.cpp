#include "TestDialog.h"

#include "framework/DataExchange.h"
#include "framework/Resources.h"

namespace frameworktest {

namespace {

constexpr DialogItem kItems[] = {
    {ControlClass::Button, IDC_PUSH, "按钮", 0x50010000, 57, 6, 50, 14},
    {ControlClass::Button, IDC_CHECK, "过热", 0x58010003, 21, 40, 30, 10},
    {ControlClass::ComboBox, IDC_SORTED, nullptr, 0x50210102, 5, 6, 48, 118},
    {ControlClass::ComboBox, IDC_UNSORTED, nullptr, 0x50210002, 5, 24, 48, 90},
    {ControlClass::Static, IDC_STATIC, "说明", 0x50020000, 120, 6, 40, 8},
    {ControlClass::Button, IDC_STATIC, "组", 0x50000007, 4, 30, 150, 29},
};

constexpr DialogInitEntry kInit[] = {
    {IDC_SORTED, CB_ADDSTRING, "COM3"}, {IDC_SORTED, CB_ADDSTRING, "com1"},
    {IDC_SORTED, CB_ADDSTRING, "COM2"}, {IDC_UNSORTED, CB_ADDSTRING, "乙"},
    {IDC_UNSORTED, CB_ADDSTRING, "甲"},
};

constexpr DialogTemplate kTemplate = {"测试", 0x90C800C8,     0,      0,    0, 200, 100,
                                      9,      "MS Shell Dlg", kItems, kInit};

}  // namespace

const DialogTemplate& TestTemplate() { return kTemplate; }

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
ON_BN_CLICKED(IDC_PUSH, &CTestDialog::OnPush)
ON_MESSAGE(WM_TEST_STATUS, &CTestDialog::OnStatus)
END_MESSAGE_MAP()

CTestDialog::CTestDialog() : CDialog(IDD_TEST) { RegisterDialogResource(IDD_TEST, kTemplate); }

void CTestDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PUSH, m_push);
    DDX_Control(pDX, IDC_CHECK, m_check);
    DDX_Control(pDX, IDC_SORTED, m_sorted);
    DDX_Control(pDX, IDC_UNSORTED, m_unsorted);
}

BOOL CTestDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    if (onInit) {
        onInit(*this);
    }
    return TRUE;
}

void CTestDialog::OnOK() {
    okRan = true;
    sortedSelectionAtOk = m_sorted.GetCurSel();
    CDialog::OnOK();
}

void CTestDialog::OnPush() {
    ++clicks;
    if (boxOnClick) {
        MessageBox(L"你好", nullptr, MB_OK, L"what to do");
    }
    if (endOnClick) {
        EndDialog(IDCANCEL);
    }
}

LRESULT CTestDialog::OnStatus(WPARAM, LPARAM) {
    statusThread = std::this_thread::get_id();
    ++statusMessages;
    m_check.SetCheck(1);
    return 0;
}

}  // namespace frameworktest
