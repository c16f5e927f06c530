// The sway focus source against a real headless sway with two Wayland clients of different app
// ids, focus moved as swaymsg moves it.
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
using Clock = std::chrono::steady_clock;

constexpr const char* kFlower = "org.freedesktop.weston.flower";
constexpr const char* kClickDot = "org.freedesktop.weston.wayland-clickdot";

TEST(SwayFocusSource, ReportsTheAppIdOfEachFocusedWindow) {
    if (!platform_test::OnPath("sway") || !platform_test::OnPath("weston-flower") ||
        !platform_test::OnPath("weston-clickdot"))
        GTEST_SKIP() << "sway or the weston clients are not installed (scripts/deps.sh)";
    platform_test::HeadlessSway sway;
    ASSERT_FALSE(sway.Socket().empty()) << sway.Log();
    platform_test::Seen seen;
    auto source = platform::MakeSwayFocusSource(sway.Socket());
    ASSERT_STREQ("sway", source->Name());
    ASSERT_TRUE(source->Start(seen.Fn()));
    // The empty workspace: nothing in front.
    ASSERT_TRUE(seen.Await(0, [](const platform::FocusedWindow& w) { return w.none; }));

    WaylandClient flower("weston-flower", sway.Dir());
    auto got = seen.Await(0, ByAppId(kFlower), 5000);
    ASSERT_TRUE(got);
    EXPECT_EQ(flower.Pid(), got->pid);
    EXPECT_NE(std::string::npos, got->exe.find("weston-flower")) << got->exe;
    EXPECT_EQ("Flower", got->title);
    WaylandClient clickdot("weston-clickdot", sway.Dir());
    ASSERT_TRUE(seen.Await(0, ByAppId(kClickDot), 5000));

    auto ipc = platform::SwayIpc::Connect(sway.Socket());
    ASSERT_TRUE(ipc);
    std::string reply;
    const size_t before = seen.Count();
    const auto start = Clock::now();
    ASSERT_TRUE(ipc->Request(platform::kSwayRunCommand,
                             std::string("[app_id=\"") + kFlower + "\"] focus", reply));
    ASSERT_TRUE(seen.Await(before, ByAppId(kFlower)));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(),
              100);

    source->Stop();
    const size_t after = seen.Count();
    ASSERT_TRUE(ipc->Request(platform::kSwayRunCommand,
                             std::string("[app_id=\"") + kClickDot + "\"] focus", reply));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(after, seen.Count());
}

TEST(SwayFocusSource, NoCompositorIsNoSource) {
    auto source = platform::MakeSwayFocusSource("/nonexistent/sway-ipc.sock");
    EXPECT_FALSE(source->Start([](const platform::FocusedWindow&) {}));
}

}  // namespace
