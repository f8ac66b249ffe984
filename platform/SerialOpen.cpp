// CreateFileW for serial ports: "COMn:" through the port map, a network port by its URL, anything
// else as a device path.
#include <sys/eventfd.h>

#include <cctype>
#include <cerrno>
#include <utility>

#include "platform/internal/KernelObject.h"
#include "platform/internal/LastError.h"
#include "platform/internal/NetworkPort.h"
#include "platform/internal/SerialHandle.h"
#include "platform/internal/TtyDevice.h"
#include "platform/win32.h"

namespace {

using namespace platform::detail;

bool StartsWithCom(const std::string& name) {
    return name.size() >= 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
           std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
           std::toupper(static_cast<unsigned char>(name[2])) == 'M';
}

// A port name is "COMn" or "COMn:" (also as "\\.\COMn"), any letter case; returns 1..1024, or
// 0 for a name that looks like a port name but names no port. Names with a '/' are paths.
bool ParsePortName(std::string name, int& port) {
    if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
    if (name.find('/') != std::string::npos || !StartsWithCom(name)) return false;
    std::string digits = name.substr(3);
    if (!digits.empty() && digits.back() == ':') digits.pop_back();
    port = 0;
    if (digits.empty() || digits.size() > 4) return true;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return true;
    }
    int number = std::stoi(digits);
    port = platform::PortPath(number).empty() ? 0 : number;
    return true;
}

HANDLE FailOpen(DWORD code, int err, const std::string& context) {
    SetLastErrorFromErrno(code, err, context);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

// Serial ports are always opened for exclusive use, read and write, whatever the share mode and
// access asked for. As on CE, there is no overlapped I/O: FILE_FLAG_OVERLAPPED is accepted and
// every call completes before it returns.
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD /*dwDesiredAccess*/, DWORD /*dwShareMode*/,
                   LPVOID /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    if (!lpFileName || !*lpFileName || dwCreationDisposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string name = platform::WideToUtf8(lpFileName);
    std::string path = name;
    int port = 0;
    if (ParsePortName(name, port)) {
        if (port == 0) {
            if (name.back() == ':') name.pop_back();
            return FailOpen(ERROR_FILE_NOT_FOUND, ENODEV, name);
        }
        path = platform::PortPath(port);
    }

    const NetworkScheme* network = FindNetworkScheme(path);
    return OpenSerialHandle(network != nullptr ? network->open(path) : OpenTtyDevice(path), path);
}

namespace platform::detail {

HANDLE OpenSerialHandle(OpenedDevice opened, const std::string& path) {
    if (!opened.device) return INVALID_HANDLE_VALUE;
    int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) return FailOpen(ERROR_NOT_ENOUGH_MEMORY, errno, "eventfd");
    return RegisterHandle(
        std::make_shared<SerialHandle>(std::move(opened.device), wakeFd, path, opened.settings));
}

}  // namespace platform::detail
