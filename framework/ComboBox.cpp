#include "framework/ComboBox.h"

#include <vector>

int CComboBox::GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }

int CComboBox::GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }

int CComboBox::SetCurSel(int nSelect) {
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect)));
}

int CComboBox::GetLBText(int nIndex, std::wstring& rString) const {
    rString.clear();
    const auto length = static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
    if (length < 0) {
        return CB_ERR;
    }
    std::vector<WCHAR> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(nIndex),
                                                     reinterpret_cast<LPARAM>(buffer.data())));
    if (copied < 0) {
        return CB_ERR;
    }
    rString.assign(buffer.data(), static_cast<std::size_t>(copied));
    return copied;
}

int CComboBox::AddString(LPCWSTR lpszString) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
}
