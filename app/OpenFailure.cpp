#include "app/OpenFailure.h"

#include "platform/win32.h"

std::wstring DescribeOpenFailure(int nPort, DWORD dwError, const std::string& path,
                                 const std::string& osText) {
    if (path.empty()) {
        return L"No port is selected (port " + std::to_wstring(nPort) +
               L"): choose COM1 to COM6 from the list instead of typing a name.";
    }
    const std::wstring device =
        L"COM" + std::to_wstring(nPort) + L" (" + platform::Utf8ToWide(path) + L")";
    if (!platform::NetworkPortKind(path).empty()) {
        // The platform's text names the URL and says what went wrong on the network.
        const std::string why =
            osText.rfind(path + ": ", 0) == 0 ? osText.substr(path.size() + 2) : osText;
        return device + L": " +
               (why.empty() ? L"could not be reached" : platform::Utf8ToWide(why)) + L".";
    }
    switch (dwError) {
        case ERROR_FILE_NOT_FOUND:
            return device +
                   L": no such device. Connect the printer, or map the port to the device "
                   L"it is on with --port COM" +
                   std::to_wstring(nPort) + L"=PATH (--list-ports shows them).";
        case ERROR_BAD_DEVICE:
            return device +
                   L": not a serial device. Map the port to the device the printer is on with "
                   L"--port COM" +
                   std::to_wstring(nPort) + L"=PATH (--list-ports shows them).";
        case ERROR_ACCESS_DENIED:
            return device +
                   L": permission denied. Add the user to the dialout group "
                   L"(sudo usermod -aG dialout $USER) and log in again.";
        case ERROR_SHARING_VIOLATION: {
            // A lock file names the owner ("in use by process N (lock file F)").
            const std::wstring owner = osText.rfind("in use by process ", 0) == 0
                                           ? L" (" + platform::Utf8ToWide(osText) + L")"
                                           : L"";
            return device + L": busy" + owner +
                   L". Another program has it open; close that program and try again.";
        }
        default:
            return device + L": " +
                   (osText.empty() ? L"could not be opened or set up"
                                   : platform::Utf8ToWide(osText)) +
                   L".";
    }
}
