// A per-user advisory lock held for a whole run: one writer at a time on the data folder and on
// the virtual mouse's state file. The lock file names its holder so the others can say who.
#pragma once

#include <string>

namespace platform {

// How this process names itself in lock files it holds; the process id is added. The default is
// the program's name ("mivora" for the window, "mivora-cli"), so "mivora (pid 42)" is the window.
void SetLockOwner(const std::string& name);

// True when a holder named by FileLock is a process of that program ("mivora (pid 42)").
bool HolderIs(const std::string& holder, const std::string& program);

class FileLock {
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on lockPath (created when missing, never through a symbolic link), waiting
    // at most waitMs. False when another process kept it that long or the file cannot be
    // opened; *holder (when given) then says who holds it ("window (pid 42)"), or why it
    // failed. Taking a lock this object already holds succeeds at once.
    bool Acquire(const std::string& lockPath, int waitMs, std::string* holder = nullptr);
    // One try without waiting (the single-copy lock of the window): kHeldByOther when another
    // process holds it, kError (*err set) when the file cannot be opened or locked.
    enum class Try { kAcquired, kHeldByOther, kError };
    Try TryAcquire(const std::string& lockPath, int* err = nullptr);
    void Release();
    bool Held() const { return m_fd >= 0; }

  private:
    // Marks the lock taken on fd and writes this process's name into the file.
    void Take(int fd);

    int m_fd = -1;
};

}  // namespace platform
