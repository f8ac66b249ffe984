#include "emulator/link/LinkPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace emu {

namespace {

constexpr char kPtyFolder[] = "/dev/pts/";

std::string ReadLink(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
    return ec ? std::string() : target.string();
}

}  // namespace

std::string PtyHolder(const std::string& device) {
    if (device.rfind(kPtyFolder, 0) != 0) return "";
    const std::string index = device.substr(sizeof kPtyFolder - 1);
    struct stat ours {};
    if (::stat(device.c_str(), &ours) != 0) return "";
    std::error_code ec;
    for (const auto& process : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code unreadable;  // another user's process, or one that just ended
        for (const auto& fd :
             std::filesystem::directory_iterator(process.path() / "fd", unreadable)) {
            const std::string target = ReadLink(fd.path().string());
            if (target != "/dev/ptmx" && target != "/dev/pts/ptmx") continue;
            // A tty index names a pty only within one devpts: a process in another (a container's,
            // a chroot's) may hold the same index. Its own /dev/pts/N must be this one.
            struct stat theirs {};
            if (::stat((process.path() / "root" / device.substr(1)).c_str(), &theirs) != 0 ||
                theirs.st_dev != ours.st_dev || theirs.st_rdev != ours.st_rdev)
                continue;
            std::ifstream info(process.path() / "fdinfo" / fd.path().filename());
            std::string line;
            while (std::getline(info, line)) {
                if (line.rfind("tty-index:", 0) == 0 &&
                    line.substr(line.find_first_not_of(" \t", 10)) == index) {
                    std::string name;
                    std::getline(std::ifstream(process.path() / "comm"), name);
                    return pid + " (" + name + ")";
                }
            }
        }
    }
    return "";
}

bool LinkPath::Make(const std::string& path, const std::string& device, std::string* error) {
    const std::string cannot = "cannot make the link " + path + ": ";
    std::error_code ec;
    const std::filesystem::path link(path);
    const std::filesystem::path folder = link.has_parent_path() ? link.parent_path() : ".";
    if (!std::filesystem::is_directory(folder, ec)) {
        *error = cannot + "the folder " + folder.string() + " does not exist";
        return false;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        const std::string target = S_ISLNK(info.st_mode) ? ReadLink(path) : "";
        struct stat pty {};
        if (!S_ISLNK(info.st_mode)) {
            *error = cannot + "something that is not a link is there; remove it or choose " +
                     "another path";
            return false;
        }
        if (target.rfind(kPtyFolder, 0) != 0) {
            *error = cannot + "it is a link to " + target +
                     ", not to a printer's pseudo-terminal; remove it or choose another path";
            return false;
        }
        if (::stat(target.c_str(), &pty) == 0) {
            const std::string holder = PtyHolder(target);
            *error =
                cannot + "it leads to " + target + ", a pseudo-terminal in use" +
                (holder.empty() ? std::string()
                                : " by process " + holder + ", most likely a running printer") +
                "; stop that one or choose another path";
            return false;
        }
        // Left by a printer that is gone: its pty no longer exists.
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            *error = cannot + std::strerror(errno);
            return false;
        }
    }
    // symlink(2) does not replace: something made there meanwhile is left alone.
    if (::symlink(device.c_str(), path.c_str()) != 0) {
        *error = cannot + std::strerror(errno);
        return false;
    }
    m_path = path;
    m_device = device;
    return true;
}

void LinkPath::Remove() {
    if (m_path.empty()) return;
    struct stat info {};
    if (::lstat(m_path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        ReadLink(m_path) == m_device) {
        ::unlink(m_path.c_str());
    }
    m_path.clear();
}

}  // namespace emu
