// CWindowBinding: makes one Qt widget a window of the platform registry. It lives as a child of
// the widget, so the handle is valid exactly while the widget exists. Posted messages are queued
// to the user-interface thread as Qt events; sent messages run there (the sender waits when it
// is another thread). A message goes to the window's CWnd when one subclassed it, otherwise (and
// for what the CWnd leaves to DefWindowProc) to the widget's built-in procedure.
#pragma once

#include <QObject>
#include <functional>

#include "framework/WinUser.h"
#include "platform/WindowRegistry.h"

class CWnd;
class QWidget;

class CWindowBinding : public QObject, public platform::IWindowSink {
    Q_OBJECT
  public:
    using Procedure = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

    CWindowBinding(QWidget* pWidget, Procedure builtIn);
    ~CWindowBinding() override;

    HWND Handle() const { return m_hWnd; }
    QWidget* Widget() const { return m_pWidget; }
    // From now on messages go to pWnd->WindowProc first.
    void Subclass(CWnd* pWnd) { m_pWnd = pWnd; }

    // Runs the message on the calling (user-interface) thread.
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT CallBuiltIn(UINT message, WPARAM wParam, LPARAM lParam);

    bool Post(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;

    // User-interface thread only: the binding or widget of a live window, or null.
    static CWindowBinding* Find(HWND hWnd);
    static QWidget* WidgetOf(HWND hWnd);

  protected:
    void customEvent(QEvent* event) override;

  private:
    QWidget* m_pWidget;
    Procedure m_builtIn;
    CWnd* m_pWnd = nullptr;
    HWND m_hWnd = nullptr;
};
