#include <gtest/gtest.h>

#include <thread>

#include "DialogScript.h"

namespace apptest {
namespace {

// Looks at the lists through the dialog's own wrappers.
class CObservedDialog : public CPrinterDemoDlg {
  public:
    std::vector<std::wstring> portItems;
    int portCount = -1;
    bool notifyIsOwnWindow = false;
    bool iconLoaded = false;

  protected:
    BOOL OnInitDialog() override {
        const BOOL result = CPrinterDemoDlg::OnInitDialog();
        portCount = m_cboPort.GetCount();
        for (int i = 0; i < portCount; ++i) {
            std::wstring text;
            m_cboPort.GetLBText(i, text);
            portItems.push_back(text);
        }
        notifyIsOwnWindow = m_hNotifyWnd == m_hWnd && m_hWnd != nullptr;
        iconLoaded = m_hIcon != nullptr;
        return result;
    }
};

TEST(MainDialog, StartsWithFirstItemsSelectedAndNoStatus) {
    CObservedDialog dialog;
    ExpectScriptPasses(dialog,
                       "expect text 1002 COM1\n"
                       "expect text 1003 9600\n"
                       "expect text 1004 无\n"
                       "expect text 1005 打开串口\n"
                       "expect text 1006 修改波特率\n"
                       "expect text 1019 过热\n"
                       "expect check 1019 0\nexpect check 1020 0\nexpect check 1021 0\n"
                       "expect check 1022 0\nexpect check 1023 0\n"
                       "close\n");
    EXPECT_TRUE(dialog.notifyIsOwnWindow) << "status messages come to the dialog's window";
    EXPECT_TRUE(dialog.iconLoaded) << "icon 128 from the application's resources";
    EXPECT_FALSE(dialog.IsOpen());
}

TEST(MainDialog, SortedPortListNamesPortPositionPlusOne) {
    CObservedDialog dialog;
    ExpectScriptPasses(dialog, "close\n");
    ASSERT_EQ(dialog.portCount, 6);
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(dialog.portItems[static_cast<std::size_t>(n)], L"COM" + std::to_wstring(n + 1));
    }
}

TEST(MainDialog, StatusMessagePostedFromAnotherThreadChecksTheDisabledBox) {
    struct Case {
        const char* name;
        UINT message;
        int box;
        int expected;
    } const cases[] = {
        {"overheat on", WM_PRINTER_OVERHEAT_ON, 1019, 1},
        {"paper out on", WM_PRINTER_PAPEROUT_ON, 1020, 1},
        {"over-voltage on", WM_PRINTER_OVERVOLTAGE_ON, 1021, 1},
        {"cutter on", WM_PRINTER_CUTTER_ON, 1022, 1},
        {"platen on", WM_PRINTER_PLATEN_ON, 1023, 1},
    };
    for (const Case& c : cases) {
        class CPostingDialog : public CPrinterDemoDlg {
          public:
            UINT message = 0;
            std::thread poster;

          protected:
            BOOL OnInitDialog() override {
                const BOOL result = CPrinterDemoDlg::OnInitDialog();
                const HWND hWnd = m_hWnd;
                poster = std::thread([hWnd, m = message] { PostMessageW(hWnd, m, 0, 0); });
                return result;
            }
        } dialog;
        SCOPED_TRACE(c.name);
        dialog.message = c.message;
        const std::string box = std::to_string(c.box);
        ExpectScriptPasses(
            dialog, "wait until check " + box + " " + std::to_string(c.expected) + "\nclose\n");
        dialog.poster.join();
    }
}

TEST(MainDialog, EachStatusMessageSetsOrClearsExactlyItsBox) {
    // Off messages clear only their own box; on twice stays on.
    const char* script =
        "wait 400\n"
        "expect check 1019 1\nexpect check 1020 0\nexpect check 1021 1\nexpect check 1022 "
        "1\nexpect check 1023 0\n"
        "close\n";
    class CSequenceDialog : public CPrinterDemoDlg {
      protected:
        BOOL OnInitDialog() override {
            const BOOL result = CPrinterDemoDlg::OnInitDialog();
            for (UINT m : {WM_PRINTER_OVERHEAT_ON, WM_PRINTER_OVERHEAT_ON, WM_PRINTER_PAPEROUT_ON,
                           WM_PRINTER_PAPEROUT_OFF, WM_PRINTER_OVERVOLTAGE_ON, WM_PRINTER_CUTTER_ON,
                           WM_PRINTER_PLATEN_ON, WM_PRINTER_PLATEN_OFF}) {
                PostMessageW(m_hWnd, m, 0, 0);
            }
            return result;
        }
    } dialog;
    ExpectScriptPasses(dialog, script);
}

}  // namespace
}  // namespace apptest
