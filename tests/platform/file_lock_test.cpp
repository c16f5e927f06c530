// One holder at a time, a bounded wait, and the holder's name for the one that waited.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/file_lock.h"
#include "support/support.h"

namespace {

TEST(FileLock, ASecondProcessWaitsBoundedAndLearnsWhoHoldsIt) {
    testing_support::TempDir dir;
    const std::string path = dir.File("x.lock");
    platform::SetLockOwner("window");
    platform::FileLock held;
    ASSERT_TRUE(held.Acquire(path, 0));
    EXPECT_TRUE(held.Acquire(path, 0)) << "taking it again in the same object";

    // flock locks belong to open files: a child process is another holder.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::SetLockOwner("mivora-cli");
        platform::FileLock other;
        std::string holder;
        const bool got = other.Acquire(path, 100, &holder);
        const std::string expected = "window (pid " + std::to_string(::getppid()) + ")";
        ::_exit(!got && holder == expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    held.Release();
    const pid_t second = ::fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        platform::FileLock other;
        ::_exit(other.Acquire(path, 100) ? 0 : 1);
    }
    ASSERT_EQ(::waitpid(second, &status, 0), second);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "free again after Release";
}

TEST(FileLock, ASymbolicLinkAtTheNameIsNotFollowed) {
    testing_support::TempDir dir;
    const std::string target = dir.Write("target", "keep");
    const std::string path = dir.File("x.lock");
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    platform::FileLock lock;
    std::string why;
    EXPECT_FALSE(lock.Acquire(path, 0, &why));
    EXPECT_NE(why.find(path), std::string::npos) << why;
}

}  // namespace
