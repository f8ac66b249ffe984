// CWnd: a window known by its handle m_hWnd, which the platform window registry hands out while
// the window exists. Everything a CWnd does to its window goes through messages, so a wrapper
// attached to a control and the dialog itself work the same way.
#pragma once

#include <string>

#include "framework/CmdTarget.h"
#include "framework/WinUser.h"

class CWnd : public CCmdTarget {
  public:
    CWnd() = default;
    ~CWnd() override = default;

    HWND GetSafeHwnd() const { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    void SetWindowText(LPCWSTR lpszString);
    void GetWindowText(std::wstring& rString) const;

    // Sets the big (bBigIcon TRUE) or small icon; returns the previous one.
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);

    // A modal message box; the caption defaults to the application's name. The detail, when
    // given, is shown under the text: what went wrong and what to do about it.
    int MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = MB_OK,
                   LPCWSTR lpszDetail = nullptr);

    // The window's own handling of a message: its message map first, then DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

  protected:
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
};
