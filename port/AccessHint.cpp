#include "port/AccessHint.h"

#include <cerrno>

#if !defined(_WIN32)
#include <grp.h>
#include <sys/stat.h>
#endif

std::string AccessHint(const std::string& devicePath, std::uint32_t errorCode) {
#if defined(_WIN32)
    // Windows ports have no owning group to join.
    (void)devicePath;
    (void)errorCode;
    return {};
#else
    if (errorCode != EACCES) {
        return {};
    }
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    struct stat node {};
    const group* owner = ::stat(devicePath.c_str(), &node) == 0 ? ::getgrgid(node.st_gid) : nullptr;
    // Joining root's group, or a group the node does not let read and write, would not help.
    if (owner == nullptr || node.st_gid == 0 || (node.st_mode & kGroupReadWrite) != kGroupReadWrite) {
        return "Ask the administrator for access to the port (serial ports usually belong to the group "
               "dialout).";
    }
    const std::string name = owner->gr_name;
    return "The port belongs to the group " + name + ": join it with \"sudo usermod -aG " + name +
           " $USER\", then log in again.";
#endif
}
