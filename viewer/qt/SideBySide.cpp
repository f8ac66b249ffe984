#include "viewer/qt/SideBySide.h"

#include <algorithm>

namespace {
constexpr int kGap = 8;
}  // namespace

SideBySidePlacement PlaceSideBySide(const QRect& wholeScreen, const QRect& dialogFrame,
                                    const QMargins& frameMargins, QSize preferred, QSize minimum) {
    // A little room at the edges: window managers place frames a pixel or two off.
    const QRect screen =
        wholeScreen.marginsRemoved(QMargins(kGap / 2, kGap / 2, kGap / 2, kGap / 2));
    const int extraWidth = frameMargins.left() + frameMargins.right();
    const int extraHeight = frameMargins.top() + frameMargins.bottom();
    const int roomWidth = screen.width() - dialogFrame.width() - kGap - extraWidth;
    const int roomHeight = screen.height() - extraHeight;
    const QSize client(std::max(minimum.width(), std::min(preferred.width(), roomWidth)),
                       std::max(minimum.height(), std::min(preferred.height(), roomHeight)));
    const QSize frame(client.width() + extraWidth, client.height() + extraHeight);

    SideBySidePlacement placement;
    placement.fits = client.width() <= roomWidth && client.height() <= roomHeight &&
                     dialogFrame.height() <= screen.height();
    const int pairWidth = dialogFrame.width() + kGap + frame.width();
    const int pairHeight = std::max(dialogFrame.height(), frame.height());
    const int left = screen.left() + std::max(0, (screen.width() - pairWidth) / 2);
    const int top = screen.top() + std::max(0, (screen.height() - pairHeight) / 2);
    placement.dialogFrameAt = QPoint(left, top);
    placement.printerFrame = QRect(QPoint(left + dialogFrame.width() + kGap, top), frame);
    return placement;
}
