#include "port/PortHolders.h"

#include <fstream>
#include <optional>
#include <system_error>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#if !defined(_WIN32)
// The device behind a path or an open file's link: the same node whatever name leads to it
// (/dev/serial/by-id links included).
bool SameDevice(const fs::path& path, dev_t device) {
    struct stat node {};
    return ::stat(path.c_str(), &node) == 0 && S_ISCHR(node.st_mode) && node.st_rdev == device;
}

std::string ProgramName(const fs::path& process) {
    std::ifstream comm(process / "comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// The number of a pseudo-terminal's slave (/dev/pts/N: majors 136 to 143); none for other devices.
std::optional<unsigned> PtyIndex(dev_t device) {
    constexpr unsigned kFirstPtsMajor = 136;
    constexpr unsigned kPtsMajors = 8;
    const unsigned major = ::major(device);
    if (major < kFirstPtsMajor || major >= kFirstPtsMajor + kPtsMajors) {
        return std::nullopt;
    }
    return (major - kFirstPtsMajor) * 256 + ::minor(device);
}

// True when the open file is the master of pseudo-terminal `index` (its fdinfo names the index).
bool IsMasterOf(const fs::path& process, const fs::path& fd, unsigned index) {
    std::error_code error;
    const fs::path target = fs::read_symlink(fd, error);
    if (error || target.filename() != "ptmx") {
        return false;
    }
    std::ifstream info(process / "fdinfo" / fd.filename());
    const std::string wanted = "tty-index:\t" + std::to_string(index);
    for (std::string line; std::getline(info, line);) {
        if (line == wanted) {
            return true;
        }
    }
    return false;
}

// A process that has the device open; for a pseudo-terminal, not the one at its far end (holding its
// master as well): that process is the line itself (a stand-in, a bridge), not a second program on it.
bool HoldsDevice(const fs::path& process, dev_t device) {
    const std::optional<unsigned> pty = PtyIndex(device);
    bool holds = false;
    std::error_code error;
    for (fs::directory_iterator fd(process / "fd", error), end; !error && fd != end; fd.increment(error)) {
        if (pty && IsMasterOf(process, fd->path(), *pty)) {
            return false;
        }
        holds = holds || SameDevice(fd->path(), device);
    }
    return holds;
}
#endif

}  // namespace

std::vector<PortHolder> OtherHoldersOf(const std::string& devicePath, const fs::path& proc) {
    std::vector<PortHolder> holders;
#if defined(_WIN32)
    // Windows opens a port for one program only: there is no second holder to name.
    (void)devicePath;
    (void)proc;
#else
    struct stat node {};
    if (::stat(devicePath.c_str(), &node) != 0 || !S_ISCHR(node.st_mode)) {
        return holders;
    }
    const std::string self = std::to_string(::getpid());
    std::error_code error;
    for (fs::directory_iterator entry(proc, error), end; !error && entry != end; entry.increment(error)) {
        const std::string pid = entry->path().filename().string();
        if (pid == self || pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        if (HoldsDevice(entry->path(), node.st_rdev)) {
            holders.push_back({std::stoi(pid), ProgramName(entry->path())});
        }
    }
#endif
    return holders;
}

std::string SharedPortWarning(const std::string& devicePath) {
    const std::string holders = DescribeHolders(OtherHoldersOf(devicePath));
    return holders.empty()
               ? holders
               : devicePath + " is " + holders + ": close that program, or it takes part of every reply";
}

std::string DescribeHolders(const std::vector<PortHolder>& holders) {
    std::string text;
    for (const PortHolder& holder : holders) {
        text += (text.empty() ? "also open in process " : ", process ") + std::to_string(holder.pid);
        if (!holder.name.empty()) {
            text += " (" + holder.name + ")";
        }
    }
    return text;
}
