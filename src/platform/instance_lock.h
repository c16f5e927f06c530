// A per-user lock file that says "a copy of the program runs". The kernel drops the lock when
// the holder ends, however it ends, so a crashed copy never leaves a stale lock behind.
#pragma once

#include <string>

namespace platform {

class InstanceLock {
  public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result { kAcquired, kHeldByOther, kError };
    // Creates path (mode 0600) when missing and takes an exclusive lock on it without
    // waiting. kHeldByOther when another process holds it; kError (err set) when the file
    // cannot be opened or locked for another reason.
    Result Acquire(const std::string& path, int* err = nullptr);
    bool Held() const { return m_fd >= 0; }
    // Drops the lock (the file stays, so that a waiting copy never locks an unlinked file).
    void Release();

  private:
    int m_fd = -1;
};

}  // namespace platform
