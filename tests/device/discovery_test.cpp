// Finding, pairing and identifying mice on the virtual backend.
#include <gtest/gtest.h>

#include "device/device_commands.h"
#include "device/device_discovery.h"
#include "virtual_fixture.h"

namespace device_test {
namespace {

TEST(DiscoveryText, VendorFilterAndReceiverPathIgnoreCase) {
    ResetDeviceConfig();
    g_Config.VID = 0x1234;
    EXPECT_EQ(VendorIdText(), "1234");
    EXPECT_TRUE(IsReceiverPath("\\\\?\\HID#VID_1234&PID_0007&MI_01#7&abc"));
    EXPECT_TRUE(IsReceiverPath("hid#Vid_1234&pid_0007"));
    EXPECT_FALSE(IsReceiverPath("hid#{00001124-0000}_vid&00021234_pid&0008"));
    EXPECT_FALSE(IsReceiverPath("hid#vid_1235&pid_0007"));

    FakeHid hid;
    for (int i = 0; i < 60; ++i) {
        platform::HidInterfaceInfo info;
        info.path =
            (i % 2) ? "hid#VID_1234&pid_" + std::to_string(i) : "hid#vid_9999&" + std::to_string(i);
        info.productId = (i % 4 == 1) ? kPid : kPidBt;
        hid.interfaces.push_back(info);
    }
    const auto list = EnumHidInterfaces(hid, VendorIdText());
    EXPECT_EQ(list.size(), 30u);
    for (int i = 0; i < 45; ++i) {
        platform::HidInterfaceInfo info;
        info.path = "hid#vid_1234&x" + std::to_string(i);
        info.productId = kPid;
        hid.interfaces.push_back(info);
    }
    EXPECT_EQ(EnumHidInterfaces(hid, VendorIdText()).size(), 50u);
}

TEST(DiscoveryText, OtherProductsOfTheSharedVendorIdAreNeverOpened) {
    ResetDeviceConfig();
    FakeHid hid;
    for (int pid : {kPid, 0x0001, kPidBt, 0x6666}) {
        platform::HidInterfaceInfo info;
        info.path = "hid#vid_1209&pid_" + std::to_string(pid);
        info.productId = pid;
        hid.interfaces.push_back(info);
    }
    const auto list = EnumHidInterfaces(hid, VendorIdText());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].productId, kPid);
    EXPECT_EQ(list[1].productId, kPidBt);
    // Nothing configured: every product of the vendor is tried.
    g_Config.PID = g_Config.PIDBT = 0;
    EXPECT_EQ(EnumHidInterfaces(hid, VendorIdText()).size(), 4u);
}

TEST_F(VirtualTest, FindsAndIdentifiesOneMouse) {
    for (auto kind : {sim::LinkKind::kReceiver, sim::LinkKind::kBluetooth}) {
        log.Clear();
        ResetDeviceConfig();
        sim::VirtualMouseBackend b;
        b.SetLatency(std::chrono::microseconds(0));
        sim::VirtualMouseSetup s;
        s.cid = kCid;
        s.mid = kMid;
        s.link = kind;
        std::string error;
        ASSERT_EQ(b.AddMouse(s, error), 0) << error;
        pSensorCfg = nullptr;
        CUSBDriver l(b, &sink);
        ASSERT_EQ(FindDev(l), 1);
        EXPECT_EQ(l.m_nDevNum.load(), 1);
        EXPECT_EQ(pSensorCfg.load(), &g_DeviceModels[0]);
        EXPECT_TRUE(l.IsConnected());
        EXPECT_EQ(l.m_bBluetooth.load(), kind == sim::LinkKind::kBluetooth ? 1 : 0);
        EXPECT_EQ(l.m_Found.Occupied(), 1);
        EXPECT_TRUE(log.Contains("FindDevice OK, cid=21, mid=7"));
        EXPECT_TRUE(log.Contains("CheckPsd=1, hCmd="));
        // The pair really is one mouse: a command on it is answered through the reader.
        uint8_t mem[8];
        EXPECT_EQ(ReadEEPROM(0, l, mem, 8), 1);
        EXPECT_EQ(GetConnectStatus(l.m_hCmd, l), 1);
        // A second search does not reopen the current interfaces.
        EXPECT_EQ(FindDev(l), 0);
        EXPECT_EQ(l.m_Found.Occupied(), 1);
    }
}

TEST_F(VirtualTest, CandidatesThatFailAreGivenUp) {
    struct Case {
        int cid, mid;
        sim::LinkKind kind;
        int findFlag;
        bool reachable;
        const char* why;
    } cases[] = {
        {0x55, 0x01, sim::LinkKind::kReceiver, 0, true, "* Give up device"},  // no model
        {0, 0, sim::LinkKind::kReceiver, 0, true, "CheckPsd=-1"},
        {kCid, kMid, sim::LinkKind::kReceiver, 0, false, "* Give up device"},  // switched off
        {kCid, kMid, sim::LinkKind::kReceiver, 2, true, "FindDev: m_nDevNum=1, m_bFindFlag=2"},
        {kCid, kMid, sim::LinkKind::kBluetooth, 1, true, "FindDev: m_nDevNum=1, m_bFindFlag=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        log.Clear();
        sim::VirtualMouseBackend b;
        b.SetLatency(std::chrono::microseconds(0));
        sim::VirtualMouseSetup s;
        s.cid = c.cid;
        s.mid = c.mid;
        s.link = c.kind;
        std::string error;
        ASSERT_EQ(b.AddMouse(s, error), 0) << error;
        b.SetReachable(0, c.reachable);
        CUSBDriver l(b, &sink);
        l.m_bFindFlag = c.findFlag;
        EXPECT_EQ(FindDev(l), 0);
        EXPECT_FALSE(l.IsConnected());
        EXPECT_EQ(l.m_Found.Occupied(), 0);
        EXPECT_TRUE(log.Contains(c.why));
    }
}

TEST_F(VirtualTest, TwoMiceMakeNeitherCurrent) {
    DeviceModel& second = g_DeviceModels[1];
    second = g_DeviceModels[0];
    second.MID = 0x08;
    Plug(kCid, kMid);
    Plug(kCid, 0x08);
    EXPECT_EQ(FindDev(link), 2);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(link.m_Found.Occupied(), 2);
    EXPECT_EQ(link.m_Found.Current(), -1);
    EXPECT_EQ(pSensorCfg.load(), &second);  // the one probed last
}

TEST_F(VirtualTest, ASixthMouseFindsNoSlot) {
    for (int i = 0; i < 6; ++i) Plug();
    EXPECT_EQ(FindDev(link), 5);
    EXPECT_EQ(link.m_Found.Occupied(), 5);
    EXPECT_EQ(CountLines(log, "* Give up device"), 1);
    CloseFoundDevices(link, true);
    EXPECT_EQ(link.m_Found.Occupied(), 0);
}

}  // namespace
}  // namespace device_test
