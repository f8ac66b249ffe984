#include "viewer/qt/SideBySide.h"

#include <algorithm>

namespace {
constexpr int kGap = 8;
}  // namespace

SideBySidePlacement PlaceSideBySide(const QRect& wholeScreen, const QRect& dialogFrame,
                                    const QMargins& frameMargins, QSize preferred, QSize minimum) {
    const int extraWidth = frameMargins.left() + frameMargins.right();
    const int extraHeight = frameMargins.top() + frameMargins.bottom();
    // A little room at the edges, where the screen has it: window managers place frames a pixel
    // or two off.
    const int leastWidth = dialogFrame.width() + kGap + minimum.width() + extraWidth;
    const int leastHeight = std::max(dialogFrame.height(), minimum.height() + extraHeight);
    const int edgeX = wholeScreen.width() - leastWidth >= kGap ? kGap / 2 : 0;
    const int edgeY = wholeScreen.height() - leastHeight >= kGap ? kGap / 2 : 0;
    const QRect screen = wholeScreen.marginsRemoved(QMargins(edgeX, edgeY, edgeX, edgeY));
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
    // Too small a screen: the printer's window overlaps the dialog rather than leave the screen,
    // so both title bars stay where a finger reaches them.
    const int printerLeft =
        std::max(screen.left(), std::min(left + dialogFrame.width() + kGap,
                                         screen.left() + screen.width() - frame.width()));
    placement.printerFrame = QRect(QPoint(printerLeft, top), frame);
    return placement;
}
