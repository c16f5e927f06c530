// The profile side of the device session: the read after identification and device events.
#include <gtest/gtest.h>

#include "device/device_session.h"
#include "device_profile_fixture.h"
#include "profile/profile_session.h"

namespace profile_test {
namespace {

using SessionHookTest = DeviceProfileTest;

TEST_F(SessionHookTest, TheSessionsReadFillsTheCurrentProfileAndLightingEventsUpdateIt) {
    const uint8_t led[7] = {3, 0x10, 0x20, 0x30, 1, 2, 0};
    ASSERT_TRUE(backend->WriteMemory(0, 0x35, led, 7));
    ProfileSessionHook hook;
    QueueMessageSink window;
    DeviceSession session(*link, &window, nullptr, &hook);
    testing_support::LogCapture log;
    session.StartReadCurCfg();
    session.WaitProfileRead();
    EXPECT_EQ(1, g_bProfileReady.load());
    EXPECT_TRUE(log.Contains("Init Pro OK"));
    EXPECT_EQ(3u, Current().lightMode);
    EXPECT_EQ(0x302010u, Current().lightColor);

    const uint8_t led2[7] = {5, 0, 0, 0, 1, 2, 0};
    ASSERT_TRUE(backend->WriteMemory(0, 0x35, led2, 7));
    session.OnDeviceBehavior(0, 2);
    EXPECT_EQ(5u, Current().lightMode);
    session.OnDeviceBehavior(2, 1);
    EXPECT_EQ(2, g_nCurDpiLevel.load());
    session.Stop();
}

TEST_F(SessionHookTest, AFailedReadLeavesTheProfileAsItWas) {
    ProfileSessionHook hook;
    const ProfileRecord before = Current();
    backend->Unplug(0);
    EXPECT_EQ(0, hook.ReadProfile(*link));
    EXPECT_EQ(before, Current());
    g_ProfileList.Clear();
    EXPECT_EQ(-1, hook.ReadProfile(*link));
}

}  // namespace
}  // namespace profile_test
