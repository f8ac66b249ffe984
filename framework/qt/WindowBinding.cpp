#include "framework/qt/WindowBinding.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QWidget>
#include <unordered_map>

#include "framework/Wnd.h"

namespace {

class CMessageEvent : public QEvent {
  public:
    static QEvent::Type EventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    CMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
        : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

std::unordered_map<HWND, CWindowBinding*>& Bindings() {
    static std::unordered_map<HWND, CWindowBinding*> bindings;
    return bindings;
}

}  // namespace

CWindowBinding::CWindowBinding(QWidget* pWidget, Procedure builtIn)
    : QObject(pWidget), m_pWidget(pWidget), m_builtIn(std::move(builtIn)) {
    m_hWnd = platform::RegisterWindow(this);
    Bindings()[m_hWnd] = this;
}

CWindowBinding::~CWindowBinding() {
    platform::UnregisterWindow(m_hWnd);
    Bindings().erase(m_hWnd);
}

LRESULT CWindowBinding::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pWnd != nullptr) {
        return m_pWnd->WindowProc(message, wParam, lParam);
    }
    return CallBuiltIn(message, wParam, lParam);
}

LRESULT CWindowBinding::CallBuiltIn(UINT message, WPARAM wParam, LPARAM lParam) {
    return m_builtIn ? m_builtIn(message, wParam, lParam) : 0;
}

bool CWindowBinding::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    QCoreApplication::postEvent(this, new CMessageEvent(message, wParam, lParam));
    return true;
}

LRESULT CWindowBinding::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    if (QThread::currentThread() == thread()) {
        return Dispatch(message, wParam, lParam);
    }
    LRESULT result = 0;
    QMetaObject::invokeMethod(
        this, [&] { result = Dispatch(message, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return result;
}

void CWindowBinding::customEvent(QEvent* event) {
    if (event->type() == CMessageEvent::EventType()) {
        const auto* message = static_cast<CMessageEvent*>(event);
        Dispatch(message->m_message, message->m_wParam, message->m_lParam);
    }
}

CWindowBinding* CWindowBinding::Find(HWND hWnd) {
    auto it = Bindings().find(hWnd);
    return it == Bindings().end() ? nullptr : it->second;
}

QWidget* CWindowBinding::WidgetOf(HWND hWnd) {
    CWindowBinding* binding = Find(hWnd);
    return binding != nullptr ? binding->Widget() : nullptr;
}
