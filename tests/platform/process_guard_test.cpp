// The per-user instance lock and the exit signals.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/exit_signals.h"
#include "platform/instance_lock.h"
#include "support/support.h"

namespace {

using platform::InstanceLock;

TEST(InstanceLock, OneHolderAtATimeAndFreeAgainWhenItIsDropped) {
    testing_support::TempDir dir;
    const std::string path = dir.File("copy.lock");
    InstanceLock first, second;
    ASSERT_EQ(first.Acquire(path), InstanceLock::Result::kAcquired);
    EXPECT_EQ(second.Acquire(path), InstanceLock::Result::kHeldByOther);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_EQ(second.Acquire(path), InstanceLock::Result::kAcquired);

    int err = 0;
    InstanceLock nowhere;
    EXPECT_EQ(nowhere.Acquire(dir.File("missing/copy.lock"), &err), InstanceLock::Result::kError);
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
