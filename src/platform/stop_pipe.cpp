#include "platform/stop_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool StopPipe::Open() {
    Close();
    return pipe2(m_fds, O_CLOEXEC) == 0;
}

void StopPipe::Raise() {
    if (m_fds[1] < 0) return;
    const char b = 1;
    if (write(m_fds[1], &b, 1) != 1) {
        // A full pipe already wakes the thread.
    }
}

void StopPipe::Close() {
    for (int& fd : m_fds) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}

bool StopPipe::WaitReadable(int fd) const {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_fds[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        // The byte stays in the pipe, so a later wait ends at once too.
        if (fds[1].revents) return false;
        return true;
    }
}

}  // namespace platform
