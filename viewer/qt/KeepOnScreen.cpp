#include "viewer/qt/KeepOnScreen.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

bool Framed(const QWidget& window) {
    return window.isVisible() && window.frameGeometry() != window.geometry();
}

class CFrameWatch : public QObject {
  public:
    CFrameWatch(QWidget* window, std::function<void()> action)
        : QObject(window), m_window(window), m_action(std::move(action)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched == m_window && m_action &&
            (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show ||
             type == QEvent::WindowActivate) &&
            Framed(*m_window)) {
            std::function<void()> action = std::move(m_action);
            m_action = nullptr;
            deleteLater();
            action();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QWidget* m_window;
    std::function<void()> m_action;
};

void MoveFrameOnScreen(QWidget& window) {
    if (window.screen() == nullptr) return;
    const QRect frame = window.frameGeometry();
    const QRect inside = window.geometry();
    const QRect screen = window.screen()->availableGeometry();
    if (screen.contains(frame)) return;
    const QMargins decorations(inside.left() - frame.left(), inside.top() - frame.top(),
                               frame.right() - inside.right(), frame.bottom() - inside.bottom());
    const QSize size = frame.size()
                           .boundedTo(screen.size())
                           .shrunkBy(decorations)
                           .expandedTo(window.minimumSize());
    const QSize framed = size.grownBy(decorations);
    // The title bar wins when the window is taller than the screen.
    const int left = std::max(
        screen.left(), std::min(frame.left(), screen.left() + screen.width() - framed.width()));
    const int top = std::max(
        screen.top(), std::min(frame.top(), screen.top() + screen.height() - framed.height()));
    window.setGeometry(QRect(QPoint(left + decorations.left(), top + decorations.top()), size));
}

}  // namespace

void WhenFramed(QWidget* window, std::function<void()> action) {
    if (window == nullptr) return;
    if (Framed(*window)) {
        action();
        return;
    }
    new CFrameWatch(window, std::move(action));
}

void KeepFrameOnScreen(QWidget* window) {
    WhenFramed(window, [window] { MoveFrameOnScreen(*window); });
}
