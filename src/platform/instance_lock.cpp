#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

InstanceLock::~InstanceLock() {
    Release();
}

InstanceLock::Result InstanceLock::Acquire(const std::string& path, int* err) {
    if (m_fd >= 0) return Result::kAcquired;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (err) *err = errno;
        return Result::kError;
    }
    int r = 0;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        const int e = errno;
        ::close(fd);
        if (err) *err = e;
        return e == EWOULDBLOCK ? Result::kHeldByOther : Result::kError;
    }
    m_fd = fd;
    return Result::kAcquired;
}

void InstanceLock::Release() {
    if (m_fd < 0) return;
    ::close(m_fd);  // closing the only descriptor drops the flock
    m_fd = -1;
}

}  // namespace platform
