// Wakes a thread that sleeps on a descriptor when its owner wants it to end: the watcher
// threads of the focus sources wait on their connection and on this pipe at once.
#pragma once

namespace platform {

class StopPipe {
  public:
    StopPipe() = default;
    StopPipe(const StopPipe&) = delete;
    StopPipe& operator=(const StopPipe&) = delete;
    ~StopPipe() { Close(); }

    bool Open();
    // Wakes every WaitReadable, now and later, until Close.
    void Raise();
    void Close();
    // Sleeps until fd can be read (true), or until Raise or a failing poll (false).
    bool WaitReadable(int fd) const;
    // Sleeps until fd has one of the poll events (its revents), timeoutMs passed (0; -1 waits
    // without end), or until Raise or a failing poll (-1). For a bus connection's own events
    // and timeout.
    int Wait(int fd, short events, int timeoutMs) const;

  private:
    int m_fds[2] = {-1, -1};
};

}  // namespace platform
