#include "sim/virtual_mouse.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "sim/factory_image.h"
#include "virtual_mouse_fixture.h"

using platform::kHidErrDeviceNotConnected;
using platform::kHidErrGenFailure;
using platform::kHidErrTimeout;
using platform::kHidOk;
using simtest::Request;
using simtest::VirtualMouseTest;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Slice(const sim::Report& r, int from, int to) {
    return Bytes(r.begin() + from, r.begin() + to);
}

TEST_F(VirtualMouseTest, ShowsTheThreeInterfacesOfARealMouse) {
    Plug();
    const auto list = backend.Enumerate();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, "hid#vid_1209&pid_0007&mi_00#virtual0");
    EXPECT_EQ(list[0].reportId, 0);
    EXPECT_EQ(list[0].inputLength, 4);
    EXPECT_EQ(list[0].usagePage, 1);
    EXPECT_EQ(list[0].usage, 2);
    EXPECT_EQ(list[1].path, "hid#vid_1209&pid_0007&mi_01#virtual1");
    EXPECT_EQ(list[1].reportId, 8);
    EXPECT_EQ(list[1].featureLength, 15);
    EXPECT_EQ(list[2].reportId, 9);
    EXPECT_EQ(list[2].inputLength, 15);
    EXPECT_EQ(list[2].vendorId, 0x1209);
    EXPECT_EQ(list[2].productId, 0x0007);
}

TEST_F(VirtualMouseTest, BluetoothInterfacesCarryTheVendorButNoReceiverText) {
    sim::VirtualMouseSetup s;
    s.link = sim::LinkKind::kBluetooth;
    Plug(s);
    for (const auto& info : backend.Enumerate()) {
        EXPECT_NE(info.path.find("1209"), std::string::npos) << info.path;
        EXPECT_EQ(info.path.find("hid#vid_"), std::string::npos) << info.path;
        EXPECT_EQ(info.productId, 0x0008);
    }
    EXPECT_TRUE(Exchange(Request({2})).has_value());
}

TEST_F(VirtualMouseTest, WriteEchoesTheRequestAndChangesMemory) {
    const int m = Plug();
    const auto reply = Exchange(Request({3, 0, 0x00, 0x35, 7, 4, 1, 2, 3, 4, 5, 0x40}));
    ASSERT_TRUE(reply);
    EXPECT_EQ(Slice(*reply, 0, 14), (Bytes{9, 3, 0, 0, 0x35, 7, 4, 1, 2, 3, 4, 5, 0x40, 0}));
    EXPECT_EQ(backend.ReadMemory(m, 0x35, 8), (Bytes{4, 1, 2, 3, 4, 5, 0x40, 0}));
    EXPECT_EQ(static_cast<uint8_t>((*reply)[14]), sim::CheckByte(reply->data(), 14));

    // A write that would run past 0xDFF, or of 0 or 9 bytes, is refused and changes nothing.
    const auto before = backend.Memory(m);
    for (auto q : {Request({3, 0, 0x0D, 0xFC, 8, 1, 1, 1, 1, 1, 1, 1, 1}),
                   Request({3, 0, 0x00, 0x10, 0}), Request({3, 0, 0x00, 0x10, 9, 1})}) {
        const auto r = Exchange(q);
        ASSERT_TRUE(r);
        EXPECT_EQ((*r)[1], 3);
        EXPECT_EQ((*r)[2], sim::kStatusRefused);
    }
    EXPECT_EQ(backend.Memory(m), before);
}

TEST_F(VirtualMouseTest, ReadRepliesWithAddressCountAndData) {
    const int m = Plug();
    const uint8_t data[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    ASSERT_TRUE(backend.WriteMemory(m, 0xDFC, data, 4));
    const auto r = Exchange(Request({4, 0, 0x0D, 0xFC, 4}));
    ASSERT_TRUE(r);
    EXPECT_EQ(Slice(*r, 0, 14),
              (Bytes{9, 4, 0, 0x0D, 0xFC, 4, 0xDE, 0xAD, 0xBE, 0xEF, 0, 0, 0, 0}));

    const auto bad = Exchange(Request({4, 0, 0x0D, 0xFD, 4}));
    ASSERT_TRUE(bad);
    EXPECT_EQ((*bad)[2], sim::kStatusRefused);
    EXPECT_EQ(Slice(*bad, 6, 10), (Bytes{0, 0, 0, 0}));
}

TEST_F(VirtualMouseTest, IdentificationStatusAndReset) {
    Plug();
    const auto id = Exchange(Request({1, 0, 0, 0, 8, 17, 42, 99, 100}));
    ASSERT_TRUE(id);
    EXPECT_EQ((*id)[1], 1);
    EXPECT_EQ((*id)[2], 0);
    EXPECT_EQ((*id)[10], 0x21);  // r[9] customer code
    EXPECT_EQ((*id)[11], 0x05);  // r[10] model code

    const auto status = Exchange(Request({2}));
    ASSERT_TRUE(status);
    EXPECT_EQ(Slice(*status, 0, 7), (Bytes{9, 2, 0, 0, 0, 0, 1}));

    const auto reset = Exchange(Request({5}));
    ASSERT_TRUE(reset);
    EXPECT_EQ(Slice(*reset, 0, 3), (Bytes{9, 5, 0}));
}

TEST_F(VirtualMouseTest, ResetRestoresTheFactoryImageOfTheModel) {
    const int mouse = Plug();
    sim::MemoryImage factory{};
    sim::BuildFactoryImage(model, factory);
    ASSERT_EQ(factory, backend.Memory(mouse));
    // Stage count, a key matrix entry and a byte of a key slot buffer changed by the host.
    ASSERT_TRUE(Exchange(Request({3, 0, 0x00, 0x02, 2, 1, 0x54})));
    ASSERT_TRUE(Exchange(Request({3, 0, 0x00, 0x15, 4, 0, 0, 0, 0x55})));
    ASSERT_TRUE(Exchange(Request({3, 0, 0x02, 0x00, 1, 0x77})));
    ASSERT_NE(factory, backend.Memory(mouse));
    ASSERT_TRUE(Exchange(Request({5})));
    EXPECT_EQ(factory, backend.Memory(mouse));
}

TEST_F(VirtualMouseTest, AMouseOutOfReachOnlyLetsTheReceiverAnswerTheStatus) {
    const int m = Plug();
    backend.SetReachable(m, false);
    const auto status = Exchange(Request({2}));
    ASSERT_TRUE(status);
    EXPECT_EQ((*status)[2], 0);
    EXPECT_EQ((*status)[6], 0);  // r[5]: not reachable
    EXPECT_FALSE(Exchange(Request({4, 0, 0, 0, 8}), 30));
    backend.SetReachable(m, true);
    EXPECT_TRUE(Exchange(Request({4, 0, 0, 0, 8})));
}

TEST_F(VirtualMouseTest, RefusesReportsOfTheWrongShape) {
    Plug();
    auto q = Request({2});
    EXPECT_EQ(backend.SetFeature(cmd, q.data(), 14), kHidErrGenFailure);
    EXPECT_EQ(backend.SetFeature(notify, q.data(), q.size()), kHidErrGenFailure);
    q[14] ^= 1;  // a damaged check byte: accepted by the link, ignored by the firmware
    EXPECT_FALSE(Exchange(q, 30));
}

TEST_F(VirtualMouseTest, ButtonsCycleStagesAndLightingAndSendEvents) {
    const int m = Plug();
    EXPECT_EQ(backend.ReadMemory(m, 4, 2), (Bytes{1, 0x54}));
    for (int expected : {2, 0, 1}) {
        backend.PressDpiButton(m);
        const auto ev = Next();
        ASSERT_TRUE(ev);
        EXPECT_EQ(Slice(*ev, 0, 8),
                  (Bytes{9, 0x0A, 0, 0, 0, 0, 0x01, static_cast<uint8_t>(expected)}));
        EXPECT_EQ(backend.ReadMemory(m, 4, 2),
                  (Bytes{static_cast<uint8_t>(expected), static_cast<uint8_t>(0x55 - expected)}));
    }
    backend.PressLightingButton(m);
    const auto ev = Next();
    ASSERT_TRUE(ev);
    EXPECT_EQ(Slice(*ev, 0, 8), (Bytes{9, 0x0A, 0, 0, 0, 0, 0x02, 0}));
    const auto led = backend.ReadMemory(m, 0x35, 7);
    EXPECT_EQ(led[0], 1);
    EXPECT_EQ(sim::CheckByte(led.data(), 6), led[6]);
}

TEST_F(VirtualMouseTest, UnplugKillsHandlesAndReplugMakesItEnumerableAgain) {
    struct Recorder : platform::DeviceNotifications::Listener {
        void OnDeviceChange(bool arrival, const std::string& name) override {
            std::lock_guard<std::mutex> g(mu);
            seen.emplace_back(arrival, name);
        }
        std::mutex mu;
        std::vector<std::pair<bool, std::string>> seen;
    } rec;
    auto notes = backend.MakeNotifications();
    ASSERT_TRUE(notes->Start(&rec));

    const int m = Plug();
    const uint8_t mark = 0x77;
    backend.WriteMemory(m, 0x100, &mark, 1);
    int pending = -1;
    std::thread reader([&] {
        uint8_t buf[15];
        size_t got = 0;
        pending = backend.ReadInput(notify, buf, sizeof buf, 5000, &got);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    backend.Unplug(m);
    reader.join();
    EXPECT_EQ(pending, kHidErrDeviceNotConnected);
    const auto q = Request({2});
    EXPECT_EQ(backend.SetFeature(cmd, q.data(), q.size()), kHidErrDeviceNotConnected);
    EXPECT_FALSE(backend.IsAttached(cmd));
    EXPECT_TRUE(backend.Enumerate().empty());
    int err = 0;
    EXPECT_EQ(backend.Open("hid#vid_1209&pid_0007&mi_01#virtual1", &err), platform::kNoHidHandle);
    EXPECT_EQ(err, kHidErrDeviceNotConnected);

    backend.Replug(m);
    EXPECT_EQ(backend.Enumerate().size(), 3u);
    EXPECT_EQ(backend.SetFeature(cmd, q.data(), q.size()), kHidErrDeviceNotConnected);
    OpenInterfaces(m);
    EXPECT_TRUE(Exchange(q));
    EXPECT_EQ(backend.ReadMemory(m, 0x100, 1), Bytes{0x77});

    backend.Drain();
    notes->Stop();
    std::lock_guard<std::mutex> g(rec.mu);
    ASSERT_EQ(rec.seen.size(), 3u);
    EXPECT_EQ(rec.seen[0], std::make_pair(true, std::string("USB#VID_1209&PID_0007#VIRTUAL0")));
    EXPECT_FALSE(rec.seen[1].first);
    EXPECT_TRUE(rec.seen[2].first);
}

TEST_F(VirtualMouseTest, SeveralMiceAnswerOnlyOnTheirOwnInterfaces) {
    sim::VirtualMouseSetup a, b;
    b.cid = 0x33;
    b.mid = 0x44;
    Plug(a);
    const auto cmdA = cmd, notifyA = notify;
    const int mb = Plug(b);
    EXPECT_EQ(backend.Enumerate().size(), 6u);

    const auto id = Exchange(Request({1, 0, 0, 0, 8}));
    ASSERT_TRUE(id);
    EXPECT_EQ((*id)[10], 0x33);
    EXPECT_EQ((*id)[11], 0x44);
    uint8_t buf[15];
    size_t got = 0;
    EXPECT_EQ(backend.ReadInput(notifyA, buf, sizeof buf, 20, &got), kHidErrTimeout);

    backend.Unplug(mb);
    cmd = cmdA;
    notify = notifyA;
    EXPECT_TRUE(Exchange(Request({2})));
}

TEST_F(VirtualMouseTest, LatencyDelaysTheReply) {
    Plug();
    backend.SetLatency(std::chrono::milliseconds(5));
    const auto q = Request({2});
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(backend.SetFeature(cmd, q.data(), q.size()), kHidOk);
    EXPECT_FALSE(Next(0));  // not there yet
    ASSERT_TRUE(Next(200));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(10));
}

TEST_F(VirtualMouseTest, ReadsTimeOutAndCancel) {
    Plug();
    uint8_t buf[15];
    size_t got = 0;
    EXPECT_EQ(backend.ReadInput(notify, buf, sizeof buf, 0, &got), kHidErrTimeout);
    int result = -1;
    std::thread reader([&] { result = backend.ReadInput(notify, buf, sizeof buf, -1, &got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    backend.CancelRead(notify);
    reader.join();
    EXPECT_EQ(result, platform::kHidErrOperationAborted);
    backend.Close(notify);
    EXPECT_EQ(backend.ReadInput(notify, buf, sizeof buf, 0, &got), platform::kHidErrInvalidHandle);
}

// Threads exchanging, pressing buttons and unplugging at once; meant for ThreadSanitizer.
TEST_F(VirtualMouseTest, StaysConsistentUnderConcurrentUse) {
    const int m = Plug();
    backend.SetLatency(std::chrono::microseconds(50));
    std::atomic<bool> stop{false};
    std::thread buttons([&] {
        while (!stop) {
            backend.PressDpiButton(m);
            backend.PressLightingButton(m);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::thread plugger([&] {
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            backend.Unplug(m);
            backend.Enumerate();
            backend.Replug(m);
        }
    });
    int answered = 0;
    for (int i = 0; i < 200; ++i) {
        const auto q = Request({4, 0, 0, 0, 8});
        if (backend.SetFeature(cmd, q.data(), q.size()) != kHidOk) {
            // Unplugged: open whatever is there now; failures just mean another round.
            backend.Close(cmd);
            backend.Close(notify);
            for (const auto& info : backend.Enumerate()) {
                if (info.reportId == 8) cmd = backend.Open(info.path, nullptr);
                if (info.reportId == 9) notify = backend.Open(info.path, nullptr);
            }
            continue;
        }
        if (Next(20)) ++answered;
    }
    stop = true;
    buttons.join();
    plugger.join();
    backend.Drain();
    EXPECT_GT(answered, 0);
    const auto stage = backend.ReadMemory(m, 4, 2);
    EXPECT_EQ(sim::CheckByte(stage.data(), 1), stage[1]);
}

}  // namespace
