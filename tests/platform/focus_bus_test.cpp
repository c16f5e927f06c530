// The focus sources that live inside the compositor, against a stand-in compositor in gjs on a
// private bus (focus_standin.js): for KDE it serves KWin's scripting interface and runs the
// shipped KWin script with a workspace of Plasma 5's and Plasma 6's shape; for GNOME it runs
// the shipped extension's reporter with a stubbed display.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "focus_seen.h"
#include "headless_sway.h"
#include "platform/dbus_client.h"
#include "platform/focus_source.h"
#include "pointer_test_parts.h"

namespace {

using platform::DbusValue;
using platform_test::ByClass;
using platform_test::PrivateBus;
using platform_test::Seen;

const std::string kStandIn = std::string(MIVORA_SOURCE_DIR) + "/tests/platform/focus_standin.js";
const std::string kScript = std::string(MIVORA_BIN_DIR) + "/kwin/mivora-focus.js";
const std::string kExtension =
    std::string(MIVORA_SOURCE_DIR) + "/packaging/gnome-shell-extension/mivora-focus@mivora.io";

// The stand-in compositor: gjs on the private bus, up once it owns its name.
class StandIn {
  public:
    StandIn(const std::string& address, std::vector<std::string> args, const char* busName)
        : m_bus(platform::DbusConnection::OpenAddress(address)) {
        std::vector<std::string> env = {"DBUS_SESSION_BUS_ADDRESS=" + address,
                                        "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        args.insert(args.begin(), {"gjs", kStandIn});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&m_pid, "gjs", nullptr, nullptr, argv.data(), envp.data()) != 0) m_pid = 0;
        for (int i = 0; m_pid && m_bus && i < 200 && !m_bus->NameHasOwner(busName); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ~StandIn() { Kill(); }
    pid_t Pid() const { return m_pid; }
    bool Up(const char* busName) { return m_pid && m_bus && m_bus->NameHasOwner(busName); }
    void Kill() {
        if (m_pid) kill(m_pid, SIGTERM), waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }
    bool Activate(const std::string& cls, int pid = 0) {
        std::vector<DbusValue> reply;
        if (cls.empty()) return Test("Activate", "sssis", {"", "", "", 0, ""}, reply);
        return Test("Activate", "sssis",
                    {cls, cls + "-instance", "org.example." + cls, pid, cls + " window"}, reply);
    }
    std::vector<std::string> Log() {
        std::vector<DbusValue> reply;
        if (!Test("Log", "", {}, reply) || reply.size() != 1) return {};
        return std::get<std::vector<std::string>>(reply[0]);
    }

  private:
    bool Test(const char* method, const char* sig, const std::vector<DbusValue>& args,
              std::vector<DbusValue>& reply) {
        const char* service = nullptr;
        for (const char* name : {"org.kde.KWin", "org.gnome.Shell"})
            if (m_bus->NameHasOwner(name)) service = name;
        return service &&
               m_bus->Call({service, "/Test", "io.mivora.Test"}, method, sig, args, reply);
    }
    pid_t m_pid = 0;
    std::unique_ptr<platform::DbusConnection> m_bus;
};

bool Has(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

class FocusBusTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!platform_test::OnPath("gjs")) GTEST_SKIP() << "gjs is not installed (scripts/deps.sh)";
        ASSERT_FALSE(bus.Address().empty());
    }
    PrivateBus bus;
    Seen seen;
};

TEST_F(FocusBusTest, KWinScriptReportsActivatedWindowsOnPlasma5And6) {
    struct Case {
        const char* plasma;
        // A script of the same name left by a program that did not end well, and another script
        // after it, whose number KWin gives ours again.
        bool preloaded;
    } cases[] = {{"kwin6", false}, {"kwin5", false}, {"kwin6", true}, {"kwin5", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.plasma) + (c.preloaded ? " preloaded" : ""));
        std::vector<std::string> args = {c.plasma, "konsole"};
        if (c.preloaded) args.insert(args.begin() + 1, "--preloaded");
        StandIn kwin(bus.Address(), args, "org.kde.KWin");
        ASSERT_TRUE(kwin.Up("org.kde.KWin"));
        Seen got;
        auto source = platform::MakeKWinFocusSource(kScript, bus.Address());
        ASSERT_STREQ("KWin", source->Name());
        ASSERT_TRUE(source->Start(got.Fn()));
        // The window active when the script starts.
        auto first = got.Await(0, ByClass("konsole"));
        ASSERT_TRUE(first);
        EXPECT_EQ("konsole-instance", first->wmInstance);
        EXPECT_EQ("org.example.konsole", first->appId);
        EXPECT_EQ("konsole window", first->title);
        EXPECT_EQ(kwin.Pid(), first->pid);
        EXPECT_NE(std::string::npos, first->exe.find("gjs")) << first->exe;
        EXPECT_FALSE(first->none);
        const auto log = kwin.Log();
        EXPECT_TRUE(Has(log, "loadScript " + kScript + " mivora-focus"))
            << ::testing::PrintToString(log);
        EXPECT_TRUE(Has(log, "running mivora-focus")) << ::testing::PrintToString(log);

        ASSERT_TRUE(kwin.Activate("firefox", 77));
        auto next = got.Await(1, ByClass("firefox"));
        ASSERT_TRUE(next);
        EXPECT_EQ(77, next->pid);
        // Nothing active (the desktop).
        ASSERT_TRUE(kwin.Activate(""));
        ASSERT_TRUE(got.Await(2, [](const platform::FocusedWindow& w) { return w.none; }));

        source->Stop();
        EXPECT_EQ("unloadScript mivora-focus", kwin.Log().back());
        const size_t after = got.Count();
        ASSERT_TRUE(kwin.Activate("dolphin"));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(after, got.Count());
    }
}

TEST_F(FocusBusTest, KWinScriptIsLoadedWheneverKWinComesBack) {
    auto source = platform::MakeKWinFocusSource(kScript, bus.Address());
    // KWin not there yet: the source waits for it.
    ASSERT_TRUE(source->Start(seen.Fn()));
    {
        StandIn kwin(bus.Address(), {"kwin6", "first"}, "org.kde.KWin");
        ASSERT_TRUE(seen.Await(0, ByClass("first")));
    }
    // KWin restarted: its scripts are gone, ours comes back with the new one.
    StandIn kwin(bus.Address(), {"kwin6", "second"}, "org.kde.KWin");
    ASSERT_TRUE(seen.Await(0, ByClass("second")));
    EXPECT_TRUE(Has(kwin.Log(), "running mivora-focus"));
}

TEST_F(FocusBusTest, OnlyTheCompositorSaysWhatIsInFront) {
    StandIn kwin(bus.Address(), {"kwin6", "konsole"}, "org.kde.KWin");
    auto source = platform::MakeKWinFocusSource(kScript, bus.Address());
    ASSERT_TRUE(source->Start(seen.Fn()));
    ASSERT_TRUE(seen.Await(0, ByClass("konsole")));
    const size_t before = seen.Count();
    // Another program on the same bus.
    auto other = platform::DbusConnection::OpenAddress(bus.Address());
    std::vector<DbusValue> reply;
    EXPECT_FALSE(other->Call(
        {"io.mivora.Mivora1.Focus", "/io/mivora/Mivora1/focus", "io.mivora.Mivora1.Focus"},
        "Activated", "sssss",
        {std::string("steam"), std::string("steam"), std::string(""), std::string("1"),
         std::string("")},
        reply));
    EXPECT_EQ("org.freedesktop.DBus.Error.AccessDenied", other->LastErrorName());
    // Texts beyond the bound and a pid that is no number, from the compositor itself.
    const std::string longClass(5000, 'c');
    ASSERT_TRUE(kwin.Activate(longClass, -4));
    auto got = seen.Await(before, [](const platform::FocusedWindow& w) { return !w.none; });
    ASSERT_TRUE(got);
    EXPECT_EQ(platform::kMaxFocusText, got->wmClass.size());
    EXPECT_EQ(0, got->pid);
    EXPECT_EQ(before + 1, seen.Count());
}

TEST_F(FocusBusTest, KWinRefusingTheScriptIsNoSource) {
    StandIn kwin(bus.Address(), {"kwin6"}, "org.kde.KWin");
    auto source = platform::MakeKWinFocusSource("/nonexistent/mivora-focus.js", bus.Address());
    EXPECT_FALSE(source->Start(seen.Fn()));
}

TEST_F(FocusBusTest, GnomeExtensionAndProgramStartInEitherOrder) {
    auto source = platform::MakeGnomeFocusSource(bus.Address());
    ASSERT_STREQ("GNOME Shell", source->Name());
    {
        // The program first, the Shell (with the extension) later.
        ASSERT_TRUE(source->Start(seen.Fn()));
        StandIn shell(bus.Address(), {"gnome", kExtension, "nautilus"}, "org.gnome.Shell");
        auto first = seen.Await(0, ByClass("nautilus"));
        ASSERT_TRUE(first);
        // The tracker's desktop file id, without ".desktop".
        EXPECT_EQ("org.example.nautilus", first->appId);
        EXPECT_EQ("nautilus-instance", first->wmInstance);
        EXPECT_EQ(shell.Pid(), first->pid);
        ASSERT_TRUE(shell.Activate("firefox", 88));
        ASSERT_TRUE(seen.Await(1, ByClass("firefox")));
        source->Stop();
    }
    // The Shell first, the program later.
    StandIn shell(bus.Address(), {"gnome", kExtension, "terminal"}, "org.gnome.Shell");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const size_t before = seen.Count();
    ASSERT_TRUE(source->Start(seen.Fn()));
    ASSERT_TRUE(seen.Await(before, ByClass("terminal")));
}

}  // namespace
