// The dialog and the virtual printer's window on a real X display with a window manager, driven
// by the pointer and the keyboard as a person drives them, on whatever screen the session has
// (ctest runs it on a 1366x768 desktop and on 800x480 and 1024x600 panels): both frames fit the
// screen side by side, every toggle of the printer's window is reached by clicks while the dialog
// runs modally, Enter in the baud-rate field sends nothing, held data shows once paper is back,
// the commands show what they mean, and F2 brings the closed printer window back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/PrinterDemoDlg.h"
#include "app/VirtualPrinterSession.h"
#include "app/res/Resource.h"
#include "emulator/VirtualPrinter.h"
#include "framework/WinApp.h"
#include "framework/qt/WindowBinding.h"
#include "tests/support/TempDir.h"
#include "tests/support/WireRecorder.h"
#include "tests/support/window/PrinterWindowInput.h"
#include "tests/support/window/RealInput.h"
#include "viewer/PaperWindow.h"
#include "viewer/qt/PaperStrip.h"
#include "viewer/qt/PaperWidget.h"
#include "viewer/qt/TouchTargets.h"

namespace {

using testsupport::ClickInPrinterWindow;
using testsupport::ClickWithPointer;
using testsupport::PressKeys;
using testsupport::WaitWhileProcessing;

constexpr int kStatusBoxes[] = {IDC_CHECK_OVERHEAT, IDC_CHECK_PAPEROUT, IDC_CHECK_OVERVOLTAGE,
                                IDC_CHECK_CUTTER, IDC_CHECK_PLATEN};

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

bool HasInk(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) return true;
        }
    }
    return false;
}

// The commands' lines show offset, mnemonic and the meaning's first words inside the view (a long
// meaning may run on past the edge; the bytes come last).
constexpr int kCharactersInView = 6 + 2 + 8 + 2 + 30;

bool MeaningsInView(const QPlainTextEdit& trace, std::string* pWhy) {
    const int room = trace.viewport()->width();
    int lines = 0;
    for (QTextBlock block = trace.document()->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const int bytesAt = text.indexOf(QStringLiteral("   ["));
        if (bytesAt < 0) continue;
        ++lines;
        const int needed = trace.fontMetrics().horizontalAdvance(
            text.left(std::min<int>(bytesAt, kCharactersInView)));
        if (needed > room) {
            *pWhy = text.toStdString() + ": needs " + std::to_string(needed) + " of " +
                    std::to_string(room) + " pixels";
            return false;
        }
    }
    *pWhy = std::to_string(lines) + " command lines";
    return lines > 0;
}

struct Outcome {
    bool opened = false;
    bool enterSentNothing = false;
    std::string enterWrites;
    bool heldShown = false;
    int togglesReached = 0;
    bool zoomed = false;
    bool meanings = false;
    std::string meaningsWhy;
    bool shownAgain = false;
    QRect dialogFrame, printerFrame;
    int smallestToggle = 0;
};

TEST(BothWindows, FitTheScreenAndEveryControlIsReachedByThePointer) {
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
    // From the port's opening on: its trace starts with it.
    auto wire = std::make_unique<testsupport::WireRecorder>();
    ASSERT_TRUE(wire->Ok()) << wire->Error();
    Outcome out;
    QTimer::singleShot(0, [&] {
        QWidget* dialogWindow = Control(dialog, IDC_BUTTON_OPEN)->window();
        WaitWhileProcessing([&] { return printer->isVisible() && dialogWindow->isVisible(); });
        // The window manager has framed both and the frames have settled.
        WaitWhileProcessing([&] {
            return printer->frameGeometry() != printer->geometry() &&
                   dialogWindow->frameGeometry() != dialogWindow->geometry();
        });
        auto* open = qobject_cast<QAbstractButton*>(Control(dialog, IDC_BUTTON_OPEN));
        out.opened = ClickWithPointer(*open) &&
                     WaitWhileProcessing([&] { return open->text() == QString("关闭串口"); });

        // Enter in the baud-rate field; then "修改流控", whose bytes mark where Enter's would be.
        const std::uint64_t before = session.Printer().Received();
        auto* baud = qobject_cast<QComboBox*>(Control(dialog, IDC_COMBO_BAUDRATE));
        const bool typed =
            ClickWithPointer(*baud->lineEdit()) && PressKeys(*baud, "Return KP_Enter") &&
            ClickWithPointer(*Control(dialog, IDC_BUTTON_FLOWCONTROL)) &&
            WaitWhileProcessing([&] { return session.Printer().Received() > before; });
        const testsupport::WireRecorder::Bytes sent = testsupport::Joined(wire->Stop());
        for (std::uint8_t byte : sent) out.enterWrites += std::to_string(byte) + " ";
        const std::uint8_t align[] = {0x1B, 0x61};  // the alignment demonstration's command
        out.enterSentNothing =
            typed && dialogWindow->isVisible() &&
            std::search(sent.begin(), sent.end(), std::begin(align), std::end(align)) == sent.end();

        // Paper out, a demonstration held, paper back: the held lines show.
        QCheckBox* paperOut = printer->Toggle(1);
        if (ClickInPrinterWindow(*printer, *paperOut) &&
            WaitWhileProcessing([&] { return Checked(dialog, IDC_CHECK_PAPEROUT); }) &&
            ClickWithPointer(*Control(dialog, IDC_BUTTON_ALIGNMENT)) &&
            WaitWhileProcessing([&] { return session.Printer().Waiting() > 0; }) &&
            ClickInPrinterWindow(*printer, *paperOut)) {
            out.heldShown = WaitWhileProcessing([&] {
                return HasInk(printer->Strip()->Current()) && session.Printer().Waiting() == 0;
            });
        }
        WaitWhileProcessing([&] { return !Checked(dialog, IDC_CHECK_PAPEROUT); });

        for (int i = 0; i < printer->ToggleCount(); ++i) {
            QCheckBox& toggle = *printer->Toggle(i);
            out.smallestToggle =
                i == 0 ? toggle.height() : std::min(out.smallestToggle, toggle.height());
            if (ClickInPrinterWindow(*printer, toggle) &&
                WaitWhileProcessing([&] { return Checked(dialog, kStatusBoxes[i]); }) &&
                ClickInPrinterWindow(*printer, toggle) &&
                WaitWhileProcessing([&] { return !Checked(dialog, kStatusBoxes[i]); })) {
                ++out.togglesReached;
            }
        }
        out.meanings = WaitWhileProcessing(
            [&] { return MeaningsInView(*printer->Trace(), &out.meaningsWhy); });
        if (printer->Tabs()->isVisible()) printer->Tabs()->setCurrentIndex(0);
        out.dialogFrame = dialogWindow->frameGeometry();
        out.printerFrame = printer->frameGeometry();
        if (const char* shots = std::getenv("CE_MOLV_SCREENSHOT")) {
            QCoreApplication::processEvents();  // the paper's tab drawn
            QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(shots), "PNG");
        }

        out.zoomed = ClickInPrinterWindow(*printer, *printer->Zoom()) &&
                     WaitWhileProcessing([&] { return printer->Strip()->Scale() == 2; });
        printer->close();
        out.shownAgain = WaitWhileProcessing([&] { return !printer->isVisible(); }) &&
                         PressKeys(*dialogWindow, "F2") &&
                         WaitWhileProcessing([&] { return printer->isVisible(); });
        dialog.EndDialog(IDOK);
    });
    dialog.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen->availableGeometry();
    const std::string where = "screen " + Describe(area) + ", dialog " + Describe(out.dialogFrame) +
                              ", printer " + Describe(out.printerFrame);
    EXPECT_TRUE(out.opened) << "a click on the dialog's open button";
    EXPECT_TRUE(out.enterSentNothing) << "Enter in the baud field; sent: " << out.enterWrites;
    EXPECT_TRUE(out.heldShown) << "the lines held while paper was out show once it is back";
    EXPECT_EQ(out.togglesReached, printer->ToggleCount()) << "toggles that clicks set and clear";
    EXPECT_TRUE(out.meanings) << out.meaningsWhy;
    EXPECT_TRUE(out.zoomed) << "a click on \"Paper at 2x\"";
    EXPECT_TRUE(out.shownAgain) << "F2 in the dialog shows the closed printer window";
    EXPECT_TRUE(area.contains(out.dialogFrame)) << where;
    EXPECT_TRUE(area.contains(out.printerFrame)) << where;
    EXPECT_FALSE(out.dialogFrame.intersects(out.printerFrame)) << where;
    EXPECT_GE(out.smallestToggle, TouchTargetPixels(screen))
        << "7 mm at " << screen->physicalDotsPerInchY() << " dpi";
}

}  // namespace
