// The single-copy lock and the exit signals.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/exit_signals.h"
#include "platform/file_lock.h"
#include "support/support.h"

namespace {

using platform::FileLock;

TEST(SingleCopyLock, OneHolderAtATimeAndFreeAgainWhenItIsDropped) {
    testing_support::TempDir dir;
    const std::string path = dir.File("copy.lock");
    FileLock first, second;
    ASSERT_EQ(first.TryAcquire(path), FileLock::Try::kAcquired);
    EXPECT_EQ(second.TryAcquire(path), FileLock::Try::kHeldByOther);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.TryAcquire(path), FileLock::Try::kAcquired);

    int err = 0;
    FileLock nowhere;
    EXPECT_EQ(nowhere.TryAcquire(dir.File("missing/copy.lock"), &err), FileLock::Try::kError);
    EXPECT_NE(err, 0);
}

TEST(ExitSignals, TerminateAndInterruptBecomeReadableInsteadOfEndingTheProcess) {
    ASSERT_GE(platform::ExitSignalDescriptor(), 0);
    EXPECT_EQ(platform::ExitSignalDescriptor(), platform::ExitSignalDescriptor());
    EXPECT_EQ(platform::TakeExitSignal(), 0);
    for (int sig : {SIGTERM, SIGINT}) {
        std::raise(sig);
        EXPECT_EQ(platform::TakeExitSignal(), sig);
        EXPECT_EQ(platform::TakeExitSignal(), 0);
    }
}

}  // namespace
