// The dialog's controls as Qt widgets: each template item becomes its widget, placed at its
// pixel rectangle and registered as a window whose built-in procedure answers the messages of
// its kind (text, check state, list).
#pragma once

#include <functional>

#include "framework/DialogTemplate.h"
#include "framework/DialogUnits.h"

class CWindowBinding;
class QWidget;

namespace framework {

// Makes the control as a child of the dialog widget; returns its binding (owned by the widget).
// Clicks of buttons go to onCommand as (id, notification).
CWindowBinding* CreateControl(
    QWidget* pDialog, const DialogItem& item, const DialogBaseUnits& units,
    const std::function<void(int id, WORD code, HWND hControl)>& onCommand);

// The built-in procedure of the dialog window itself: its caption and icons.
CWindowBinding* BindDialogWindow(QWidget* pDialog);

}  // namespace framework
