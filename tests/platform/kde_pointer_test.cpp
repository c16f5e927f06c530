// KDE Plasma: KWin's input-device interface served on a private bus with the names and types
// KWin declares, and kdeglobals/kcminputrc in a temporary configuration folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/dbus_client.h"
#include "platform/kde_config_file.h"
#include "platform/pointer_settings.h"
#include "platform/xinput_pointers.h"
#include "pointer_test_parts.h"
#include "support/pointer_round_trip.h"
#include "support/support.h"

namespace {

using platform_test::FakeXInput;
using platform_test::PrivateBus;

struct Device {
    std::string sysName, name;
    bool pointer = false, touchpad = false;
    double acceleration = 0, scrollFactor = 1;
    bool flat = false, adaptive = true;
    bool refuse = false;
};

// KWin's org.kde.KWin.InputDevice objects and their manager, served from a thread.
class FakeKwin : public platform_test::BusService {
  public:
    std::map<std::string, Device> devices;
    std::vector<std::string> signals;  // "ConfigChanged /kdeglobals KDE:Key", "notifyChange 3 0"

    explicit FakeKwin(const std::string& address) {
        devices["event3"] = {"event3", "Gaming Mouse", true, false};
        devices["event5"] = {"event5", "Touchpad", true, true, 0.3};
        devices["event7"] = {"event7", "Keyboard", false, false};
        if (!Open(address)) return;
        for (auto& [sys, d] : devices) {
            const std::string path = "/org/kde/KWin/InputDevice/" + sys;
            sd_bus_add_object_vtable(m_bus, nullptr, path.c_str(), "org.kde.KWin.InputDevice",
                                     kDeviceTable, &d);
        }
        sd_bus_add_object_vtable(m_bus, nullptr, "/org/kde/KWin/InputDevice",
                                 "org.kde.KWin.InputDeviceManager", kManagerTable, this);
        for (const char* path : {"/kdeglobals", "/kcminputrc"})
            sd_bus_match_signal(m_bus, nullptr, nullptr, path, "org.kde.kconfig.notify",
                                "ConfigChanged", OnConfigChanged, this);
        sd_bus_match_signal(m_bus, nullptr, nullptr, "/KGlobalSettings", "org.kde.KGlobalSettings",
                            "notifyChange", OnNotifyChange, this);
        Serve("org.kde.KWin");
    }
    ~FakeKwin() { Stop(); }
    Device Get(const std::string& sys) {
        std::lock_guard<std::mutex> lock(mutex);
        return devices[sys];
    }
    void Refuse(bool on) {
        std::lock_guard<std::mutex> lock(mutex);
        devices["event3"].refuse = on;
    }
    // Waits up to two seconds for a signal line.
    bool Saw(const std::string& line) {
        for (int i = 0; i < 100; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                for (const auto& s : signals)
                    if (s == line) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

  private:
    static int GetDouble(sd_bus*, const char*, const char*, const char* property,
                         sd_bus_message* reply, void* data, sd_bus_error*) {
        auto* d = static_cast<Device*>(data);
        const double v =
            std::string(property) == "scrollFactor" ? d->scrollFactor : d->acceleration;
        return sd_bus_message_append(reply, "d", v);
    }
    static int SetDouble(sd_bus*, const char*, const char*, const char* property,
                         sd_bus_message* value, void* data, sd_bus_error* error) {
        auto* d = static_cast<Device*>(data);
        double v = 0;
        int r = sd_bus_message_read(value, "d", &v);
        if (r < 0) return r;
        if (d->refuse) return sd_bus_error_set(error, SD_BUS_ERROR_ACCESS_DENIED, "locked");
        (std::string(property) == "scrollFactor" ? d->scrollFactor : d->acceleration) = v;
        return 1;
    }
    static int GetBool(sd_bus*, const char*, const char*, const char* property,
                       sd_bus_message* reply, void* data, sd_bus_error*) {
        auto* d = static_cast<Device*>(data);
        const std::string p = property;
        const bool v = p == "pointer"                          ? d->pointer
                       : p == "touchpad"                       ? d->touchpad
                       : p == "pointerAccelerationProfileFlat" ? d->flat
                                                               : d->adaptive;
        return sd_bus_message_append(reply, "b", static_cast<int>(v));
    }
    static int SetBool(sd_bus*, const char*, const char*, const char* property,
                       sd_bus_message* value, void* data, sd_bus_error* error) {
        auto* d = static_cast<Device*>(data);
        int v = 0;
        int r = sd_bus_message_read(value, "b", &v);
        if (r < 0) return r;
        if (d->refuse) return sd_bus_error_set(error, SD_BUS_ERROR_ACCESS_DENIED, "locked");
        // Like KWin, one profile at a time: setting one clears the other.
        const bool flat = std::string(property) == "pointerAccelerationProfileFlat";
        d->flat = flat ? v != 0 : v == 0;
        d->adaptive = !d->flat;
        return 1;
    }
    static int GetString(sd_bus*, const char*, const char*, const char* property,
                         sd_bus_message* reply, void* data, sd_bus_error*) {
        auto* d = static_cast<Device*>(data);
        return sd_bus_message_append(
            reply, "s", (std::string(property) == "name" ? d->name : d->sysName).c_str());
    }
    static int GetNames(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                        void* data, sd_bus_error*) {
        auto* self = static_cast<FakeKwin*>(data);
        int r = sd_bus_message_open_container(reply, 'a', "s");
        for (const auto& [sys, d] : self->devices)
            if (r >= 0) r = sd_bus_message_append(reply, "s", sys.c_str());
        return r < 0 ? r : sd_bus_message_close_container(reply);
    }
    static int OnConfigChanged(sd_bus_message* m, void* data, sd_bus_error*) {
        auto* self = static_cast<FakeKwin*>(data);
        std::string line = std::string("ConfigChanged ") + sd_bus_message_get_path(m);
        if (sd_bus_message_enter_container(m, 'a', "{saay}") < 0) return 0;
        while (sd_bus_message_enter_container(m, 'e', "saay") > 0) {
            const char* group = nullptr;
            sd_bus_message_read(m, "s", &group);
            sd_bus_message_enter_container(m, 'a', "ay");
            const void* key = nullptr;
            size_t size = 0;
            while (sd_bus_message_read_array(m, 'y', &key, &size) > 0 && size > 0)
                line += std::string(" ") + group + ":" +
                        std::string(static_cast<const char*>(key), size);
            sd_bus_message_exit_container(m);
            sd_bus_message_exit_container(m);
        }
        self->signals.push_back(line);  // the serving thread holds the mutex
        return 0;
    }
    static int OnNotifyChange(sd_bus_message* m, void* data, sd_bus_error*) {
        int32_t a = -1, b = -1;
        sd_bus_message_read(m, "ii", &a, &b);
        static_cast<FakeKwin*>(data)->signals.push_back("notifyChange " + std::to_string(a) + " " +
                                                        std::to_string(b));
        return 0;
    }

    static constexpr sd_bus_vtable kDeviceTable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_PROPERTY("name", "s", GetString, 0, 0),
        SD_BUS_PROPERTY("sysName", "s", GetString, 0, 0),
        SD_BUS_PROPERTY("pointer", "b", GetBool, 0, 0),
        SD_BUS_PROPERTY("touchpad", "b", GetBool, 0, 0),
        SD_BUS_WRITABLE_PROPERTY("pointerAcceleration", "d", GetDouble, SetDouble, 0, 0),
        SD_BUS_WRITABLE_PROPERTY("pointerAccelerationProfileFlat", "b", GetBool, SetBool, 0, 0),
        SD_BUS_WRITABLE_PROPERTY("pointerAccelerationProfileAdaptive", "b", GetBool, SetBool, 0, 0),
        SD_BUS_WRITABLE_PROPERTY("scrollFactor", "d", GetDouble, SetDouble, 0, 0),
        SD_BUS_VTABLE_END};
    static constexpr sd_bus_vtable kManagerTable[] = {
        SD_BUS_VTABLE_START(0), SD_BUS_PROPERTY("devicesSysNames", "as", GetNames, 0, 0),
        SD_BUS_VTABLE_END};
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class KdePointerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (bus.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
        kwin = std::make_unique<FakeKwin>(bus.Address());
        ASSERT_TRUE(kwin->Ready());
        dir.Write("kdeglobals",
                  "# the user's own\n[General]\nfont=Noto\n\n[KDE]\nSingleClick=false\n");
    }
    std::unique_ptr<platform::PointerSettingsBackend> Wayland() {
        return platform::MakeKdeWaylandPointerSettings(
            platform::DbusConnection::OpenAddress(bus.Address()), dir.path());
    }

    PrivateBus bus;
    std::unique_ptr<FakeKwin> kwin;
    testing_support::TempDir dir;
};

TEST_F(KdePointerTest, EveryValueReadsBackFromKwinAndKdeglobals) {
    auto kde = Wayland();
    testing_support::ExpectEveryValueRoundTrips(*kde);
    ASSERT_TRUE(kde->SetSpeed(4));
    ASSERT_TRUE(kde->SetPrecision(false));
    const Device mouse = kwin->Get("event3");
    EXPECT_NEAR(-0.6, mouse.acceleration, 1e-9);
    EXPECT_TRUE(mouse.flat);
    EXPECT_FALSE(mouse.adaptive);
    EXPECT_DOUBLE_EQ(1, mouse.scrollFactor);  // lines go to kdeglobals, not on top of it
    // The touchpad and the keyboard keep their own.
    EXPECT_DOUBLE_EQ(0.3, kwin->Get("event5").acceleration);
    EXPECT_TRUE(kwin->Get("event5").adaptive);
    EXPECT_DOUBLE_EQ(0, kwin->Get("event7").acceleration);
}

TEST_F(KdePointerTest, DoubleClickAndWheelLinesGoToKdeglobalsWithTheChangeSignals) {
    auto kde = Wayland();
    ASSERT_TRUE(kde->SetDoubleClickTime(420));
    ASSERT_TRUE(kde->SetScrollLines(5));
    EXPECT_EQ(
        "# the user's own\n[General]\nfont=Noto\n\n[KDE]\nSingleClick=false\n"
        "DoubleClickInterval=420\nWheelScrollLines=5\n",
        ReadText(dir.File("kdeglobals")));
    EXPECT_TRUE(kwin->Saw("ConfigChanged /kdeglobals KDE:DoubleClickInterval"));
    EXPECT_TRUE(kwin->Saw("ConfigChanged /kdeglobals KDE:WheelScrollLines"));
    EXPECT_TRUE(kwin->Saw("notifyChange 3 0"));
    int v = 0;
    ASSERT_TRUE(kde->GetDoubleClickTime(v));
    EXPECT_EQ(420, v);
    EXPECT_FALSE(kde->SetScrollLines(-1));  // no page-per-notch setting in KDE
    EXPECT_FALSE(kde->SetTrails(3));
}

TEST_F(KdePointerTest, ARefusedOrLockedValueIsNotStored) {
    auto kde = Wayland();
    kwin->Refuse(true);
    EXPECT_FALSE(kde->SetSpeed(12));
    EXPECT_FALSE(kde->SetPrecision(false));
    kwin->Refuse(false);
    dir.Write("kdeglobals", "[KDE]\nWheelScrollLines[$i]=3\n");
    EXPECT_FALSE(kde->SetScrollLines(6));
    EXPECT_EQ("[KDE]\nWheelScrollLines[$i]=3\n", ReadText(dir.File("kdeglobals")));
}

TEST_F(KdePointerTest, WithoutKwinOnTheBusNothingIsStored) {
    PrivateBus other;
    auto kde = platform::MakeKdeWaylandPointerSettings(
        platform::DbusConnection::OpenAddress(other.Address()), dir.path());
    int speed = 0;
    EXPECT_FALSE(kde->SetSpeed(12));
    EXPECT_FALSE(kde->GetSpeed(speed));
}

TEST_F(KdePointerTest, OnX11TheDevicesTakeTheValuesAndKcminputrcKeepsThem) {
    std::map<int, FakeXInput::Dev> devices = {{9, {"Gaming Mouse"}}};
    dir.Write("kcminputrc", "[Mouse]\ncursorTheme=breeze\n# keep\n");
    auto kde = platform::MakeKdeX11PointerSettings(
        std::make_unique<FakeXInput>(&devices),
        platform::DbusConnection::OpenAddress(bus.Address()), dir.path());
    testing_support::ExpectEveryValueRoundTrips(*kde);
    ASSERT_TRUE(kde->SetSpeed(13));
    ASSERT_TRUE(kde->SetPrecision(false));
    EXPECT_NEAR(0.3, devices[9].speed[0], 1e-6);
    EXPECT_EQ((std::vector<uint8_t>{0, 1, 0}), devices[9].profiles);
    EXPECT_EQ(
        "[Mouse]\ncursorTheme=breeze\n# keep\nXLbInptPointerAcceleration=0.300000\n"
        "XLbInptAccelProfileFlat=true\n",
        ReadText(dir.File("kcminputrc")));
    EXPECT_TRUE(kwin->Saw("ConfigChanged /kcminputrc Mouse:XLbInptAccelProfileFlat"));
}

}  // namespace
