#include "platform/exit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform {

namespace {

// Written by the handler: only async-signal-safe use (write to a non-blocking pipe).
int g_exitPipe[2] = {-1, -1};

extern "C" void OnExitSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    // A full pipe already says "end"; a lost byte changes nothing.
    [[maybe_unused]] const ssize_t n = ::write(g_exitPipe[1], &byte, 1);
    errno = saved;
}

int Install() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
    g_exitPipe[0] = fds[0];
    g_exitPipe[1] = fds[1];
    struct sigaction sa = {};
    sa.sa_handler = OnExitSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
    return fds[0];
}

}  // namespace

int ExitSignalDescriptor() {
    static std::once_flag once;
    static int fd = -1;
    std::call_once(once, [] { fd = Install(); });
    return fd;
}

int TakeExitSignal() {
    if (g_exitPipe[0] < 0) return 0;
    int last = 0;
    unsigned char buf[16];
    for (;;) {
        const ssize_t n = ::read(g_exitPipe[0], buf, sizeof buf);
        if (n > 0) {
            last = buf[n - 1];
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    return last;
}

}  // namespace platform
