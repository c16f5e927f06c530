#include "platform/run_folder.h"

#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/files.h"

namespace platform {

namespace {

// The process id in "<prefix><pid>-<random>"; 0 when the name is not one of ours.
pid_t PidOfName(const std::string& name, const std::string& prefix) {
    if (name.compare(0, prefix.size(), prefix) != 0) return 0;
    long pid = 0;
    size_t i = prefix.size();
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 100000000; ++i)
        pid = pid * 10 + (name[i] - '0');
    if (i == prefix.size() || i >= name.size() || name[i] != '-') return 0;
    return static_cast<pid_t>(pid);
}

}  // namespace

std::string MakeRunFolder(const std::string& parent, const std::string& prefix, int* err) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint32_t r = 0;
        if (::getrandom(&r, sizeof r, GRND_NONBLOCK) != sizeof r)
            r = static_cast<uint32_t>(attempt) * 2654435761u;
        char tail[16];
        std::snprintf(tail, sizeof tail, "-%08x", r);
        const std::string path = parent + "/" + prefix + std::to_string(::getpid()) + tail;
        if (::mkdir(path.c_str(), 0700) == 0) return path;
        if (errno != EEXIST) break;
    }
    if (err) *err = errno;
    return {};
}

int RemoveStaleRunFolders(const std::string& parent, const std::string& prefix) {
    std::vector<DirEntry> entries;
    if (!ListDir(parent, entries)) return 0;
    int removed = 0;
    for (const auto& e : entries) {
        const pid_t pid = PidOfName(e.name, prefix);
        if (!e.isDir || pid <= 0 || pid == ::getpid()) continue;
        // EPERM: the process lives, under another user.
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        if (RemoveTree(parent + "/" + e.name)) ++removed;
    }
    return removed;
}

RunFolderGuard::~RunFolderGuard() {
    if (!m_path.empty()) RemoveTree(m_path);
}

}  // namespace platform
