// Real input into the printer window: in its narrow layout a control stands on one of the tabs,
// which a person clicks first.
#pragma once

class CPaperWidget;
class QWidget;

namespace testsupport {

// Brings the tab that holds the target to the front with a click on it, when it is behind; false
// when the click failed or the tab did not come.
bool BringTabOf(CPaperWidget& printer, const QWidget& target);
// BringTabOf, then a click on the middle of the target.
bool ClickInPrinterWindow(CPaperWidget& printer, QWidget& target);

}  // namespace testsupport
