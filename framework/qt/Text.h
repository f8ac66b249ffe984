// Conversions between the framework's wide strings and Qt's strings.
#pragma once

#include <QString>
#include <string>

#include "platform/win32.h"

namespace framework {

inline QString ToQString(LPCWSTR text) {
    return text == nullptr ? QString() : QString::fromWCharArray(text);
}
inline QString ToQString(const std::wstring& text) { return QString::fromStdWString(text); }
inline std::wstring ToWString(const QString& text) { return text.toStdWString(); }

}  // namespace framework
