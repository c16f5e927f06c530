// The session: background search, connection check, hot-plug, Bluetooth loss, device events.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/messages.h"
#include "device/device_commands.h"
#include "device/link_state.h"
#include "device/session_state.h"
#include "virtual_fixture.h"

namespace device_test {
namespace {

using Clock = std::chrono::steady_clock;

class FakeProfile : public ProfileReaderHook {
  public:
    int ReadProfile(CUSBDriver& link) override {
        sawProfileReady = g_bProfileReady.load();
        uint8_t b[8];
        ++reads;
        return ReadEEPROM(0, link, b, 8);
    }
    const void* CurrentProfile() override { return current; }
    const void* FirstProfile() override { return first; }
    bool StageDpi(int stage, int& x, int& y) override {
        x = 800 * (stage + 1);
        y = 400 * (stage + 1);
        return true;
    }
    void SetCurrentDpiLevel(int stage) override { level = stage; }
    int ReadLighting(CUSBDriver&) override {
        ++lightingReads;
        return 1;
    }
    int record = 0;
    const void* current = &record;
    const void* first = &record;
    std::atomic<int> reads{0};
    int lightingReads = 0;
    int level = -1;
    int sawProfileReady = -1;
};

class SessionTest : public VirtualTest {
  protected:
    void SetUp() override {
        VirtualTest::SetUp();
        session.m_nFindFirstDelayMs = 5;
        session.m_nFindIntervalMs = 40;
        session.m_nRemovalSettleMs = 20;
        link.m_nBluetoothLossDelayMs = 30;
    }
    void TearDown() override { session.Stop(); }
    // Identification as the window handles it: search, then 0x7F5.
    void Identify() {
        g_bSearchDevice = 1;
        ASSERT_EQ(session.SearchOnce(), 1);
        session.OnFindDeviceOK(1);
        session.WaitProfileRead();
        sink.Clear();
    }

    RecordingWindow window;
    FakeProfile profile;
    DeviceSession session{link, &sink, &window, &profile};
};

TEST_F(SessionTest, BackgroundSearchFindsTheMouseAndStopsCleanly) {
    g_DeviceModels[0].DevTy = 1;  // receiver only: searching ends
    Plug();
    session.Start();
    PostedMessage m;
    ASSERT_TRUE(sink.WaitFor(WM_FIND_DEVICE_OK, m, 3000));
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_EQ(g_bSearchDevice.load(), 0);
    session.OnFindDeviceOK(static_cast<int>(m.wParam));
    session.WaitProfileRead();
    EXPECT_EQ(profile.sawProfileReady, 0);
    EXPECT_EQ(g_bProfileReady.load(), 1);
    EXPECT_EQ(profile.reads.load(), 1);
    EXPECT_TRUE(window.Has("layout"));
    EXPECT_TRUE(window.Has("profile"));

    session.m_nFindIntervalMs = 3000;
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const auto t0 = Clock::now();
    session.Stop();
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(300));
}

TEST_F(SessionTest, ReceiverLinkOfABluetoothModelKeepsSearchingAndMovesToBluetooth) {
    Plug(kCid, kMid, sim::LinkKind::kReceiver);
    g_bSearchDevice = 1;
    EXPECT_EQ(session.SearchOnce(), 1);
    EXPECT_EQ(link.m_bFindFlag.load(), 2);
    EXPECT_EQ(g_bSearchDevice.load(), 1);
    const std::string receiverPath = link.CmdPath();

    EXPECT_EQ(session.SearchOnce(), 0);  // only Bluetooth interfaces are probed now
    Plug(kCid, kMid, sim::LinkKind::kBluetooth);
    EXPECT_EQ(session.SearchOnce(), 1);
    EXPECT_EQ(link.m_bBluetooth.load(), 1);
    EXPECT_NE(link.CmdPath(), receiverPath);
    EXPECT_EQ(g_bSearchDevice.load(), 0);
    PostedMessage m;
    int found = 0;
    while (sink.Take(m, 0))
        if (m.msg == WM_FIND_DEVICE_OK) ++found;
    EXPECT_EQ(found, 2);
    uint8_t b[4];
    EXPECT_EQ(ReadEEPROM(0, link, b, 4), 1);
}

TEST_F(SessionTest, TwoMiceEndTheProgram) {
    Plug();
    Plug();
    g_bSearchDevice = 1;
    EXPECT_EQ(session.SearchOnce(), 2);
    sink.Clear();
    session.OnFindDeviceOK(2);
    EXPECT_EQ(window.Calls(), (std::vector<std::string>{"msg:tc_msg36"}));
    PostedMessage m;
    ASSERT_TRUE(sink.Take(m, 0));
    EXPECT_EQ(m.msg, WM_CLOSE_MSG);
    EXPECT_EQ(profile.reads.load(), 0);
}

// Without a mouse nothing is being read: an action says so instead of "still reading" for ever,
// and the window learns each state as the search, the read and the removal change it.
TEST_F(SessionTest, WithoutAMouseActionsSayNoMouseAndTheStateFollowsThePlug) {
    g_bSearchDevice = 1;
    EXPECT_EQ(session.SearchOnce(), 0);
    EXPECT_EQ(CurrentLinkState(link), LinkState::kNoMouse);
    EXPECT_EQ(session.IsMouseOnline(true), 0);
    EXPECT_TRUE(window.Has("msg:tc_msg4"));
    EXPECT_FALSE(window.Has("msg:tc_msg20"));

    const int mouse = Plug();
    Identify();
    session.WaitProfileRead();
    EXPECT_EQ(CurrentLinkState(link), LinkState::kConnected);
    EXPECT_EQ(session.IsMouseOnline(true), 1);

    backend.Unplug(mouse);
    session.Start();
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (CurrentLinkState(link) != LinkState::kNoMouse && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(CurrentLinkState(link), LinkState::kNoMouse);
}

TEST_F(SessionTest, ConnectionCheckBeforeActions) {
    // No mouse: said so, before any read as after one; never "still reading".
    EXPECT_EQ(session.IsMouseOnline(true), 0);
    EXPECT_TRUE(window.Has("msg:tc_msg4"));
    g_bProfileReady = 1;
    EXPECT_EQ(session.IsMouseOnline(true), 0);
    EXPECT_FALSE(window.Has("msg:tc_msg20"));
    g_Config.GoWithNoDev = 1;
    EXPECT_EQ(session.IsMouseOnline(true), 1);
    g_Config.GoWithNoDev = 0;

    // Identified and its settings not read yet: that is when the read is waited for.
    Plug();
    g_bProfileReady = 0;
    g_bSearchDevice = 1;
    ASSERT_EQ(session.SearchOnce(), 1);
    EXPECT_EQ(session.IsMouseOnline(true), 0);
    EXPECT_TRUE(window.Has("msg:tc_msg20"));
    session.OnFindDeviceOK(1);
    session.WaitProfileRead();
    EXPECT_EQ(session.IsMouseOnline(true), 1);  // ApplyNow 0: not checked
    g_Config.ApplyNow = 1;
    EXPECT_EQ(session.IsMouseOnline(true), 1);

    // A mouse that stopped answering sends the session back to searching, and the user is
    // told that it was disconnected.
    backend.SetReachable(0, false);
    g_bSearchDevice = 0;
    link.m_bFindFlag = 2;
    window.Clear();
    EXPECT_EQ(session.IsMouseOnline(true), 0);
    EXPECT_TRUE(window.Has("msg:tc_msg19"));
    EXPECT_TRUE(log.Contains("IsMouseOnline: Re-search"));
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(link.m_Found.Occupied(), 0);
    EXPECT_EQ(g_bSearchDevice.load(), 1);
    EXPECT_EQ(link.m_bFindFlag.load(), 0);
}

TEST_F(SessionTest, APermissionRefusalIsToldOnceUntilTheUserActs) {
    Plug();
    backend.SetOpenDenied(0, true);
    g_bSearchDevice = 1;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(session.SearchOnce(), 0);
    EXPECT_EQ(CurrentLinkState(link), LinkState::kNoPermission);
    // Searches and actions do not repeat it: the window keeps a line while it lasts.
    EXPECT_EQ(session.IsMouseOnline(true), 0);
    EXPECT_EQ(window.Count("permission"), 1);
    EXPECT_FALSE(window.Has("msg:tc_msg4"));

    // The user installed the rule: the search runs at once (not after its pause) and a
    // refusal found then is told again.
    session.m_nFindFirstDelayMs = 60000;
    session.Start();
    session.SearchAgain();
    for (int i = 0; i < 200 && window.Count("permission") < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(window.Count("permission"), 2);

    backend.SetOpenDenied(0, false);
    session.SearchAgain();
    for (int i = 0; i < 200 && !link.IsConnected(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(link.IsConnected());
    session.Stop();
}

TEST_F(SessionTest, ReceiverRemovalAndArrival) {
    Plug();
    Identify();

    // Another USB device: logged, nothing else.
    session.OnDeviceChange(false, "USB#VID_046D&PID_C52B#5&abc");
    EXPECT_TRUE(log.Contains("arrive device:  USB#VID_046D&PID_C52B#5&abc"));
    EXPECT_FALSE(log.Contains("Device OUT"));

    // Another receiver of our kind left: ours still answers, the session goes on.
    session.OnDeviceChange(false, "usb#vid_1209&pid_0007#other");
    EXPECT_TRUE(log.Contains("Device OUT"));
    EXPECT_TRUE(link.IsConnected());

    backend.Unplug(0);
    session.OnDeviceChange(false, "USB#VID_1209&PID_0007#VIRTUAL0");
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(link.m_Found.Occupied(), 0);
    EXPECT_EQ(g_bSearchDevice.load(), 1);
    EXPECT_TRUE(window.Has("clear-connection"));

    g_bSearchDevice = 0;
    backend.Replug(0);
    session.OnDeviceChange(true, "USB#VID_1209&PID_0007#VIRTUAL0");
    EXPECT_TRUE(log.Contains("Device IN"));
    EXPECT_EQ(g_bSearchDevice.load(), 1);
    EXPECT_EQ(session.SearchOnce(), 1);
}

TEST_F(SessionTest, NotificationsFromTheBackendReachTheSession) {
    Plug();
    Identify();
    auto notifications = backend.MakeNotifications();
    ASSERT_TRUE(session.Start(notifications.get()));
    g_bSearchDevice = 0;
    backend.Unplug(0);
    // The handle is cleared before searching is switched back on: wait for the whole removal.
    for (int i = 0; i < 100 && (link.IsConnected() || g_bSearchDevice.load() != 1); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(g_bSearchDevice.load(), 1);
    session.Stop();
}

TEST_F(SessionTest, LostBluetoothLinkLeadsToANewSearch) {
    Plug(kCid, kMid, sim::LinkKind::kBluetooth);
    Identify();
    g_Config.ApplyNow = 1;
    backend.Unplug(0);
    PostedMessage m;
    ASSERT_TRUE(sink.WaitFor(WM_BLUETOOTH_OUT, m, 2000));
    session.OnBluetoothOut();
    EXPECT_TRUE(window.Has("clear-bluetooth"));
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(g_bSearchDevice.load(), 1);
    EXPECT_FALSE(window.Has("msg:tc_msg4"));  // the loss is not reported as a message
}

TEST_F(SessionTest, DeviceEventsUpdateStageAndLighting) {
    Plug();
    Identify();
    g_Config.Pop = 1;
    session.OnDeviceBehavior(2, 1);
    EXPECT_EQ(profile.level, 2);
    EXPECT_TRUE(window.Has("popup:DPI-3|2400|"));
    EXPECT_TRUE(window.Has("stage:2"));

    profile.level = -1;
    session.OnDeviceBehavior(5, 1);  // beyond the model's 3 stages
    EXPECT_EQ(profile.level, -1);

    g_DeviceModels[0].Sensor = 0x3360;
    int other = 0;
    profile.current = &other;  // not the first profile: the window does not mark the stage
    session.OnDeviceBehavior(0x11, 1);
    EXPECT_EQ(profile.level, 1);
    EXPECT_TRUE(window.Has("popup:DPI-2|X 1600|Y 800"));
    EXPECT_FALSE(window.Has("stage:1"));

    session.OnDeviceBehavior(0, 2);
    EXPECT_EQ(profile.lightingReads, 1);
    EXPECT_TRUE(window.Has("lighting"));

    // The button on the mouse arrives as 0x7EB through the reader thread.
    backend.PressDpiButton(0);
    PostedMessage m;
    ASSERT_TRUE(sink.WaitFor(WM_DEVICE_BEHAVIOR, m, 2000));
    EXPECT_EQ(m.lParam, 1);
}

TEST_F(SessionTest, DeviceEventWithoutProfileOrDeviceIsIgnored) {
    profile.current = nullptr;
    session.OnDeviceBehavior(1, 1);
    EXPECT_EQ(profile.level, -1);
    EXPECT_TRUE(log.Contains("return.  pFile=0x0"));
}

}  // namespace
}  // namespace device_test
