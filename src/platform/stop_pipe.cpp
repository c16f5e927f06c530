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
    return Wait(fd, POLLIN, -1) > 0;
}

int StopPipe::Wait(int fd, short events, int timeoutMs) const {
    for (;;) {
        pollfd fds[2] = {{fd, events, 0}, {m_fds[0], POLLIN, 0}};
        const int n = poll(fds, 2, timeoutMs);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        // The byte stays in the pipe, so a later wait ends at once too.
        if (fds[1].revents) return -1;
        return n == 0 ? 0 : fds[0].revents;
    }
}

}  // namespace platform
