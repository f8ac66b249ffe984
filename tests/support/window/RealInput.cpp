#include "tests/support/window/RealInput.h"

#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <string>

namespace testsupport {

bool ClickAt(const QWidget& widget, const QPoint& point) {
    const QWidget* window = widget.window();
    if (!WaitWhileProcessing([window] {
            return window->windowHandle() != nullptr && window->windowHandle()->isExposed();
        })) {
        return false;
    }
    // Relative to its window as the X server has it now: a window manager may still be moving
    // the window when Qt already reports the new place. The server counts device pixels: at a
    // scale factor, so many of them to each of Qt's.
    const QPoint at = widget.mapTo(window, point) * window->devicePixelRatioF();
    const std::string id = std::to_string(window->winId());
    const std::string command = "xdotool windowactivate --sync " + id + " mousemove --window " +
                                id + " " + std::to_string(at.x()) + " " + std::to_string(at.y()) +
                                " click 1 >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool ClickWithPointer(const QWidget& widget) {
    // The middle of what the widget draws: a check box laid out wider than its label takes
    // clicks on the label only.
    const QSize drawn = widget.sizeHint().boundedTo(widget.size());
    return ClickAt(widget, QPoint(drawn.width() / 2, widget.height() / 2));
}

bool PressKeys(const QWidget& widget, const std::string& keys) {
    const std::string command = "xdotool windowactivate --sync " +
                                std::to_string(widget.window()->winId()) +
                                " key --clearmodifiers " + keys + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool WaitWhileProcessing(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace testsupport
