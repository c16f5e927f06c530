// The wlroots focus source against a real headless sway, which offers the toplevel list too: two
// Wayland clients of different app ids, focus moved with sway's own command.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "focus_seen.h"
#include "headless_sway.h"
#include "platform/focus_source.h"
#include "platform/sway_ipc.h"

namespace {

using platform_test::ByAppId;
using platform_test::WaylandClient;

constexpr const char* kFlower = "org.freedesktop.weston.flower";
constexpr const char* kClickDot = "org.freedesktop.weston.wayland-clickdot";

bool HaveSway() {
    return platform_test::OnPath("sway") && platform_test::OnPath("weston-flower") &&
           platform_test::OnPath("weston-clickdot");
}

class WlrFocusSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveSway()) GTEST_SKIP() << "sway or the weston clients are not installed";
        ASSERT_FALSE(sway.Socket().empty()) << sway.Log();
        display = sway.Dir() + "/wayland-1";
    }
    bool Run(const std::string& command) {
        auto ipc = platform::SwayIpc::Connect(sway.Socket());
        std::string reply;
        return ipc && ipc->Request(platform::kSwayRunCommand, command, reply);
    }
    bool Focus(const char* appId) { return Run(std::string("[app_id=\"") + appId + "\"] focus"); }

    platform_test::HeadlessSway sway;
    std::string display;
    platform_test::Seen seen;
};

TEST_F(WlrFocusSourceTest, ReportsTheAppIdOfEachActivatedToplevelUntilStopped) {
    EXPECT_TRUE(platform::WaylandOffersToplevelList(display));
    auto source = platform::MakeWlrFocusSource(display);
    ASSERT_STREQ("wlroots", source->Name());
    ASSERT_TRUE(source->Start(seen.Fn()));
    ASSERT_TRUE(seen.Await(0, [](const platform::FocusedWindow& w) { return w.none; }));

    WaylandClient flower("weston-flower", sway.Dir());
    auto got = seen.Await(0, ByAppId(kFlower), 5000);
    ASSERT_TRUE(got);
    EXPECT_EQ("Flower", got->title);
    EXPECT_FALSE(got->none);
    EXPECT_EQ(0, got->pid);  // the protocol has none
    WaylandClient clickdot("weston-clickdot", sway.Dir());
    ASSERT_TRUE(seen.Await(0, ByAppId(kClickDot), 5000));

    // Each move is one report of the window now in front, not a "nothing" between the two.
    for (const char* id : {kFlower, kClickDot, kFlower}) {
        const size_t before = seen.Count();
        ASSERT_TRUE(Focus(id));
        ASSERT_TRUE(seen.Await(before, ByAppId(id))) << id;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::lock_guard<std::mutex> lock(seen.mutex);
        ASSERT_EQ(before + 1, seen.windows.size()) << id;
    }

    source->Stop();
    const size_t after = seen.Count();
    ASSERT_TRUE(Focus(kClickDot));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(after, seen.Count());
    source->Stop();  // twice is harmless

    // Started again (switching paused and resumed) on an empty workspace: it says so at once.
    ASSERT_TRUE(Run("workspace 2"));
    ASSERT_TRUE(source->Start(seen.Fn()));
    EXPECT_TRUE(seen.Await(after, [](const platform::FocusedWindow& w) { return w.none; }));
    source->Stop();
}

TEST_F(WlrFocusSourceTest, ACompositorThatEndsEndsTheWatching) {
    auto source = platform::MakeWlrFocusSource(display);
    ASSERT_TRUE(source->Start(seen.Fn()));
    WaylandClient flower("weston-flower", sway.Dir());
    ASSERT_TRUE(seen.Await(0, ByAppId(kFlower), 5000));
    sway.End();
    const auto start = std::chrono::steady_clock::now();
    source->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(WlrFocusSource, NoCompositorIsNoSource) {
    EXPECT_FALSE(platform::WaylandOffersToplevelList("/nonexistent/wayland-0"));
    auto source = platform::MakeWlrFocusSource("/nonexistent/wayland-0");
    EXPECT_FALSE(source->Start([](const platform::FocusedWindow&) {}));
}

}  // namespace
