// The dialog and the virtual printer's window on a real X display with a window manager, driven
// by the pointer as a person drives them: both fit the screen side by side, and the printer's
// window takes input while the dialog runs modally.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "app/PrinterDemoDlg.h"
#include "app/VirtualPrinterSession.h"
#include "app/res/Resource.h"
#include "framework/WinApp.h"
#include "framework/qt/WindowBinding.h"
#include "tests/support/TempDir.h"
#include "tests/support/window/RealInput.h"
#include "viewer/PaperWindow.h"
#include "viewer/qt/PaperStrip.h"
#include "viewer/qt/PaperWidget.h"

namespace {

using testsupport::ClickWithPointer;
using testsupport::WaitWhileProcessing;

QWidget* Control(CPrinterDemoDlg& dialog, int id) {
    return CWindowBinding::WidgetOf(dialog.GetDlgItemHandle(id));
}

std::string Describe(const QRect& r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" +
           std::to_string(r.x()) + "+" + std::to_string(r.y());
}

bool Checked(CPrinterDemoDlg& dialog, int id) {
    auto* box = qobject_cast<QCheckBox*>(Control(dialog, id));
    return box != nullptr && box->isChecked();
}

TEST(BothWindows, FitTheScreenAndTakeThePointerWhileTheDialogRuns) {
    testsupport::TempDir folder;
    CVirtualPrinterSession session;
    VirtualPrinterOptions options;
    options.paperFolder = folder.Path();
    std::string error;
    ASSERT_TRUE(session.Start(options, &error)) << error;
    CPrinterDemoDlg dialog;
    AfxGetApp()->m_pMainWnd = &dialog;
    session.ShowWindowBesideDialog();

    CPaperWidget* printer = session.Window().Widget();
    QRect dialogFrame, printerFrame;
    bool opened = false, paperOutShown = false, paperOutCleared = false, zoomed = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialogWindow = Control(dialog, IDC_BUTTON_OPEN)->window();
        WaitWhileProcessing([&] { return printer->isVisible() && dialogWindow->isVisible(); });
        auto* open = qobject_cast<QAbstractButton*>(Control(dialog, IDC_BUTTON_OPEN));
        opened = ClickWithPointer(*open) &&
                 WaitWhileProcessing([&] { return open->text() == QString("关闭串口"); });
        paperOutShown = ClickWithPointer(*printer->Toggle(1)) &&
                        WaitWhileProcessing([&] { return Checked(dialog, IDC_CHECK_PAPEROUT); });
        paperOutCleared = paperOutShown && ClickWithPointer(*printer->Toggle(1)) &&
                          WaitWhileProcessing([&] { return !Checked(dialog, IDC_CHECK_PAPEROUT); });
        zoomed = ClickWithPointer(*printer->Zoom()) &&
                 WaitWhileProcessing([&] { return printer->Strip()->Scale() == 2; });
        dialogFrame = dialogWindow->frameGeometry();
        printerFrame = printer->frameGeometry();
        dialog.EndDialog(IDOK);
    });
    dialog.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;

    EXPECT_TRUE(opened) << "a click on the dialog's open button";
    EXPECT_TRUE(paperOutShown) << "a click on the printer's paper-out toggle checks 缺纸";
    EXPECT_TRUE(paperOutCleared) << "a second click clears it";
    EXPECT_TRUE(zoomed) << "a click on \"Paper at 2x\"";
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const std::string where = "screen " + Describe(screen) + ", dialog " + Describe(dialogFrame) +
                              ", printer " + Describe(printerFrame);
    EXPECT_TRUE(screen.contains(dialogFrame)) << where;
    EXPECT_TRUE(screen.contains(printerFrame)) << where;
    EXPECT_FALSE(dialogFrame.intersects(printerFrame)) << where;
}

}  // namespace
