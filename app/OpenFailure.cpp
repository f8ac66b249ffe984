#include "app/OpenFailure.h"

#include "platform/win32.h"

namespace {

// "rw-rw----" for 0660.
std::wstring PermissionBits(unsigned mode) {
    std::wstring bits;
    for (int shift = 6; shift >= 0; shift -= 3) {
        bits += (mode >> shift) & 4 ? L'r' : L'-';
        bits += (mode >> shift) & 2 ? L'w' : L'-';
        bits += (mode >> shift) & 1 ? L'x' : L'-';
    }
    return bits;
}

// The group that may use the device, when one may; else who can change that.
std::wstring AccessAdvice(const std::string& path) {
    const platform::DeviceOwnership device = platform::DescribeDeviceOwnership(path);
    if (!device.known) {
        return L". Add the user to the group that owns the device (usually dialout: sudo "
               L"usermod -aG dialout $USER) and log in again.";
    }
    const std::wstring owner = platform::Utf8ToWide(device.owner);
    const std::wstring group = platform::Utf8ToWide(device.group);
    const std::wstring facts =
        L" (owner " + owner + L", group " + group + L", " + PermissionBits(device.mode) + L")";
    constexpr unsigned kGroupReadWrite = 0060;
    if ((device.mode & kGroupReadWrite) == kGroupReadWrite && device.group != "root") {
        return facts + L". Add the user to the " + group + L" group (sudo usermod -aG " + group +
               L" $USER) and log in again.";
    }
    return facts + L": no group may use it, only " + owner +
           L". Ask the administrator for a udev rule that gives it to a group (GROUP=\"dialout\", "
           L"MODE=\"0660\"), then add the user to that group.";
}

}  // namespace

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
            return device + L": permission denied" + AccessAdvice(path);
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
