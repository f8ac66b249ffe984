#include "framework/qt/DialogWindow.h"

CDialogWindow::CDialogWindow(QWidget* pParent, std::function<void()> onCancel)
    : QDialog(pParent), m_onCancel(std::move(onCancel)) {}

void CDialogWindow::reject() { m_onCancel(); }
