// Faults of the virtual mouse: each kind on its own, and the same seed giving the same run.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "virtual_mouse_fixture.h"

using simtest::Request;
using simtest::VirtualMouseTest;

namespace {

sim::VirtualMouseSetup WithFaults(const std::string& text) {
    sim::VirtualMouseSetup s;
    std::string error;
    EXPECT_TRUE(sim::ParseFaultSpec(text, s.faults, error)) << error;
    return s;
}

TEST_F(VirtualMouseTest, LostRepliesNeverArrive) {
    Plug(WithFaults("lost=1"));
    EXPECT_FALSE(Exchange(Request({2}), 30));
}

TEST_F(VirtualMouseTest, DroppedRequestsNeitherWriteNorAnswer) {
    const int m = Plug(WithFaults("drop=1"));
    EXPECT_FALSE(Exchange(Request({3, 0, 0x01, 0x00, 2, 0xAB, 0xCD}), 30));
    EXPECT_EQ(backend.ReadMemory(m, 0x100, 2), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(backend.Exchanges(m), 1);
}

// The firmware writes correctly; only the echo is damaged. A host that reads the memory back
// finds the data, which tells this world from one where the write did not happen.
TEST_F(VirtualMouseTest, ACorruptedEchoDiffersInOneByteWhileTheMemoryHoldsTheData) {
    const int m = Plug(WithFaults("echo=1,seed=3"));
    const auto q = Request({3, 0, 0x01, 0x00, 4, 0x10, 0x20, 0x30, 0x40});
    const auto r = Exchange(q);
    ASSERT_TRUE(r);
    int differing = 0;
    for (int i = 3; i <= 13; ++i) differing += (*r)[i] != q[i];
    EXPECT_EQ(differing, 1);
    EXPECT_EQ((*r)[2], 0);  // status still says success
    EXPECT_EQ(backend.ReadMemory(m, 0x100, 4), (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x40}));
    // Reads are not touched by the echo fault.
    const auto rd = Exchange(Request({4, 0, 0x01, 0x00, 4}));
    ASSERT_TRUE(rd);
    EXPECT_EQ((*rd)[6], 0x10);
}

TEST_F(VirtualMouseTest, LateRepliesComeAfterTheirDelay) {
    Plug(WithFaults("late=1:60"));
    const auto q = Request({2});
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(backend.SetFeature(cmd, q.data(), q.size()), platform::kHidOk);
    EXPECT_FALSE(Next(30));
    EXPECT_TRUE(Next(500));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(60));
}

TEST_F(VirtualMouseTest, UnplugsAfterTheGivenNumberOfExchanges) {
    const int m = Plug(WithFaults("unplug-after=3"));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Exchange(Request({2}))) << i;
    backend.Drain();
    EXPECT_FALSE(backend.IsPlugged(m));
    const auto q = Request({2});
    EXPECT_EQ(backend.SetFeature(cmd, q.data(), q.size()), platform::kHidErrDeviceNotConnected);
}

// Only writes are counted: the status and reads before them do not move the failing one.
TEST_F(VirtualMouseTest, RefusesTheChosenWritesAndKeepsItsMemory) {
    const int m = Plug(WithFaults("fail-write=2:2"));
    ASSERT_TRUE(Exchange(Request({2})));
    ASSERT_TRUE(Exchange(Request({4, 0, 0x01, 0x00, 1})));
    const uint8_t expected[] = {0x11, 0x11, 0x11, 0x44};
    for (int i = 0; i < 4; ++i) {
        const int value = 0x11 * (i + 1);
        const auto r = Exchange(Request({3, 0, 0x01, 0x00, 1, value}));
        ASSERT_TRUE(r) << "write " << i + 1;
        EXPECT_EQ((*r)[2], i == 1 || i == 2 ? sim::kStatusRefused : sim::kStatusOk)
            << "write " << i + 1;
        EXPECT_EQ(backend.ReadMemory(m, 0x100, 1)[0], expected[i]) << "write " << i + 1;
    }
}

// What a host sees over 300 writes: 'L' lost, 'E' damaged echo, '.' good.
std::string TraceOfRun(const std::string& faults) {
    DeviceModel model = simtest::TestModel();
    sim::VirtualMouseBackend backend;
    backend.SetLatency(std::chrono::microseconds(0));
    sim::VirtualMouseSetup s = WithFaults(faults);
    s.model = &model;
    std::string error;
    EXPECT_EQ(backend.AddMouse(s, error), 0);
    platform::HidHandle cmd = 0, notify = 0;
    for (const auto& info : backend.Enumerate()) {
        if (info.reportId == 8) cmd = backend.Open(info.path, nullptr);
        if (info.reportId == 9) notify = backend.Open(info.path, nullptr);
    }
    std::string trace;
    for (int i = 0; i < 300; ++i) {
        const auto q = Request({3, 0, 0x01, i & 0xFF, 1, i & 0xFF});
        backend.SetFeature(cmd, q.data(), q.size());
        sim::Report r{};
        size_t got = 0;
        backend.Drain();  // a reply that comes at all is queued now
        if (backend.ReadInput(notify, r.data(), r.size(), 0, &got) != platform::kHidOk)
            trace += 'L';
        else
            trace += std::equal(q.begin() + 3, q.begin() + 14, r.begin() + 3) ? '.' : 'E';
    }
    return trace;
}

TEST(FaultReplay, TheSameSeedGivesTheSameRun) {
    const std::string a = TraceOfRun("lost=0.2,echo=0.2,seed=7");
    EXPECT_EQ(a, TraceOfRun("lost=0.2,echo=0.2,seed=7"));
    EXPECT_NE(a, TraceOfRun("lost=0.2,echo=0.2,seed=8"));
    const auto lost = std::count(a.begin(), a.end(), 'L');
    const auto echo = std::count(a.begin(), a.end(), 'E');
    EXPECT_GT(lost, 30);  // about 60 expected
    EXPECT_LT(lost, 100);
    EXPECT_GT(echo, 20);  // about 48 expected (0.2 of the 240 that arrive)
    EXPECT_LT(echo, 90);
}

}  // namespace
