// Controls a finger can hit on a panel PC's touch screen: at least kTouchMillimetres high at the
// screen's own density, where the screen states its physical size.
#pragma once

#include <QCheckBox>
#include <QTabBar>
#include <QTabWidget>

class QScreen;

constexpr double kTouchMillimetres = 7.0;

// The pixels (device-independent, as Qt lays out) that kTouchMillimetres span on the screen; 0
// when the screen does not say how large it is.
int TouchTargetPixels(const QScreen* screen);

// A check box that takes a click anywhere on it, not only on its box and label, so the height
// it is given is all target.
class CTouchCheckBox : public QCheckBox {
    Q_OBJECT
  public:
    using QCheckBox::QCheckBox;

  protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// Tabs at least as high as the touch target.
class CTouchTabWidget : public QTabWidget {
    Q_OBJECT
  public:
    CTouchTabWidget();
    void SetTouchTarget(int pixels);

  private:
    class CTabBar : public QTabBar {
      public:
        int m_minimumHeight = 0;

      protected:
        QSize tabSizeHint(int index) const override;
    };
    CTabBar* m_pBar;
};
