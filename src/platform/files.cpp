#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

namespace {

bool ReadRegular(const std::string& path, size_t maxBytes, bool followLinks,
                 std::vector<uint8_t>& out, int* err, bool* truncated) {
    out.clear();
    if (truncated) *truncated = false;
    // O_NONBLOCK: opening a FIFO without a writer must not hang; fstat refuses it afterwards.
    int fd = ::open(path.c_str(),
                    O_RDONLY | (followLinks ? 0 : O_NOFOLLOW) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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

}  // namespace

std::string FileErrorText(int err) {
    if (err == EINVAL) return "not a regular file";
    if (err == ELOOP) return "a symbolic link, not followed";
    return std::strerror(err);
}

bool ReadRegularFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, int* err,
                     bool* truncated) {
    return ReadRegular(path, maxBytes, false, out, err, truncated);
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

namespace {

constexpr char kTempPrefix[] = ".mivora-";
constexpr char kTempSuffix[] = ".tmp";
constexpr size_t kTempRandomChars = 12;

// A random part for a temporary name; falls back to the clock when the kernel has no entropy yet.
std::string RandomHex(size_t chars) {
    uint8_t bytes[16] = {};
    size_t want = (chars + 1) / 2;
    if (want > sizeof bytes) want = sizeof bytes;
    if (::getrandom(bytes, want, GRND_NONBLOCK) != static_cast<ssize_t>(want)) {
        struct timespec ts {};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        uint64_t v = static_cast<uint64_t>(ts.tv_nsec) ^ (static_cast<uint64_t>(ts.tv_sec) << 20) ^
                     (static_cast<uint64_t>(::getpid()) << 40);
        for (size_t i = 0; i < want; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * (i % 8)));
    }
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < want && out.size() < chars; ++i) {
        out += kHex[bytes[i] >> 4];
        if (out.size() < chars) out += kHex[bytes[i] & 15];
    }
    return out;
}

// Creates a new temporary file in dir, as mkstemp does but never through a symbolic link.
int CreateTempFile(const std::string& dir, mode_t mode, std::string& tmp, int* err) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = dir + "/" + kTempPrefix + RandomHex(kTempRandomChars) + kTempSuffix;
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    SetErr(err, errno);
    return -1;
}

}  // namespace

bool IsTempFileName(const std::string& name) {
    const size_t pre = sizeof kTempPrefix - 1, suf = sizeof kTempSuffix - 1;
    if (name.size() != pre + kTempRandomChars + suf) return false;
    if (name.compare(0, pre, kTempPrefix) != 0) return false;
    if (name.compare(name.size() - suf, suf, kTempSuffix) != 0) return false;
    for (size_t i = pre; i < pre + kTempRandomChars; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

namespace {

// Moves the finished temporary file to path: over what is there when replace is set, else only
// when nothing has that name (EEXIST otherwise, also when another process got there first).
int PutInPlace(const std::string& tmp, const std::string& path, bool replace) {
    if (replace) return ::rename(tmp.c_str(), path.c_str()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without that rename: a hard link is just as exclusive.
    if (::link(tmp.c_str(), path.c_str()) != 0) return errno;
    ::unlink(tmp.c_str());
    return 0;
}

bool WriteViaTemp(const std::string& path, const uint8_t* data, size_t size, int* err,
                  bool replace) {
    if (!data && size) {
        SetErr(err, EINVAL);
        return false;
    }
    // The new file keeps the mode of the one it replaces; a new file gets 0644 less the umask.
    bool keepMode = false;
    mode_t mode = 0644;
    struct stat old {};
    if (::lstat(path.c_str(), &old) == 0) {
        if (!replace) {
            SetErr(err, EEXIST);
            return false;
        }
        if (S_ISREG(old.st_mode)) {
            keepMode = true;
            mode = old.st_mode & 07777;
        } else if (!S_ISLNK(old.st_mode)) {
            SetErr(err, EINVAL);
            return false;
        }
    } else if (errno != ENOENT) {
        SetErr(err, errno);
        return false;
    }
    const std::string dir = ParentDir(path);
    std::string tmp;
    int fd = CreateTempFile(dir, keepMode ? 0600 : 0644, tmp, err);
    if (fd < 0) return false;
    auto fail = [&](int e) {
        SetErr(err, e);
        if (fd >= 0) ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    };
    // fchmod, not the open mode, so the umask does not narrow the replaced file's mode.
    if (keepMode && ::fchmod(fd, mode) != 0) return fail(errno);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) return fail(errno);
    int closed = ::close(fd);
    fd = -1;
    if (closed != 0) return fail(errno);
    if (const int e = PutInPlace(tmp, path, replace)) return fail(e);
    // Make the rename itself durable.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, const uint8_t* data, size_t size, int* err) {
    return WriteViaTemp(path, data, size, err, true);
}

bool WriteNewFile(const std::string& path, const uint8_t* data, size_t size, int* err) {
    return WriteViaTemp(path, data, size, err, false);
}

int RemoveStaleTempFiles(const std::string& folder, bool recursive, int minAgeSeconds) {
    std::vector<DirEntry> entries;
    if (!ListDir(folder, entries)) return 0;
    const time_t now = ::time(nullptr);
    int removed = 0;
    for (const auto& e : entries) {
        const std::string full = folder + "/" + e.name;
        if (e.isDir) {
            if (recursive) removed += RemoveStaleTempFiles(full, true, minAgeSeconds);
            continue;
        }
        if (!IsTempFileName(e.name)) continue;
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < minAgeSeconds) continue;
        if (::unlink(full.c_str()) == 0) ++removed;
    }
    return removed;
}

int RemoveStaleTempFilesBeside(const std::string& path) {
    return RemoveStaleTempFiles(ParentDir(path), false);
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

bool CopyTree(const std::string& from, const std::string& to, size_t maxFileBytes, int* err) {
    std::vector<DirEntry> entries;
    if (!ListDir(from, entries)) {
        SetErr(err, errno);
        return false;
    }
    if (!MakeDirs(to, err)) return false;
    for (const auto& e : entries) {
        const std::string src = from + "/" + e.name, dst = to + "/" + e.name;
        if (e.isDir) {
            if (!CopyTree(src, dst, maxFileBytes, err)) return false;
            continue;
        }
        struct stat st {};
        if (::lstat(src.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        std::vector<uint8_t> data;
        bool longer = false;
        int e2 = 0;
        if (!ReadRegular(src, maxFileBytes, false, data, &e2, &longer)) {
            if (e2 == EINVAL || e2 == ELOOP) continue;  // replaced meanwhile by what is skipped
            SetErr(err, e2);
            return false;
        }
        if (longer) continue;
        if (!WriteNewFile(dst, data.data(), data.size(), err)) return false;
    }
    return true;
}

bool ReadRegularFilePrefix(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out,
                           bool followLinks, int* err, bool* truncated) {
    return ReadRegular(path, maxBytes, followLinks, out, err, truncated);
}

}  // namespace platform
