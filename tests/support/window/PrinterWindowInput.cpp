#include "tests/support/window/PrinterWindowInput.h"

#include <QTabBar>
#include <QTabWidget>

#include "tests/support/window/RealInput.h"
#include "viewer/qt/PaperWidget.h"

namespace testsupport {

bool BringTabOf(CPaperWidget& printer, const QWidget& target) {
    const int tab = printer.TabOf(&target);
    if (tab < 0 || printer.Tabs()->currentIndex() == tab) return true;
    QTabBar* bar = printer.Tabs()->tabBar();
    return ClickAt(*bar, bar->tabRect(tab).center()) &&
           WaitWhileProcessing([&] { return printer.Tabs()->currentIndex() == tab; });
}

bool ClickInPrinterWindow(CPaperWidget& printer, QWidget& target) {
    return BringTabOf(printer, target) && ClickWithPointer(target);
}

}  // namespace testsupport
