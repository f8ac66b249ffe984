// The window, control and resource definitions of the original platform that the dialog
// framework adds to platform/win32.h: icon and instance handles, resource ids, text and list
// messages, window and control styles, message-box types and answers.
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct HICON__;
using HICON = HICON__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

// A resource id passed where a resource name is expected.
inline LPCWSTR MAKEINTRESOURCEW(WORD id) {
    return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCWSTR name) {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

// Text of any window.
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;

// Combo boxes.
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr int CB_ERR = -1;

// Window styles.
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x08000000u;
constexpr DWORD WS_CAPTION = 0x00C00000u;
constexpr DWORD WS_VSCROLL = 0x00200000u;
constexpr DWORD WS_SYSMENU = 0x00080000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_TABSTOP = 0x00010000u;

// Button styles (the low four bits are the kind).
constexpr DWORD BS_TYPEMASK = 0x0000000Fu;
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_GROUPBOX = 0x7;

// Combo-box styles (the low two bits are the kind).
constexpr DWORD CBS_TYPEMASK = 0x3u;
constexpr DWORD CBS_SIMPLE = 0x1;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD CBS_AUTOHSCROLL = 0x40;
constexpr DWORD CBS_SORT = 0x100;

// Static styles (the low five bits are the kind).
constexpr DWORD SS_TYPEMASK = 0x1Fu;
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_CENTER = 0x1;
constexpr DWORD SS_RIGHT = 0x2;

// Message boxes: the button set in the low four bits, and the answers.
constexpr UINT MB_TYPEMASK = 0x0000000Fu;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_YESNO = 0x00000004;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The icon resource with the given id (an id made by MAKEINTRESOURCEW) that the application
// registered, or null. The icon lives until the program ends.
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
