// The device link on the real hidraw backend: finding, pairing and identifying the mouse on
// nodes laid out as Linux shows receivers and Bluetooth mice, foreign reports on the same
// node, unplugging, and nodes the user may not open.
#include <chrono>
#include <thread>

#include "core/messages.h"
#include "device/device_commands.h"
#include "device/device_discovery.h"
#include "device/device_session.h"
#include "device/usb_driver.h"
#include "hidraw_fixture.h"
#include "platform/hidraw_sysfs.h"

namespace hidraw_test {
namespace {

using Bytes = std::vector<uint8_t>;

class HidrawLinkTest : public EmulatorTest {
  protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        ResetLinkConfig();
    }
    void TearDown() override {
        session.reset();
        if (link) link->StopServiceThread();
        link.reset();
    }
    bool Start(const std::string& fixture) {
        if (!StartFixture(fixture)) return false;
        link = std::make_unique<CUSBDriver>(*backend, &sink);
        return true;
    }
    void StartSession() {
        session = std::make_unique<DeviceSession>(*link, &sink, nullptr, nullptr);
        session->m_nRemovalSettleMs = 20;
        link->m_nBluetoothLossDelayMs = 30;
    }
    bool WaitUntilConnected() {
        for (int i = 0; i < 300 && !link->IsConnected(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return link->IsConnected();
    }
    // The node number behind an interface name the search chose.
    static int NodeOf(const std::string& path) { return platform::HidrawNodeOfName(path); }

    QueueMessageSink sink;
    std::unique_ptr<CUSBDriver> link;
    std::unique_ptr<DeviceSession> session;
};

TEST_F(HidrawLinkTest, FindsAndPairsTheMouseOnEveryLayout) {
    struct Case {
        const char* fixture;
        int bluetooth;
    } cases[] = {{"a", 0}, {"b", 0}, {"c", 1}, {"d", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("fixture ") + c.fixture);
        ResetLinkConfig();
        pSensorCfg = nullptr;
        hidemu::Emulator e;
        std::string error;
        ASSERT_TRUE(e.Start(c.fixture, MouseSetup(c.fixture), error)) << error;
        e.Mouse().SetLatency(std::chrono::microseconds(0));
        platform::HidrawBackend b(e.SysRoot(), e.DevRoot());
        CUSBDriver l(b, &sink);
        ASSERT_EQ(FindDev(l), 1);
        EXPECT_EQ(l.m_nDevNum.load(), 1);
        EXPECT_EQ(pSensorCfg.load(), &g_DeviceModels[0]);
        EXPECT_EQ(l.m_bBluetooth.load(), c.bluetooth);
        // Both roles sit on the vendor node, whatever else the node carries.
        EXPECT_EQ(NodeOf(l.CmdPath()), e.NodeNumber(e.CommandNode()));
        EXPECT_EQ(NodeOf(l.NotifyPath()), e.NodeNumber(e.NotifyNode()));
        uint8_t mem[8];
        ASSERT_EQ(ReadEEPROM(0x15, l, mem, 8), 1);
        EXPECT_EQ(Bytes(mem, mem + 8), e.Mouse().ReadMemory(0, 0x15, 8));
        EXPECT_EQ(GetConnectStatus(l.m_hCmd, l), 1);
        l.StopServiceThread();
    }
}

TEST_F(HidrawLinkTest, ForeignVendorsAndProductsAreNeverProbed) {
    // e: the vendor collection behind another vendor id; f: behind our vendor id but another
    // product id (the vendor id is shared by unrelated devices).
    for (const char* fixture : {"e", "f"}) {
        SCOPED_TRACE(std::string("fixture ") + fixture);
        hidemu::Emulator e;
        std::string error;
        ASSERT_TRUE(e.Start(fixture, MouseSetup(fixture), error)) << error;
        platform::HidrawBackend b(e.SysRoot(), e.DevRoot());
        CUSBDriver l(b, &sink);
        EXPECT_EQ(FindDev(l), 0);
        EXPECT_FALSE(l.IsConnected());
        EXPECT_EQ(l.m_nDevNum.load(), 0);
        EXPECT_EQ(e.Mouse().Exchanges(0), 0);  // nothing was sent to the device behind them
        l.StopServiceThread();
    }
}

TEST_F(HidrawLinkTest, IdentifiesAndExchangesWhileForeignReportsStream) {
    // a: keys on the vendor node, pointer motion on its own node; c: everything on one node.
    for (const char* fixture : {"a", "c"}) {
        SCOPED_TRACE(std::string("fixture ") + fixture);
        ResetLinkConfig();
        hidemu::Emulator e;
        std::string error;
        ASSERT_TRUE(e.Start(fixture, MouseSetup(fixture), error)) << error;
        e.Mouse().SetLatency(std::chrono::microseconds(0));
        platform::HidrawBackend b(e.SysRoot(), e.DevRoot());
        CUSBDriver l(b, &sink);
        log.Clear();
        e.StartNoise(1000, 500);
        ASSERT_EQ(FindDev(l), 1);
        for (int i = 0; i < 30; ++i) {
            uint8_t mem[8];
            ASSERT_EQ(ReadEEPROM(8 * i, l, mem, 8), 1) << "read " << i;
            EXPECT_EQ(Bytes(mem, mem + 8), e.Mouse().ReadMemory(0, 8 * i, 8));
        }
        const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        EXPECT_EQ(WriteEEPROM(0, 8, l, 0x300, data), 1);
        EXPECT_EQ(e.Mouse().ReadMemory(0, 0x300, 8), Bytes(data, data + 8));
        e.StopNoise();
        l.StopServiceThread();
        EXPECT_GT(e.NoiseQueued(), 50);
        // Foreign reports are no news: the log does not list them one by one.
        EXPECT_LT(log.Lines().size(), 60u);
    }
}

TEST_F(HidrawLinkTest, BluetoothLossAndReturn) {
    ASSERT_TRUE(Start("c"));
    StartSession();
    g_bSearchDevice = 1;
    ASSERT_EQ(session->SearchOnce(), 1);
    EXPECT_EQ(link->m_bBluetooth.load(), 1);
    EXPECT_EQ(g_bSearchDevice.load(), 0);
    const std::string before = link->CmdPath();
    g_bProfileReady = 1;
    g_Config.ApplyNow = 1;

    emu.Unplug();
    PostedMessage m;
    ASSERT_TRUE(sink.WaitFor(WM_BLUETOOTH_OUT, m, 3000));
    session->OnBluetoothOut();
    EXPECT_FALSE(link->IsConnected());
    EXPECT_EQ(g_bSearchDevice.load(), 1);

    emu.Replug();
    ASSERT_EQ(session->SearchOnce(), 1);
    // The kernel hands the lowest number no present node and no open file holds: the same
    // one once the old handles are closed, a new one while the reader thread still holds its
    // file (on a loaded machine). Either way the returning mouse is found by its role.
    EXPECT_NE(link->CmdPath().find("&col01#hidraw"), std::string::npos) << link->CmdPath();
    EXPECT_EQ(link->CmdPath().substr(0, link->CmdPath().rfind('#')),
              before.substr(0, before.rfind('#')));
    uint8_t mem[4];
    EXPECT_EQ(ReadEEPROM(0, *link, mem, 4), 1);
}

TEST_F(HidrawLinkTest, UnplugDuringAWriteFailsItAndReplugFindsTheMouseAgain) {
    ASSERT_TRUE(Start("a"));
    StartSession();
    g_bSearchDevice = 1;
    ASSERT_EQ(session->SearchOnce(), 1);
    g_bProfileReady = 1;

    const Bytes data(384, 0x5A);
    const long start = emu.Mouse().Exchanges(0);
    std::thread unplugger([&] {
        for (int i = 0; i < 5000 && emu.Mouse().Exchanges(0) < start + 10; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        emu.Unplug();
    });
    const int written = WriteEEPROM(0, 384, *link, 0x200, data.data());
    unplugger.join();
    EXPECT_EQ(written, 0);
    EXPECT_NE(emu.Mouse().ReadMemory(0, 0x200, 384), data);

    session->OnDeviceChange(false, emu.UsbDeviceName());
    EXPECT_TRUE(log.Contains("Device OUT"));
    EXPECT_FALSE(link->IsConnected());
    EXPECT_EQ(g_bSearchDevice.load(), 1);

    emu.Replug();
    ASSERT_EQ(session->SearchOnce(), 1);
    EXPECT_EQ(WriteEEPROM(0, 384, *link, 0x200, data.data()), 1);
    EXPECT_EQ(emu.Mouse().ReadMemory(0, 0x200, 384), data);
}

// The kernel reuses freed node numbers: a receiver pulled and put back before the session's next
// look comes back under the very names it had, and the session must still find it again.
TEST_F(HidrawLinkTest, AMouseBackUnderItsOldNodeNumbersIsFoundAgain) {
    ASSERT_TRUE(Start("a"));
    StartSession();
    session->m_nFindFirstDelayMs = 0;
    session->m_nFindIntervalMs = 30;
    session->Start();  // no device notifications: the search notices by itself
    ASSERT_TRUE(WaitUntilConnected());
    const std::string before = link->CmdPath();
    const platform::HidHandle oldHandle = link->m_hCmd.load();

    emu.Unplug();
    emu.Replug(true);
    ASSERT_EQ(emu.NodeNumber(emu.CommandNode()), NodeOf(before));
    // The old handle is dead; the session opens the node anew under the same name.
    for (int i = 0; i < 300 && link->m_hCmd.load() == oldHandle; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(WaitUntilConnected());
    EXPECT_NE(link->m_hCmd.load(), oldHandle);
    EXPECT_EQ(link->CmdPath(), before);
    uint8_t mem[4];
    EXPECT_EQ(ReadEEPROM(0, *link, mem, 4), 1);
    session->Stop();
}

TEST_F(HidrawLinkTest, NodesTheUserMayNotOpenAreCounted) {
    ASSERT_TRUE(Start("a"));
    emu.SetOpenDenied(emu.CommandNode(), true);
    EXPECT_EQ(FindDev(*link), 0);
    EXPECT_GT(link->m_nOpenDenied.load(), 0);
    EXPECT_TRUE(log.Contains("FindDev: no permission on"));

    emu.SetOpenDenied(emu.CommandNode(), false);
    EXPECT_EQ(FindDev(*link), 1);
    EXPECT_EQ(link->m_nOpenDenied.load(), 0);
}

}  // namespace
}  // namespace hidraw_test
