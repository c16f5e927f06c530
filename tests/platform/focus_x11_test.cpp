// The X11 focus source against a real X server and window manager: Xvfb with openbox, which
// keeps _NET_ACTIVE_WINDOW as every EWMH window manager does.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "focus_seen.h"
#include "platform/focus_source.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t Spawn(std::vector<std::string> args, const std::string& display) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"DISPLAY=" + display, "PATH=/usr/bin:/bin", "HOME=/tmp"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void End(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Xvfb on a free display it picks itself.
class Xvfb {
  public:
    Xvfb() {
        int fds[2];
        if (pipe(fds) != 0) return;
        const std::string fd = std::to_string(fds[1]);
        char* argv[] = {const_cast<char*>("Xvfb"),     const_cast<char*>("-displayfd"),
                        const_cast<char*>(fd.c_str()), const_cast<char*>("-nolisten"),
                        const_cast<char*>("tcp"),      nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv, environ) != 0) m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        char c = 0;
        std::string number;
        while (m_pid && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) m_display = ":" + number;
    }
    ~Xvfb() { End(m_pid); }
    const std::string& Display() const { return m_display; }

  private:
    pid_t m_pid = 0;
    std::string m_display;
};

// A test client: windows with the properties an application sets, and activation requests as a
// task bar sends them.
class Client {
  public:
    explicit Client(const std::string& display) {
        int screen = 0;
        m_c = xcb_connect(display.c_str(), &screen);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
    }
    ~Client() { xcb_disconnect(m_c); }
    xcb_atom_t Atom(const char* name) {
        auto* r = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(r);
        return a;
    }
    void Set(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type, uint8_t format,
             const std::string& bytes) {
        xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, w, prop, type, format,
                            static_cast<uint32_t>(bytes.size() / (format / 8)), bytes.data());
    }
    xcb_window_t Window(const std::string& wmClass, uint32_t pid, const std::string& title) {
        const xcb_window_t w = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        Set(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass);
        if (pid)
            Set(w, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32,
                std::string(reinterpret_cast<const char*>(&pid), 4));
        Set(w, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"), 8, title);
        xcb_map_window(m_c, w);
        xcb_flush(m_c);
        return w;
    }
    void Activate(xcb_window_t w) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = w;
        ev.type = Atom("_NET_ACTIVE_WINDOW");
        ev.data.data32[0] = 2;  // from a pager: the window manager obeys at once
        ev.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_c, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&ev));
        xcb_flush(m_c);
    }
    xcb_window_t Root() const { return m_root; }
    void Flush() { xcb_flush(m_c); }
    bool HasWindowManager() {
        auto* r = xcb_get_property_reply(
            m_c,
            xcb_get_property(m_c, 0, m_root, Atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0,
                             1),
            nullptr);
        const bool has = r && xcb_get_property_value_length(r) == 4;
        std::free(r);
        return has;
    }

  private:
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = 0;
};

// Activates a newly mapped window until it is reported (the window manager ignores a request
// for a window it does not manage yet).
std::optional<platform::FocusedWindow> Bring(Client& client, platform_test::Seen& seen,
                                             xcb_window_t w, const std::string& wmClass) {
    for (int i = 0; i < 12; ++i) {
        client.Activate(w);
        if (auto got = seen.Await(0, platform_test::ByClass(wmClass), 250)) return got;
    }
    return std::nullopt;
}

TEST(X11FocusSource, ReportsEachActivatedWindowUnderARealWindowManager) {
    Xvfb x;
    if (x.Display().empty()) GTEST_SKIP() << "Xvfb is not installed";
    const pid_t wm = Spawn({"openbox"}, x.Display());
    if (!wm) GTEST_SKIP() << "openbox is not installed (scripts/deps.sh installs it)";
    Client client(x.Display());
    for (int i = 0; i < 100 && !client.HasWindowManager(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(client.HasWindowManager());
    // A process behind the first window, so its executable is found through /proc.
    const pid_t sleeper = Spawn({"sleep", "60"}, x.Display());
    ASSERT_GT(sleeper, 0);

    platform_test::Seen seen;
    auto source = platform::MakeX11FocusSource(x.Display());
    ASSERT_STREQ("X11", source->Name());
    ASSERT_TRUE(source->Start(seen.Fn()));

    const xcb_window_t a =
        client.Window(std::string("alpha\0Alpha\0", 12), static_cast<uint32_t>(sleeper), "Ä");
    auto got = Bring(client, seen, a, "Alpha");
    ASSERT_TRUE(got);
    EXPECT_EQ("alpha", got->wmInstance);
    EXPECT_EQ(static_cast<int>(sleeper), got->pid);
    EXPECT_NE(std::string::npos, got->exe.find("sleep")) << got->exe;
    EXPECT_EQ("Ä", got->title);

    // A window of hostile properties: a class without its terminators, an endless title.
    const xcb_window_t b =
        client.Window(std::string(4000, 'b') + std::string("\0Beta", 5), 0, std::string(9000, 't'));
    got = Bring(client, seen, b, "Beta");
    ASSERT_TRUE(got);
    EXPECT_EQ(platform::kMaxFocusText, got->wmInstance.size());
    EXPECT_EQ(platform::kMaxFocusText, got->title.size());
    EXPECT_EQ(0, got->pid);

    // Back to the first: reported within the switching goal of 100 ms.
    const size_t before = seen.Count();
    const auto start = Clock::now();
    client.Activate(a);
    ASSERT_TRUE(seen.Await(before, platform_test::ByClass("Alpha")));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(ms, 100);

    source->Stop();
    const size_t after = seen.Count();
    client.Window(std::string("gamma\0Gamma\0", 12), 0, "late");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(after, seen.Count());
    End(sleeper);
    End(wm);
}

// Window managers may change the property twice for one activation (none or the old window,
// then the new one). The second change can arrive while the source waits for its property
// replies; it must still be reported, or the mouse keeps the set of the window before.
TEST(X11FocusSource, AChangeThatArrivesDuringARoundTripIsReported) {
    Xvfb x;
    if (x.Display().empty()) GTEST_SKIP() << "Xvfb is not installed";
    Client client(x.Display());
    const xcb_window_t a = client.Window(std::string("alpha\0Alpha\0", 12), 0, "a");
    const xcb_window_t b = client.Window(std::string("beta\0Beta\0", 10), 0, "b");
    const xcb_atom_t active = client.Atom("_NET_ACTIVE_WINDOW");
    auto setActive = [&](xcb_window_t w) {
        client.Set(client.Root(), active, XCB_ATOM_WINDOW, 32,
                   std::string(reinterpret_cast<const char*>(&w), 4));
        client.Flush();
    };

    platform_test::Seen seen;
    auto source = platform::MakeX11FocusSource(x.Display());
    ASSERT_TRUE(source->Start(seen.Fn()));
    for (int round = 0; round < 60; ++round) {
        // The first change is read while the second is on its way, at varying distances.
        setActive(round % 2 ? b : a);
        std::this_thread::sleep_for(std::chrono::microseconds(round * 20 % 900));
        setActive(round % 2 ? a : b);
        const std::string wanted = round % 2 ? "Alpha" : "Beta";
        bool reported = false;
        for (int i = 0; i < 100 && !reported; ++i) {
            {
                std::lock_guard<std::mutex> lock(seen.mutex);
                reported = !seen.windows.empty() && seen.windows.back().wmClass == wanted;
            }
            if (!reported) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(reported) << "round " << round << ": " << wanted << " was not reported";
    }
    source->Stop();
}

TEST(X11FocusSource, NoServerIsNoSource) {
    auto source = platform::MakeX11FocusSource(":9999");
    EXPECT_FALSE(source->Start([](const platform::FocusedWindow&) {}));
}

}  // namespace
