#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>  // program_invocation_short_name
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace platform {

namespace {

constexpr int kPollMs = 20;
constexpr size_t kHolderBytes = 200;

std::mutex g_ownerMutex;
// The program's own name ("mivora" for the window, "mivora-cli") unless set otherwise.
std::string g_owner = program_invocation_short_name;

std::string Owner() {
    std::lock_guard<std::mutex> g(g_ownerMutex);
    return g_owner;
}

// What the holder wrote into the file: one line, printable.
std::string ReadHolder(int fd) {
    char buf[kHolderBytes] = {};
    const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    std::string s;
    for (ssize_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(buf[i]);
        if (c == '\n' || c == '\0') break;
        if (c >= 0x20 && c < 0x7F) s += static_cast<char>(c);
    }
    return s.empty() ? "another process" : s;
}

int OpenLockFile(const std::string& lockPath) {
    return ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
}

// 0 when the lock was taken, else the errno of the refusal (EWOULDBLOCK: another holder).
int LockNow(int fd) {
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

}  // namespace

void SetLockOwner(const std::string& name) {
    std::lock_guard<std::mutex> g(g_ownerMutex);
    g_owner = name;
}

bool HolderIs(const std::string& holder, const std::string& program) {
    return holder.rfind(program + " (pid ", 0) == 0;
}

FileLock::~FileLock() {
    Release();
}

void FileLock::Take(int fd) {
    const std::string me = Owner() + " (pid " + std::to_string(::getpid()) + ")\n";
    if (::ftruncate(fd, 0) == 0) {
        const ssize_t written = ::pwrite(fd, me.data(), me.size(), 0);
        (void)written;  // the name is only a courtesy to the waiting process
    }
    m_fd = fd;
}

bool FileLock::Acquire(const std::string& lockPath, int waitMs, std::string* holder) {
    if (m_fd >= 0) return true;
    const int fd = OpenLockFile(lockPath);
    if (fd < 0) {
        if (holder) *holder = "cannot open " + lockPath + ": " + std::strerror(errno);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const int e = LockNow(fd);
        if (e == 0) break;
        if (e != EWOULDBLOCK && e != EINTR) {
            if (holder) *holder = "cannot lock " + lockPath + ": " + std::strerror(e);
            ::close(fd);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            if (holder) *holder = ReadHolder(fd);
            ::close(fd);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    Take(fd);
    return true;
}

FileLock::Try FileLock::TryAcquire(const std::string& lockPath, int* err) {
    if (m_fd >= 0) return Try::kAcquired;
    const int fd = OpenLockFile(lockPath);
    if (fd < 0) {
        if (err) *err = errno;
        return Try::kError;
    }
    int e = 0;
    do {
        e = LockNow(fd);
    } while (e == EINTR);
    if (e != 0) {
        ::close(fd);
        if (err) *err = e;
        return e == EWOULDBLOCK ? Try::kHeldByOther : Try::kError;
    }
    Take(fd);
    return Try::kAcquired;
}

void FileLock::Release() {
    if (m_fd < 0) return;
    // The name goes first: a process that waits reads it only while the lock is held.
    const int cleared = ::ftruncate(m_fd, 0);
    (void)cleared;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

}  // namespace platform
