// The Qt window of a CDialog. Closing it (the caption's close button, Escape) is the dialog's
// Cancel: it goes to the dialog as WM_COMMAND IDCANCEL, whose handler decides.
#pragma once

#include <QDialog>
#include <functional>

class CDialogWindow : public QDialog {
    Q_OBJECT
  public:
    CDialogWindow(QWidget* pParent, std::function<void()> onCancel);

    void reject() override;

  private:
    std::function<void()> m_onCancel;
};
