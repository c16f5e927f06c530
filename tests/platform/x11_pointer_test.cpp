// Plain X11: the libinput pointers' XInput properties (a stand-in at the X call, since Xvfb's
// devices carry none), the real X call path against Xvfb, and Xfce's settings channel.
#include <gtest/gtest.h>

#include <systemd/sd-bus.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/dbus_client.h"
#include "platform/pointer_settings.h"
#include "pointer_test_parts.h"
#include "support/pointer_round_trip.h"

namespace {

using platform_test::FakeXInput;

TEST(X11PointerTest, EveryValueReadsBackOnEveryLibinputPointer) {
    std::map<int, FakeXInput::Dev> devices = {{9, {"Gaming Mouse"}},
                                              {11, {"Old Mouse", {0.5f}, {0, 1}}}};
    auto x11 = platform::MakeX11PointerSettings(std::make_unique<FakeXInput>(&devices));
    testing_support::ExpectEveryValueRoundTrips(*x11);
    ASSERT_TRUE(x11->SetSpeed(7));
    ASSERT_TRUE(x11->SetPrecision(true));
    for (int id : {9, 11}) EXPECT_NEAR(-0.3, devices[id].speed[0], 1e-6) << id;
    // A driver with the custom profile gets three flags, an older one two.
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 0}), devices[9].profiles);
    EXPECT_EQ((std::vector<uint8_t>{1, 0}), devices[11].profiles);
    EXPECT_EQ(0u,
              x11->Supported() & (platform::kPointerDoubleClick | platform::kPointerScrollLines));
}

TEST(X11PointerTest, ARefusedValueNoPointerOrACustomProfileIsNotTaken) {
    std::map<int, FakeXInput::Dev> devices = {{9, {"Gaming Mouse"}}};
    auto x11 = platform::MakeX11PointerSettings(std::make_unique<FakeXInput>(&devices));
    devices[9].refuse = true;
    EXPECT_FALSE(x11->SetSpeed(12));
    EXPECT_FALSE(x11->SetPrecision(false));
    devices[9].refuse = false;
    devices[9].profiles = {0, 0, 1};  // custom: neither of ours
    bool on = false;
    EXPECT_FALSE(x11->GetPrecision(on));
    devices.clear();
    EXPECT_FALSE(x11->SetSpeed(12));
}

TEST(X11PointerTest, TheRealXCallsRunAgainstXvfb) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    const std::string fd = std::to_string(fds[1]);
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>("Xvfb"),     const_cast<char*>("-displayfd"),
                    const_cast<char*>(fd.c_str()), const_cast<char*>("-nolisten"),
                    const_cast<char*>("tcp"),      nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const bool started = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string display;
    char c = 0;
    while (started && read(fds[0], &c, 1) == 1 && c != '\n') display += c;
    close(fds[0]);
    if (display.empty()) {
        if (started) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
        GTEST_SKIP() << "Xvfb is not installed";
    }
    const char* old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    setenv("DISPLAY", (":" + display).c_str(), 1);
    auto x = platform::OpenXInputPointers();
    if (old)
        setenv("DISPLAY", saved.c_str(), 1);
    else
        unsetenv("DISPLAY");
    ASSERT_TRUE(x);
    // Xvfb's virtual pointer has no libinput driver, so nothing here takes the settings.
    EXPECT_TRUE(x->Pointers().empty());
    std::vector<float> v;
    EXPECT_FALSE(x->GetFloats(2, platform::kXAccelSpeed, v));
    auto x11 = platform::MakeX11PointerSettings(std::move(x));
    EXPECT_FALSE(x11->SetSpeed(12));
    int speed = 0;
    EXPECT_FALSE(x11->GetSpeed(speed));
    x11.reset();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Xfce's settings daemon's channel store: org.xfce.Xfconf SetProperty(channel, name, value).
class FakeXfconf : public platform_test::BusService {
  public:
    std::map<std::string, double> values;  // "channel name" -> value

    explicit FakeXfconf(const std::string& address) {
        if (!Open(address)) return;
        sd_bus_add_object_vtable(m_bus, nullptr, "/org/xfce/Xfconf", "org.xfce.Xfconf", kTable,
                                 this);
        Serve("org.xfce.Xfconf");
    }
    ~FakeXfconf() { Stop(); }

  private:
    static int SetProperty(sd_bus_message* m, void* data, sd_bus_error*) {
        const char* channel = nullptr;
        const char* name = nullptr;
        double value = 0;
        int r = sd_bus_message_read(m, "ssv", &channel, &name, "d", &value);
        if (r < 0) return r;
        static_cast<FakeXfconf*>(data)->values[std::string(channel) + " " + name] = value;
        return sd_bus_reply_method_return(m, "");
    }
    static constexpr sd_bus_vtable kTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("SetProperty", "ssv", "", SetProperty, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};
};

TEST(X11PointerTest, XfceKeepsTheSpeedInItsChannelUnderItsDeviceName) {
    platform_test::PrivateBus bus;
    if (bus.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
    FakeXfconf xfconf(bus.Address());
    ASSERT_TRUE(xfconf.Ready());
    std::map<int, FakeXInput::Dev> devices = {{9, {"Maker Gaming Mouse (2.4G)/x"}}};
    auto x11 =
        platform::MakeX11PointerSettings(std::make_unique<FakeXInput>(&devices),
                                         platform::DbusConnection::OpenAddress(bus.Address()));
    ASSERT_TRUE(x11->SetSpeed(15));
    std::lock_guard<std::mutex> lock(xfconf.mutex);
    ASSERT_EQ(1u, xfconf.values.count(
                      "pointers /Maker_Gaming_Mouse_24Gx/Properties/libinput_Accel_Speed"));
    EXPECT_DOUBLE_EQ(
        0.5, xfconf.values["pointers /Maker_Gaming_Mouse_24Gx/Properties/libinput_Accel_Speed"]);
}

}  // namespace
