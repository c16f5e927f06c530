// The window serving the mouse on a private session bus: calls from another connection (on a
// thread of their own, as another program would make them, while the window's loop runs), each
// result checked in the virtual mouse's memory, and the signals of the mouse's own buttons.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "config/sensor_dpi.h"
#include "main_window_fixture.h"
#include "platform/dbus_client.h"
#include "platform/pointer_test_parts.h"
#include "profile/app_rules.h"
#include "profile/apply_thread.h"
#include "profile/focus_watch.h"
#include "profile/profile_apply.h"
#include "profile/profile_export.h"
#include "profile/profile_json.h"
#include "profile/set_command.h"
#include "sim/mouse_memory.h"
#include "ui/bus_host.h"
#include "ui/dpi_grid_dlg.h"

namespace {

using main_window_test::MainWindowTest;
using main_window_test::WaitUntil;
using platform::DbusValue;

struct Answer {
    bool ok = false;
    std::vector<DbusValue> reply;
    std::string errorName;
    std::string error;
};

class BusServiceTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_FALSE(m_bus.Address().empty()) << "dbus-daemon did not start";
        m_host = std::make_unique<BusHost>(*m_window, m_bus.Address());
        ASSERT_TRUE(m_host->Serving()) << m_host->Error();
    }
    void TearDown() override {
        m_host.reset();
        MainWindowTest::TearDown();
    }

    // One call as another program makes it; the window's loop runs meanwhile.
    Answer Call(const char* method, const std::string& signature,
                const std::vector<DbusValue>& args) {
        Answer a;
        std::atomic<bool> done{false};
        std::thread client([&] {
            auto c = platform::DbusConnection::OpenAddress(m_bus.Address());
            if (c) {
                a.ok = c->Call({kBusName, kBusPath, kBusInterface}, method, signature, args,
                               a.reply, 10000);
                a.errorName = c->LastErrorName();
                a.error = c->LastError();
            }
            done = true;
        });
        EXPECT_TRUE(WaitUntil([&] { return done.load(); }, 15000)) << method;
        client.join();
        return a;
    }
    Answer Set(const std::vector<std::string>& words) { return Call("Set", "as", {words}); }

    uint8_t StageCode(int stage) {
        return Memory(sim::kAddrStages + stage * sim::kStageBytes, 1)[0];
    }

    platform_test::PrivateBus m_bus;
    std::unique_ptr<BusHost> m_host;
};

TEST_F(BusServiceTest, SetIsWrittenToTheMouseAndShownInTheWindow) {
    const int dpi = Profile().stages[1].xDpi + 100;
    const auto code = DpiCode(Model().Sensor, dpi);
    ASSERT_TRUE(code.has_value());
    const Answer a = Set({"dpi", "1", std::to_string(dpi)});
    ASSERT_TRUE(a.ok) << a.error;
    // Answered once the mouse holds it.
    m_backend->Drain();
    EXPECT_EQ(m_backend->ReadMemory(0, sim::kAddrStages + sim::kStageBytes, 1)[0], *code);
    EXPECT_EQ(Profile().stages[1].xDpi, dpi);

    ASSERT_TRUE(Set({"stage", "2"}).ok);
    m_backend->Drain();
    EXPECT_EQ(m_backend->ReadMemory(0, sim::kAddrCurrentStage, 1)[0], 2);
    ui_test::Pump();
    for (int i = 0; i < Model().DM; ++i) EXPECT_EQ(m_window->DpiGrid(i)->m_bCurrent, i == 2) << i;

    // Read answers what mivora-cli read --json prints, with the change in it.
    const Answer r = Call("Read", "", {});
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.reply.size(), 1u);
    EXPECT_EQ(std::get<std::string>(r.reply[0]), ProfileJson(Model(), Profile(), 2));
    EXPECT_NE(std::get<std::string>(r.reply[0]).find("\"current_stage\":2"), std::string::npos);
}

TEST_F(BusServiceTest, RefusedWordsAreErrorsWithTheCliMessageAndChangeNothing) {
    const std::vector<uint8_t> before = Memory(0, sim::kMemorySize);
    const struct {
        std::vector<std::string> words;
        std::string message;
    } cases[] = {
        {{"dpi", "1", "77"}, "77 DPI is not a value of this mouse's sensor"},
        {{"dpi", "1", "1e3"}, "the DPI value '1e3' is not a whole number"},
        {{"rate", "300"},
         "usage: mivora-cli set rate 125|250|500|1000 [--bluetooth] (over Bluetooth also "
         "90|115|133)"},
        {{"frobnicate"}, SetUsage()},
        {{}, SetUsage()},
    };
    for (const auto& c : cases) {
        const Answer a = Set(c.words);
        EXPECT_FALSE(a.ok) << c.message;
        EXPECT_EQ(a.errorName, kBusErrorFailed) << c.message;
        EXPECT_EQ(a.error, c.message);
    }
    EXPECT_EQ(Memory(0, sim::kMemorySize), before);
}

TEST_F(BusServiceTest, DpiButtonOfTheMouseIsASignalAndAPropertyChange) {
    sd_bus* watcher = nullptr;
    ASSERT_GE(sd_bus_new(&watcher), 0);
    ASSERT_GE(sd_bus_set_address(watcher, m_bus.Address().c_str()), 0);
    ASSERT_GE(sd_bus_set_bus_client(watcher, 1), 0);
    ASSERT_GE(sd_bus_start(watcher), 0);
    struct Seen {
        int stage = -1;
        bool property = false;
    } seen;
    auto onStage = [](sd_bus_message* m, void* data, sd_bus_error*) {
        int32_t stage = -1;
        sd_bus_message_read(m, "i", &stage);
        static_cast<Seen*>(data)->stage = stage;
        return 0;
    };
    auto onProperties = [](sd_bus_message* m, void* data, sd_bus_error*) {
        const char* iface = nullptr;
        sd_bus_message_read(m, "s", &iface);
        if (sd_bus_message_enter_container(m, 'a', "{sv}") <= 0) return 0;
        while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
            const char* name = nullptr;
            sd_bus_message_read(m, "s", &name);
            if (std::string(name) == "DpiStage") static_cast<Seen*>(data)->property = true;
            sd_bus_message_skip(m, "v");
            sd_bus_message_exit_container(m);
        }
        return 0;
    };
    ASSERT_GE(sd_bus_match_signal(watcher, nullptr, nullptr, kBusPath, kBusInterface,
                                  "DpiStageChanged", onStage, &seen),
              0);
    ASSERT_GE(
        sd_bus_match_signal(watcher, nullptr, nullptr, kBusPath, "org.freedesktop.DBus.Properties",
                            "PropertiesChanged", onProperties, &seen),
        0);
    sd_bus_flush(watcher);

    // Announced from the device event itself, not by the periodic look for window changes.
    m_host->SetChangePollMs(60000);
    const int expected = (g_nCurDpiLevel.load() + 1) % Model().DM;
    m_backend->PressDpiButton(0);
    const bool arrived = WaitUntil([&] {
        while (sd_bus_process(watcher, nullptr) > 0) {
        }
        return seen.stage >= 0 && seen.property;
    });
    sd_bus_flush_close_unref(watcher);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(seen.stage, expected);
    EXPECT_EQ(m_backend->ReadMemory(0, sim::kAddrCurrentStage, 1)[0], expected);
}

TEST_F(BusServiceTest, SwitchKeySetPutsTheSetInTheMouse) {
    // Key set 2 (index 1) differs from the first in two keys.
    g_ProfileList.Edit([](ProfileRecord& r) {
        r.keys[1][3] = r.keys[0][4];
        r.keys[1][4] = r.keys[0][3];
        r.curKeySet = 0;
    });
    const std::vector<uint8_t> matrix = Memory(sim::kAddrKeyMatrix, 32);
    const Answer a = Call("SwitchKeySet", "i", {int32_t{1}});
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_EQ(Profile().curKeySet, 1);
    EXPECT_NE(Memory(sim::kAddrKeyMatrix, 32), matrix);
    // What a whole write of the current set leaves in the mouse is there already.
    const std::vector<uint8_t> held = Memory(0, sim::kMemorySize);
    g_ApplyThread.Post(kApplyKeys, kApplyAll);
    EXPECT_EQ(Memory(0, sim::kMemorySize), held);

    const Answer bad = Call("SwitchKeySet", "i", {int32_t{3}});
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.errorName, kBusErrorFailed);
    EXPECT_EQ(bad.error, "there is no key set 3; the key sets are 0, 1 and 2");
    EXPECT_EQ(Profile().curKeySet, 1);
}

TEST_F(BusServiceTest, ImportTakesTheRulesBesideTheProfileIntoTheWindowsSwitcher) {
    const std::string file = m_data.File("p.zqa");
    ASSERT_EQ(ExportProfile(file), 1);
    m_data.Write("p.rules.ini", "[Rules]\nCount=1\n[Rule1]\nApp=firefox\nKeySet=2\n");
    AppRules mine;
    ASSERT_TRUE(mine.Put({"editor", 2, -1}));
    ASSERT_TRUE(m_window->WindowRulesStore().save(mine));
    const std::string beside = m_data.File("p.rules.ini");

    const Answer bad = Call("ImportWithOptions", "sas", {file, std::vector<std::string>{"rule"}});
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.error, "unknown import option \"rule\" (the options are force and rules)");

    // The user's rules stay unless the caller says otherwise; a notice tells.
    const Answer kept = Call("Import", "sb", {file, false});
    ASSERT_TRUE(kept.ok) << kept.error;
    ASSERT_EQ(kept.reply.size(), 2u);
    EXPECT_EQ(std::get<std::string>(kept.reply[0]), "");
    EXPECT_EQ(std::get<std::vector<std::string>>(kept.reply[1]),
              std::vector<std::string>{"kept the data folder's 1 rule by application; the 1 rule "
                                       "by application in " +
                                       beside + " was not taken (--rules replaces them)"});
    EXPECT_EQ(m_window->WindowRulesStore().load().rules, mine.rules);

    const Answer taken =
        Call("ImportWithOptions", "sas", {file, std::vector<std::string>{"rules"}});
    ASSERT_TRUE(taken.ok) << taken.error;
    EXPECT_EQ(std::get<std::string>(taken.reply[0]),
              "1 rule by application taken from " + beside + ", replacing the 1 there was\n");
    ui_test::Pump();
    // The switcher (and so the rules editor) holds them at once, and so does the file.
    const AppRules now = m_window->WindowRulesStore().load();
    ASSERT_EQ(now.rules.size(), 1u);
    EXPECT_EQ(now.rules[0].app, "firefox");
    EXPECT_EQ(LoadAppRules(g_szDataDir + kAppRulesFile).rules, now.rules);
    if (m_window->Focus()) {
        EXPECT_EQ(m_window->Focus()->Rules().rules, now.rules);
    }
}

TEST_F(BusServiceTest, AChangeWhileTheWindowWritesIsRefusedAsBusy) {
    // A slow link keeps the window's whole-profile write in flight.
    m_backend->SetLatency(std::chrono::milliseconds(5));
    const std::vector<uint8_t> before = Memory(sim::kAddrCurrentStage, 1);
    g_ApplyThread.Post(kImportApplyFlags, kApplyAll);
    const Answer a = Set({"stage", before[0] == 0 ? "1" : "0"});
    EXPECT_FALSE(a.ok);
    EXPECT_EQ(a.errorName, kBusErrorBusy);
    EXPECT_NE(a.error.find("busy"), std::string::npos) << a.error;
    m_backend->SetLatency(std::chrono::microseconds(0));
    EXPECT_EQ(Memory(sim::kAddrCurrentStage, 1), before);
}

TEST_F(BusServiceTest, WithoutABusOrWithTheNameTakenTheWindowRunsWithoutServing) {
    BusHost second(*m_window, m_bus.Address());
    EXPECT_FALSE(second.Serving());
    EXPECT_NE(second.Error().find(kBusName), std::string::npos) << second.Error();
    BusHost none(*m_window, "unix:path=/nonexistent/bus");
    EXPECT_FALSE(none.Serving());
    EXPECT_FALSE(none.Error().empty());
    // The first still answers.
    EXPECT_TRUE(Call("Read", "", {}).ok);
}

}  // namespace
