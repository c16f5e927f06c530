#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace platform {

namespace {

void SetErr(int* err, int value) {
    if (err) *err = value;
}

std::string ParentDir(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, int* err) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetErr(err, errno);
        return false;
    }
    uint8_t buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetErr(err, errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    ::close(fd);
    return true;
}

bool ReadRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, int* err,
                     bool* truncated) {
    out.clear();
    if (truncated) *truncated = false;
    // O_NONBLOCK: opening a FIFO without a writer must not hang; fstat refuses it afterwards.
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        SetErr(err, errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        SetErr(err, errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        SetErr(err, EINVAL);
        ::close(fd);
        return false;
    }
    // One byte beyond the limit tells whether there is more.
    out.resize(maxBytes + 1);
    size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetErr(err, errno);
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > maxBytes) {
        got = maxBytes;
        if (truncated) *truncated = true;
    }
    out.resize(got);
    return true;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool WriteFileAtomic(const std::string& path, const uint8_t* data, size_t size, int* err) {
    static std::atomic<unsigned> counter{0};
    std::string tmp = path + ".tmp" + std::to_string(::getpid()) + "_" +
                      std::to_string(counter.fetch_add(1));
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        SetErr(err, errno);
        return false;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            SetErr(err, errno);
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        SetErr(err, errno);
        ::unlink(tmp.c_str());
        return false;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        SetErr(err, errno);
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable.
    int dfd = ::open(ParentDir(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirs(const std::string& path, int* err) {
    if (path.empty()) return false;
    std::string cur;
    size_t pos = 0;
    while (pos != std::string::npos) {
        size_t next = path.find('/', pos + 1);
        cur = path.substr(0, next);
        if (!cur.empty() && !DirExists(cur)) {
            if (::mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) {
                SetErr(err, errno);
                return false;
            }
        }
        pos = next;
    }
    return DirExists(path);
}

bool RemoveFile(const std::string& path, int* err) {
    if (::unlink(path.c_str()) != 0) {
        SetErr(err, errno);
        return false;
    }
    return true;
}

bool RenamePath(const std::string& from, const std::string& to, int* err) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        SetErr(err, errno);
        return false;
    }
    return true;
}

bool RemoveTree(const std::string& path, int* err) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        SetErr(err, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) return RemoveFile(path, err);
    std::vector<DirEntry> entries;
    ListDir(path, entries);
    bool ok = true;
    for (const auto& e : entries) ok = RemoveTree(path + "/" + e.name, err) && ok;
    if (::rmdir(path.c_str()) != 0) {
        SetErr(err, errno);
        return false;
    }
    return ok;
}

bool ListDir(const std::string& path, std::vector<DirEntry>& out) {
    out.clear();
    DIR* d = ::opendir(path.c_str());
    if (!d) return false;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool isDir = false;
        struct stat st {};
        if (::lstat((path + "/" + name).c_str(), &st) == 0) isDir = S_ISDIR(st.st_mode);
        out.push_back({name, isDir});
    }
    ::closedir(d);
    std::sort(out.begin(), out.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return true;
}

}  // namespace platform
