#include <gtest/gtest.h>

#include "config/device_model.h"
#include "sim/virtual_mouse.h"
#include "virtual_mouse_fixture.h"

namespace {

// Puts test models into the process-wide table and restores it afterwards.
class MakeVirtualBackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::copy(std::begin(g_DeviceModels), std::end(g_DeviceModels), saved);
        for (auto& m : g_DeviceModels) m = DeviceModel{};
        g_DeviceModels[1] = simtest::TestModel();
        g_DeviceModels[2] = simtest::TestModel();
        g_DeviceModels[2].MID = 0x06;
        g_DeviceModels[2].DM = 2;
    }
    void TearDown() override { std::copy(std::begin(saved), std::end(saved), g_DeviceModels); }
    DeviceModel saved[kMaxDeviceModels];
};

TEST_F(MakeVirtualBackendTest, DefaultsToTheFirstModelInUseOverTheReceiver) {
    std::string error;
    auto b = sim::MakeVirtualBackend({}, error);
    ASSERT_TRUE(b) << error;
    const auto list = b->Enumerate();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_NE(list[1].path.find("hid#vid_"), std::string::npos);
    EXPECT_EQ(b->ReadMemory(0, 2, 1), std::vector<uint8_t>{3});  // DM of g_DeviceModels[1]
}

TEST_F(MakeVirtualBackendTest, TakesCodesAndLinkFromTheOptions) {
    sim::VirtualMouseOptions o;
    o.mid = 0x06;
    o.link = "Bluetooth";
    std::string error;
    auto b = sim::MakeVirtualBackend(o, error);
    ASSERT_TRUE(b) << error;
    EXPECT_EQ(b->ReadMemory(0, 2, 1), std::vector<uint8_t>{2});
    EXPECT_EQ(b->Enumerate()[1].path.find("hid#vid_"), std::string::npos);
}

TEST_F(MakeVirtualBackendTest, RefusesBadOptionsWithOneLine) {
    const struct {
        sim::VirtualMouseOptions o;
        const char* expected;
    } cases[] = {
        {{"", -1, -1, "usb", ""}, "unknown link 'usb'"},
        {{"", -1, -1, "receiver", "lost=2"}, "'lost=2'"},
        {{"", 300, 1, "receiver", ""}, "0 to 255"},
        {{"", 0x77, -1, "receiver", ""}, "no model"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(sim::MakeVirtualBackend(c.o, error)) << c.expected;
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST_F(MakeVirtualBackendTest, UnknownCodesGiveAMouseWithEmptyMemory) {
    sim::VirtualMouseOptions o;
    o.cid = 0x77;
    o.mid = 0x78;
    std::string error;
    auto b = sim::MakeVirtualBackend(o, error);
    ASSERT_TRUE(b) << error;
    EXPECT_EQ(b->Memory(0), sim::MemoryImage{});
}

}  // namespace
