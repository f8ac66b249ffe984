#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "app/OpenFailure.h"
#include "tests/support/TempDir.h"

namespace {

TEST(OpenFailure, SaysWhichDeviceAndWhatToDo) {
    struct Case {
        const char* name;
        int port;
        DWORD error;
        const char* path;
        const char* osText;
        std::vector<const wchar_t*> expected;
    } const cases[] = {
        {"no port selected",
         0,
         ERROR_INVALID_PARAMETER,
         "",
         "",
         {L"No port is selected", L"choose COM1 to COM6"}},
        {"missing device",
         3,
         ERROR_FILE_NOT_FOUND,
         "/dev/ttyS2",
         "",
         {L"COM3 (/dev/ttyS2)", L"no such device", L"--port COM3=PATH"}},
        {"not a serial device",
         4,
         ERROR_BAD_DEVICE,
         "/dev/null",
         "",
         {L"COM4 (/dev/null)", L"not a serial device", L"--port COM4=PATH"}},
        {"locked by another program",
         2,
         ERROR_SHARING_VIOLATION,
         "/dev/ttyUSB0",
         "in use by process 4242 (lock file /var/lock/LCK..ttyUSB0)",
         {L"busy (in use by process 4242 (lock file /var/lock/LCK..ttyUSB0))", L"Another program"}},
        {"permission, the device not found",
         1,
         ERROR_ACCESS_DENIED,
         "/dev/ttyUSB0-none",
         "",
         {L"/dev/ttyUSB0-none", L"dialout", L"log in again"}},
        {"permission, a device of the root group only",
         1,
         ERROR_ACCESS_DENIED,
         "/dev/null",
         "",
         {L"(owner root, group root, rw-rw-rw-): no group may use it, only root", L"udev rule"}},
        {"busy",
         2,
         ERROR_SHARING_VIOLATION,
         "/dev/ttyACM0",
         "",
         {L"/dev/ttyACM0", L"busy", L"Another program"}},
        {"other, with the system's words",
         5,
         ERROR_IO_DEVICE,
         "/dev/ttyS4",
         "/dev/ttyS4: 输入/输出错误",
         {L"COM5 (/dev/ttyS4)", L"输入/输出错误"}},
        {"a device server that is not there",
         2,
         ERROR_FILE_NOT_FOUND,
         "rfc2217://10.0.0.5:2217",
         "rfc2217://10.0.0.5:2217: connection refused; nothing listens on port 2217",
         {L"COM2 (rfc2217://10.0.0.5:2217): connection refused; nothing listens on port 2217."}},
        {"other, without words", 5, ERROR_GEN_FAILURE, "/dev/ttyS4", "", {L"could not be opened"}},
    };
    for (const Case& c : cases) {
        const std::wstring text = DescribeOpenFailure(c.port, c.error, c.path, c.osText);
        for (const wchar_t* part : c.expected) {
            EXPECT_NE(text.find(part), std::wstring::npos) << c.name;
        }
    }
}

// The hint names the group that owns the device, whichever it is.
TEST(OpenFailure, PermissionHintNamesTheDevicesGroup) {
    testsupport::TempDir dir;
    const std::string device = (dir / "ttyUSB9").string();
    std::ofstream(device).put('x');
    const group* uucp = ::getgrnam("uucp");
    if (uucp == nullptr || ::chown(device.c_str(), ::geteuid(), uucp->gr_gid) != 0) {
        GTEST_SKIP() << "cannot give a file to the uucp group here";
    }
    ::chmod(device.c_str(), 0660);
    const std::wstring text = DescribeOpenFailure(1, ERROR_ACCESS_DENIED, device, "");
    EXPECT_NE(text.find(L"group uucp, rw-rw----). Add the user to the uucp group (sudo usermod "
                        L"-aG uucp $USER)"),
              std::wstring::npos)
        << platform::WideToUtf8(text);
}

}  // namespace
