// The on-screen display through the desktop's services, against stand-ins on a private bus.
#include "platform/desktop_osd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "osd_services.h"
#include "platform/dbus_client.h"

namespace {

using platform_test::OsdService;

class DesktopOsdTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (bus.Address().empty()) GTEST_SKIP() << "dbus-daemon is not installed";
        client = platform::DbusConnection::OpenAddress(bus.Address());
        ASSERT_TRUE(client);
    }
    platform_test::PrivateBus bus;
    std::shared_ptr<platform::DbusConnection> client;
};

TEST_F(DesktopOsdTest, PlasmaShowsTheStageAndDpiInItsOwnDisplay) {
    OsdService plasma(bus.Address(), OsdService::Kind::Plasma);
    ASSERT_TRUE(plasma.Ready());
    auto osd = platform::MakeDesktopOsd(client, "Mivora", "mivora");
    ASSERT_STREQ("Plasma OSD", osd->Name());
    ASSERT_TRUE(osd->Show("DPI-2", "X 1600  Y 800"));
    ASSERT_TRUE(osd->Show("DPI-3", ""));
    const auto calls = plasma.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("input-mouse", calls[0].icon);
    EXPECT_EQ("DPI-2  X 1600  Y 800", calls[0].body);
    EXPECT_EQ("DPI-3", calls[1].body);
}

TEST_F(DesktopOsdTest, ANotificationReplacesItsPredecessorAndLeavesNoHistory) {
    OsdService server(bus.Address(), OsdService::Kind::Notifications);
    ASSERT_TRUE(server.Ready());
    auto osd = platform::MakeDesktopOsd(client, "Mivora", "mivora");
    ASSERT_STREQ("notification", osd->Name());
    ASSERT_TRUE(osd->Show("DPI-2", "1600"));
    ASSERT_TRUE(osd->Show("DPI-3", "2400"));
    const auto calls = server.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(0u, calls[0].replacesId);
    EXPECT_EQ(41u, calls[1].replacesId) << "the first one's id";
    EXPECT_EQ("DPI-3", calls[1].summary);
    EXPECT_EQ("2400", calls[1].body);
    EXPECT_EQ("Mivora", calls[1].appName);
    EXPECT_EQ("mivora", calls[1].icon);
    EXPECT_TRUE(calls[1].actions.empty());
    EXPECT_EQ(platform::kOsdNotificationMs, calls[1].expireMs);
    const std::vector<std::string> hints = {"transient=b:1", "category=s:device",
                                            "desktop-entry=s:mivora"};
    EXPECT_EQ(hints, calls[1].hints);
}

TEST_F(DesktopOsdTest, AMissingServiceFailsAndTextsAreBounded) {
    auto osd = platform::MakeDesktopOsd(client, "Mivora", "mivora");
    EXPECT_FALSE(osd->Show("DPI-1", "800"));

    OsdService server(bus.Address(), OsdService::Kind::Notifications);
    // A multi-byte character across the limit goes whole.
    const std::string longText = std::string(platform::kMaxOsdText - 1, 'a') + "\xC3\xA4" + "zz";
    ASSERT_TRUE(osd->Show(longText, longText));
    const auto calls = server.Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(std::string(platform::kMaxOsdText - 1, 'a'), calls[0].summary);
    EXPECT_EQ(calls[0].summary, calls[0].body);
}

// A display that holds each text until released, to see what the sender hands over.
class HeldOsd : public platform::DesktopOsd {
  public:
    std::vector<std::string>* shown;
    std::atomic<bool>* release;
    const char* Name() const override { return "held"; }
    bool Show(const std::string& title, const std::string&) override {
        while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        shown->push_back(title);
        return true;
    }
};

TEST(OsdSender, NeverHoldsTheCallerAndSendsOnlyTheNewestOfAQueue) {
    std::vector<std::string> shown;
    std::atomic<bool> release{false};
    std::atomic<int> made{0};
    {
        platform::OsdSender sender([&] {
            ++made;
            auto osd = std::make_unique<HeldOsd>();
            osd->shown = &shown;
            osd->release = &release;
            return osd;
        });
        sender.Post("DPI-1", "");
        // The first is on its way and held; these queue while it is, and the caller goes on.
        while (made == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        sender.Post("DPI-2", "");
        sender.Post("DPI-3", "");
        EXPECT_FALSE(sender.Idle(50));
        release = true;
        ASSERT_TRUE(sender.Idle(2000));
    }
    EXPECT_EQ(1, made.load());
    EXPECT_EQ((std::vector<std::string>{"DPI-1", "DPI-3"}), shown);
}

}  // namespace
