#include "platform/internal/LastError.h"

#include <cstring>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
thread_local std::string t_lastErrorText;
}  // namespace

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
    t_lastErrorText.clear();
}

namespace platform {

std::string LastErrorText() { return t_lastErrorText; }

namespace detail {

void SetLastErrorFromErrno(DWORD code, int err, const std::string& context) {
    t_lastError = code;
    t_lastErrorText =
        context.empty() ? std::string(std::strerror(err)) : context + ": " + std::strerror(err);
}

void SetLastErrorText(DWORD code, const std::string& text) {
    t_lastError = code;
    t_lastErrorText = text;
}

}  // namespace detail
}  // namespace platform
