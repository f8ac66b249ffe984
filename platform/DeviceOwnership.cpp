#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include "platform/win32.h"

namespace platform {

DeviceOwnership DescribeDeviceOwnership(const std::string& path) {
    DeviceOwnership ownership;
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return ownership;
    ownership.known = true;
    ownership.mode = info.st_mode & 07777;
    const passwd* user = ::getpwuid(info.st_uid);
    ownership.owner = user != nullptr ? user->pw_name : std::to_string(info.st_uid);
    const group* owners = ::getgrgid(info.st_gid);
    ownership.group = owners != nullptr ? owners->gr_name : std::to_string(info.st_gid);
    return ownership;
}

}  // namespace platform
