#include <gtest/gtest.h>

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <thread>

#include "TestDialog.h"
#include "framework/Resources.h"
#include "framework/ScriptRunner.h"
#include "framework/WinApp.h"
#include "framework/qt/DialogWindow.h"
#include "framework/qt/WindowBinding.h"

namespace frameworktest {
namespace {

QWidget* Widget(const CDialog& dialog, int id) {
    return CWindowBinding::WidgetOf(dialog.GetDlgItemHandle(id));
}

int RunScript(CDialog& dialog, const std::string& text, CScriptRunner* pRunner = nullptr) {
    CScriptRunner local;
    CScriptRunner& runner = pRunner != nullptr ? *pRunner : local;
    std::string error;
    EXPECT_TRUE(runner.LoadText(text, "t", &error)) << error;
    const int code = runner.Run(dialog);
    if (code != 0) {
        ADD_FAILURE() << "script: " << runner.Failure();
    }
    return code;
}

TEST(Dialog, PlacesEveryControlAtItsTemplateRectangle) {
    CTestDialog dialog;
    dialog.onInit = [](CTestDialog& d) {
        const DialogBaseUnits units = d.GetBaseUnits();
        EXPECT_GT(units.cxChar, 3);
        EXPECT_GT(units.cyChar, 8);
        const PixelRect size = MapDialogRect(0, 0, 200, 100, units);
        EXPECT_EQ(d.GetWindow()->size(), QSize(size.width, size.height));
        for (const DialogItem& item : TestTemplate().items) {
            if (item.id == IDC_STATIC) {
                continue;
            }
            const PixelRect r = MapDialogRect(item.x, item.y, item.cx, item.cy, units);
            const QRect g = Widget(d, item.id)->geometry();
            EXPECT_EQ(g.x(), r.x) << item.id;
            EXPECT_EQ(g.y(), r.y) << item.id;
            EXPECT_EQ(g.width(), r.width) << item.id;
            if (item.kind == ControlClass::ComboBox) {
                EXPECT_LT(g.height(), r.height) << "the field alone, without its list";
            } else {
                EXPECT_EQ(g.height(), r.height) << item.id;
            }
        }
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST(Dialog, AppliesStylesCaptionsAndInitialLists) {
    CTestDialog dialog;
    dialog.onInit = [](CTestDialog& d) {
        auto* check = qobject_cast<QCheckBox*>(Widget(d, IDC_CHECK));
        ASSERT_NE(check, nullptr);
        EXPECT_FALSE(check->isEnabled());
        EXPECT_EQ(check->text(), QString::fromUtf8("过热"));
        EXPECT_EQ(Widget(d, IDC_PUSH)->focusPolicy(), Qt::StrongFocus);
        EXPECT_EQ(d.GetWindow()->windowTitle(), QString::fromUtf8("测试"));

        std::wstring text;
        ASSERT_EQ(d.m_sorted.GetCount(), 3);
        const wchar_t* sorted[] = {L"com1", L"COM2", L"COM3"};
        for (int i = 0; i < 3; ++i) {
            d.m_sorted.GetLBText(i, text);
            EXPECT_EQ(text, sorted[i]) << "sorted position " << i;
        }
        d.m_unsorted.GetLBText(0, text);
        EXPECT_EQ(text, L"乙") << "an unsorted list keeps the order of the entries";
        EXPECT_EQ(d.m_sorted.GetCurSel(), CB_ERR) << "filling a list selects nothing";
        EXPECT_EQ(d.m_sorted.GetLBText(3, text), CB_ERR);
        EXPECT_TRUE(text.empty());

        EXPECT_EQ(d.m_unsorted.SetCurSel(1), 1);
        d.m_unsorted.GetWindowText(text);
        EXPECT_EQ(text, L"甲");
        EXPECT_EQ(d.m_unsorted.SetCurSel(5), CB_ERR);
        EXPECT_EQ(d.m_unsorted.GetCurSel(), CB_ERR);
        d.EndDialog(IDOK);
    };
    dialog.DoModal();
}

TEST(Dialog, TypingIntoAComboBoxLeavesNoSelection) {
    CTestDialog dialog;
    EXPECT_EQ(RunScript(dialog,
                        "select 1012 1\n"
                        "expect text 1012 COM2\n"
                        "type 1012 COM9\n"
                        "expect text 1012 COM9\n"
                        "close\n"),
              0);
    EXPECT_TRUE(dialog.okRan);
    EXPECT_EQ(dialog.sortedSelectionAtOk, CB_ERR);

    CTestDialog again;
    EXPECT_EQ(RunScript(again, "select 1012 1\ntype 1012 COM9\nselect 1012 2\nclose\n"), 0);
    EXPECT_EQ(again.sortedSelectionAtOk, 2) << "choosing an item after typing selects it again";
}

TEST(Dialog, MessagePostedFromAnotherThreadRunsOnTheUserInterfaceThread) {
    CTestDialog dialog;
    std::thread poster;
    dialog.onInit = [&poster](CTestDialog& d) {
        const HWND hWnd = d.m_hWnd;
        poster = std::thread([hWnd] { EXPECT_TRUE(PostMessageW(hWnd, WM_TEST_STATUS, 0, 0)); });
    };
    EXPECT_EQ(RunScript(dialog, "wait until check 1011 1\n"), 0);
    poster.join();
    EXPECT_EQ(dialog.statusMessages.load(), 1);
    EXPECT_EQ(dialog.statusThread, std::this_thread::get_id());
}

TEST(Dialog, MessageSentFromAnotherThreadReturnsTheControlsAnswer) {
    CTestDialog dialog;
    std::thread sender;
    LRESULT length = -1;
    dialog.onInit = [&](CTestDialog& d) {
        const HWND hButton = d.GetDlgItemHandle(IDC_PUSH);
        sender = std::thread(
            [hButton, &length] { length = SendMessageW(hButton, WM_GETTEXTLENGTH, 0, 0); });
    };
    EXPECT_EQ(RunScript(dialog, "wait 300\n"), 0);
    sender.join();
    EXPECT_EQ(length, 2);
}

TEST(Dialog, NothingIsDeliveredAfterTheWindowIsGone) {
    CTestDialog dialog;
    HWND hWnd = nullptr;
    HWND hCheck = nullptr;
    dialog.onInit = [&](CTestDialog& d) {
        hWnd = d.m_hWnd;
        hCheck = d.GetDlgItemHandle(IDC_CHECK);
        EXPECT_TRUE(IsWindow(hWnd));
        EXPECT_TRUE(PostMessageW(hWnd, WM_TEST_STATUS, 0, 0));  // still queued when the window goes
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(dialog.statusMessages.load(), 0);
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_FALSE(IsWindow(hCheck));
    EXPECT_FALSE(PostMessageW(hWnd, WM_TEST_STATUS, 0, 0));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.m_check.m_hWnd, nullptr) << "attached wrappers let go of their controls";
}

TEST(Dialog, ClosingTheWindowIsCancelAndOkRunsOnOk) {
    CTestDialog closed;
    closed.onInit = [](CTestDialog& d) {
        QTimer::singleShot(0, d.GetWindow(), [&d] { d.GetWindow()->close(); });
    };
    EXPECT_EQ(closed.DoModal(), IDCANCEL);
    EXPECT_FALSE(closed.okRan);

    CTestDialog ok;
    EXPECT_EQ(RunScript(ok, "close\n"), 0);
    EXPECT_TRUE(ok.okRan);
}

// The template has no default button: Enter, wherever the focus is, presses nothing, and Esc
// is still Cancel.
TEST(Dialog, EnterPressesNoButtonAndEscapeCancels) {
    CTestDialog dialog;
    bool stillRunning = false;
    dialog.onInit = [&stillRunning](CTestDialog& d) {
        QTimer::singleShot(0, d.GetWindow(), [&d, &stillRunning] {
            auto* combo = qobject_cast<QComboBox*>(Widget(d, IDC_SORTED));
            for (QWidget* target :
                 {static_cast<QWidget*>(combo->lineEdit()), Widget(d, IDC_PUSH)}) {
                for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
                    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                    QCoreApplication::sendEvent(target, &press);
                }
            }
            stillRunning = d.GetWindow()->isVisible();
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(combo->lineEdit(), &escape);
        });
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(stillRunning) << "Enter ended the dialog";
    EXPECT_EQ(dialog.clicks, 0) << "Enter pressed a button";
    EXPECT_FALSE(dialog.okRan);
}

TEST(Dialog, ClicksGoThroughTheMessageMap) {
    CTestDialog dialog;
    EXPECT_EQ(RunScript(dialog, "click 1001\nclick 1001\n"), 0);
    EXPECT_EQ(dialog.clicks, 2);
}

TEST(Dialog, MessageBoxCarriesTheApplicationNameAndItsDetail) {
    CTestDialog dialog;
    dialog.boxOnClick = true;
    CScriptRunner runner;
    EXPECT_EQ(RunScript(dialog, "click 1001\nexpect message 你好\nexpect detail to do\n", &runner),
              0);
    ASSERT_EQ(runner.MessageBoxes().size(), 1u);
    EXPECT_EQ(runner.MessageBoxes()[0].caption, L"CE_MOLV");
    EXPECT_EQ(runner.MessageBoxes()[0].type, MB_OK);
}

TEST(Dialog, IconsComeFromRegisteredResourceBytes) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    static QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    RegisterIconResource(300, reinterpret_cast<const unsigned char*>(png.constData()),
                         static_cast<std::size_t>(png.size()));

    const HICON hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(300));
    ASSERT_NE(hIcon, nullptr);
    EXPECT_EQ(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(300)), hIcon) << "loaded once";
    EXPECT_EQ(LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(301)), nullptr);

    CTestDialog dialog;
    dialog.onInit = [hIcon](CTestDialog& d) {
        EXPECT_EQ(d.SetIcon(hIcon, TRUE), nullptr);
        EXPECT_EQ(d.SetIcon(hIcon, TRUE), hIcon) << "the previous big icon";
        EXPECT_FALSE(d.GetWindow()->windowIcon().isNull());
        d.EndDialog(IDOK);
    };
    dialog.DoModal();
}

}  // namespace
}  // namespace frameworktest
