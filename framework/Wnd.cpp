#include "framework/Wnd.h"

#include <vector>

#include "framework/MessageBoxHook.h"
#include "framework/WinApp.h"
#include "framework/qt/MessageBoxWindow.h"
#include "framework/qt/WindowBinding.h"

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(LPCWSTR lpszString) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpszString != nullptr ? lpszString : L""));
}

void CWnd::GetWindowText(std::wstring& rString) const {
    const auto length = static_cast<std::size_t>(SendMessage(WM_GETTEXTLENGTH));
    std::vector<WCHAR> buffer(length + 1, L'\0');
    const auto copied =
        SendMessage(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    rString.assign(buffer.data(), static_cast<std::size_t>(copied < 0 ? 0 : copied));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

int CWnd::MessageBox(LPCWSTR lpszText, LPCWSTR lpszCaption, UINT nType, LPCWSTR lpszDetail) {
    MessageBoxRecord box;
    box.text = lpszText != nullptr ? lpszText : L"";
    if (lpszCaption != nullptr) {
        box.caption = lpszCaption;
    } else if (AfxGetApp() != nullptr) {
        box.caption = AfxGetApp()->GetAppName();
    }
    box.detail = lpszDetail != nullptr ? lpszDetail : L"";
    box.type = nType;
    if (CMessageBoxHook* hook = CMessageBoxHook::Active()) {
        return hook->Answer(box);
    }
    return framework::ShowMessageBox(m_hWnd, box);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result)) {
        return result;
    }
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        *pResult = 0;
        return OnCommand(wParam, lParam);
    }
    return OnCmdMsg(message, wParam, lParam, pResult) ? TRUE : FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    return OnCmdMsg(WM_COMMAND, wParam, lParam, nullptr) ? TRUE : FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    CWindowBinding* binding = CWindowBinding::Find(m_hWnd);
    return binding != nullptr ? binding->CallBuiltIn(message, wParam, lParam) : 0;
}
