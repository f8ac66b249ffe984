#include "framework/qt/MessageBoxWindow.h"

#include <QMessageBox>

#include "framework/qt/Text.h"
#include "framework/qt/WindowBinding.h"

namespace framework {

int ShowMessageBox(HWND hOwner, const MessageBoxRecord& box) {
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (box.type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            buttons = QMessageBox::Ok | QMessageBox::Cancel;
            break;
        case MB_YESNO:
            buttons = QMessageBox::Yes | QMessageBox::No;
            break;
        default:
            break;
    }
    QMessageBox dialog(QMessageBox::NoIcon, ToQString(box.caption), ToQString(box.text), buttons,
                       CWindowBinding::WidgetOf(hOwner));
    if (!box.detail.empty()) {
        dialog.setInformativeText(ToQString(box.detail));
    }
    switch (dialog.exec()) {
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

}  // namespace framework
