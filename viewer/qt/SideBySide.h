// Where a dialog and the printer's window go so that both fit the screen side by side: the
// printer's window shrinks towards its minimum size before anything overlaps, and the pair is
// centred on the screen. Frames (window-manager decorations) count as part of each window, and
// on a screen too small for both, the printer's window overlaps the dialog, its frame on screen.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

struct SideBySidePlacement {
    QPoint dialogFrameAt;  // the dialog's frame's top left
    QRect printerFrame;    // the printer window's frame
    bool fits = false;     // false: the screen is too small, the windows overlap
};

// dialogFrame: the dialog's frame now. frameMargins: decorations around a client area.
// preferred and minimum: sizes of the printer window's client area.
SideBySidePlacement PlaceSideBySide(const QRect& screen, const QRect& dialogFrame,
                                    const QMargins& frameMargins, QSize preferred, QSize minimum);
