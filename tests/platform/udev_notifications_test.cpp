#include "platform/udev_notifications.h"

#include <gtest/gtest.h>

using platform::UsbDeviceNameOf;

namespace {

TEST(UdevNotifications, NamesCarryUpperCaseVendorAndProduct) {
    EXPECT_EQ(UsbDeviceNameOf("1209/7/100", "1-2"), "USB#VID_1209&PID_0007#1-2");
    EXPECT_EQ(UsbDeviceNameOf("46d/c52b/1211", "3-1.4"), "USB#VID_046D&PID_C52B#3-1.4");
    for (const char* bad : {"", "1209", "1209/7", "1209/7/100x", "12345/7/1", "zz/7/1"})
        EXPECT_EQ(UsbDeviceNameOf(bad, "1-2"), "") << bad;
    EXPECT_EQ(UsbDeviceNameOf(nullptr, "1-2"), "");
}

TEST(UdevNotifications, StartsAndStopsCleanly) {
    struct Listener : platform::DeviceNotifications::Listener {
        void OnDeviceChange(bool, const std::string&) override {}
    } listener;
    auto n = platform::MakeUdevNotifications();
    if (!n->Start(&listener)) GTEST_SKIP() << "no udev netlink monitor in this environment";
    EXPECT_FALSE(n->Start(&listener));  // already running
    n->Stop();
    n->Stop();  // a second stop is harmless
    EXPECT_TRUE(n->Start(&listener));
}  // the destructor stops the running monitor

}  // namespace
