#include "viewer/qt/TouchTargets.h"

#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kMillimetresPerInch = 25.4;
// Outside this, the screen's stated size is a placeholder, not the panel's.
constexpr double kPlausibleDpiLow = 50;
constexpr double kPlausibleDpiHigh = 600;
}  // namespace

int TouchTargetPixels(const QScreen* screen) {
    if (screen == nullptr || screen->physicalSize().isEmpty()) return 0;
    const double dpi = screen->physicalDotsPerInchY();
    if (dpi < kPlausibleDpiLow || dpi > kPlausibleDpiHigh) return 0;
    return static_cast<int>(std::ceil(kTouchMillimetres / kMillimetresPerInch * dpi));
}

CTouchTabWidget::CTouchTabWidget() : m_pBar(new CTabBar) { setTabBar(m_pBar); }

void CTouchTabWidget::SetTouchTarget(int pixels) {
    m_pBar->m_minimumHeight = pixels;
    // Tells the bar its tabs' sizes changed.
    m_pBar->setIconSize(m_pBar->iconSize());
    m_pBar->updateGeometry();
}

QSize CTouchTabWidget::CTabBar::tabSizeHint(int index) const {
    QSize size = QTabBar::tabSizeHint(index);
    size.setHeight(std::max(size.height(), m_minimumHeight));
    return size;
}
