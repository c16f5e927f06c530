// Report framing, the reply queue, the reader thread and single report writes and reads.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "core/log.h"
#include "core/messages.h"
#include "device/device_report.h"
#include "device/transport.h"
#include "device_fixture.h"

namespace device_test {
namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point t) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

TEST(ReportFrame, ChecksumMakesTheReportSumTo0x55) {
    struct Case {
        Bytes request;
        uint8_t check;
    } cases[] = {
        {{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x4B},
        {{0x4D, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x00},  // 8 + 0x4D = 0x55
        {{0x4E, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0xFF},  // sum 0x56
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0x5A},
    };
    for (const auto& c : cases) {
        uint8_t out[kReportBytes];
        BuildReport(c.request.data(), out);
        EXPECT_EQ(out[0], 8);
        EXPECT_TRUE(std::equal(c.request.begin(), c.request.end(), out + 1));
        EXPECT_EQ(out[14], c.check);
        unsigned sum = 0;
        for (uint8_t b : out) sum += b;
        EXPECT_EQ(sum % 256, 0x55u);
    }
}

TEST(ReportFrame, Id9ReportsArePaddedOrCutAndOtherIdsAreForeign) {
    uint8_t good[20] = {9, 4, 0, 0, 0x15, 8, 1, 2, 3, 4, 5, 6, 7, 8, 0xEE, 0x77, 0x77};
    CRetParam p;
    ASSERT_TRUE(DecodeInputReport(good, kReportBytes, p));
    EXPECT_EQ(p.r[0], 4);
    EXPECT_EQ(p.r[13], 0xEE);
    EXPECT_EQ(p.r[14], 0);
    // A longer report is cut after 15 bytes, a shorter one zero-filled.
    ASSERT_TRUE(DecodeInputReport(good, sizeof good, p));
    EXPECT_EQ(p.r[13], 0xEE);
    EXPECT_EQ(p.r[14], 0);
    p.r[12] = 0x99;
    ASSERT_TRUE(DecodeInputReport(good, 7, p));
    EXPECT_EQ(p.r[5], 1);
    EXPECT_EQ(p.r[6], 0);
    EXPECT_EQ(p.r[12], 0);
    EXPECT_FALSE(DecodeInputReport(nullptr, 15, p));
    EXPECT_FALSE(DecodeInputReport(good, 0, p));
    good[0] = 8;
    EXPECT_FALSE(DecodeInputReport(good, kReportBytes, p));
}

TEST(ReplyQueueTest, AFullQueueDropsItsOldestEntries) {
    ReplyQueue q;
    for (int i = 0; i < 70; ++i) {
        CRetParam p;
        p.r[0] = static_cast<uint8_t>(i);
        q.Push(p);
    }
    EXPECT_EQ(q.Size(), kReplyQueueLimit);
    EXPECT_EQ(q.Dropped(), 6u);
    CRetParam out;
    EXPECT_EQ(q.WaitNotify(5, out, 0), -1);  // among the dropped
    for (int i = 6; i < 70; ++i) q.Push(CRetParam{});
    EXPECT_EQ(q.Size(), kReplyQueueLimit);
}

TEST(ReplyQueueTest, QueuedReplyIsTakenAtOnceAndOthersAreDiscarded) {
    testing_support::LogCapture log;
    ReplyQueue q;
    CRetParam other, wanted;
    other.r[0] = 4;
    wanted.r[0] = 3;
    wanted.r[5] = 0x77;
    q.Push(other);
    q.Push(wanted);
    CRetParam out;
    const auto t0 = Clock::now();
    EXPECT_EQ(q.WaitNotify(3, out), 1);
    EXPECT_LT(MsSince(t0), 5);
    EXPECT_EQ(out.r[5], 0x77);
    EXPECT_EQ(q.Size(), 0u);
    EXPECT_FALSE(log.Contains("WaitNotify TimeOut"));
}

TEST(ReplyQueueTest, LateReplyToAnotherCommandDoesNotExtendTheWait) {
    testing_support::LogCapture log;
    ReplyQueue q;
    std::thread producer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        CRetParam stale;
        stale.r[0] = 4;
        q.Push(stale);
    });
    CRetParam out;
    const auto t0 = Clock::now();
    EXPECT_EQ(q.WaitNotify(3, out), -1);
    const long waited = MsSince(t0);
    producer.join();
    EXPECT_GE(waited, kWaitNotifyMs - 2);
    EXPECT_LT(waited, kWaitNotifyMs + 60);
    EXPECT_EQ(CountLines(log, "WaitNotify TimeOut for nCmdID=3, ThreadId=0x"), 1);
}

TEST(ReplyQueueTest, ReplyArrivingDuringTheWaitWakesItPromptly) {
    ReplyQueue q;
    std::thread producer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        CRetParam p;
        p.r[0] = 2;
        q.Push(p);
    });
    CRetParam out;
    const auto t0 = Clock::now();
    EXPECT_EQ(q.WaitNotify(2, out), 1);
    EXPECT_LT(MsSince(t0), 45);  // polling every 20 ms after 10 ms would give 50
    producer.join();
}

TEST_F(LinkTest, DeviceEventsArePostedStageFirstAndNeverQueued) {
    hid.QueueInput(kNotify, {9, 0x0A, 0, 0, 0, 0, 0x03, 0x02, 0, 0, 0, 0, 0, 0, 0});
    PostedMessage m;
    ASSERT_TRUE(sink.Take(m, 1000));
    EXPECT_EQ(m.msg, WM_DEVICE_BEHAVIOR);
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_EQ(m.lParam, 1);
    ASSERT_TRUE(sink.Take(m, 1000));
    EXPECT_EQ(m.wParam, 0u);
    EXPECT_EQ(m.lParam, 2);

    // No event bits: nothing posted, nothing queued.
    hid.QueueInput(kNotify, {9, 0x0A, 0, 0, 0, 0, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(sink.Take(m, 100));
    EXPECT_EQ(link.m_Replies.Size(), 0u);
}

TEST_F(LinkTest, ReportsOfOtherIdsAreSkippedQuietlyAndShortRepliesPadded) {
    struct Level3 {
        Level3() { g_nLogLevel = 3; }
        ~Level3() { g_nLogLevel = 0; }
    } level3;
    // A pointer and a keyboard on the same node, then a short reply of ours: queued only once
    // the wait runs, so the reader thread cannot skip any of them before it, however the
    // threads are scheduled.
    std::thread device([this] {
        while (link.m_Replies.Waiting() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i = 0; i < 200; ++i) hid.QueueInput(kNotify, {2, 0, 1, 0xFF, 0, 0});
        hid.QueueInput(kNotify, {1, 0, 0, 4, 0, 0, 0, 0, 0});
        hid.QueueInput(kNotify, {9, 3, 0, 0, 0x15, 2});
    });
    CRetParam out;
    const int got = link.m_Replies.WaitNotify(3, out, 10000);
    device.join();
    ASSERT_EQ(got, 1);
    EXPECT_EQ(out.r[3], 0x15);
    EXPECT_EQ(out.r[4], 2);
    EXPECT_EQ(out.r[13], 0);
    EXPECT_EQ(link.m_Replies.Size(), 0u);
    EXPECT_EQ(link.m_Replies.Foreign(), 201u);
    PostedMessage m;
    EXPECT_FALSE(sink.Take(m, 50));
    // One summary line for the whole wait, never a line per report.
    EXPECT_EQ(CountLines(log, "WaitNotify: skipped 201 reports of other ids"), 1);
    EXPECT_LE(log.Lines().size(), 10u);
}

TEST_F(LinkTest, SendCommandTriesThreeTimesThenLogsOnce) {
    hid.FailFeatures({31, 31, 31});
    uint8_t q[kRequestBytes] = {2};
    uint8_t out[kReportBytes];
    const auto t0 = Clock::now();
    EXPECT_EQ(SendCommand(link, kCmd, q, out), 0);
    EXPECT_GE(MsSince(t0), 300);
    EXPECT_EQ(hid.Sent_().size(), 3u);
    EXPECT_EQ(CountLines(log, "SendCommand err=0x1f"), 1);
    EXPECT_EQ(out[14], 0x4B);
}

TEST_F(LinkTest, SendCommandGivesUpAtOnceWhenTheDeviceIsGone) {
    hid.FailFeatures({1167});
    uint8_t q[kRequestBytes] = {2};
    uint8_t out[kReportBytes];
    const auto t0 = Clock::now();
    EXPECT_EQ(SendCommand(link, kCmd, q, out), 0);
    EXPECT_LT(MsSince(t0), 50);
    EXPECT_EQ(hid.Sent_().size(), 1u);
    EXPECT_TRUE(log.Contains("SendCommand Err, dev is plugout"));
    EXPECT_EQ(SendCommand(link, kCmd, nullptr, out), 0);
    EXPECT_EQ(hid.Sent_().size(), 1u);
}

// A leaving mouse's request can fail before its node is gone (the kernel ends the request,
// then removes the nodes one by one): the failure is still named a disconnection. A mouse
// that stays is not, once the short wait for its removal is over.
TEST_F(LinkTest, DeviceGoneWaitsForANodeThatIsOnItsWayOut) {
    link.m_nGoneSettleMs = 1000;
    std::thread remover([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        hid.Kill(kCmd);
    });
    EXPECT_TRUE(link.DeviceGone());
    remover.join();

    hid.Revive(kCmd);
    link.m_hCmd = kCmd;
    link.m_nGoneSettleMs = 100;
    const auto t0 = Clock::now();
    EXPECT_FALSE(link.DeviceGone());
    EXPECT_LT(MsSince(t0), 1000);
    link.m_hCmd = platform::kNoHidHandle;
    EXPECT_TRUE(link.DeviceGone());
}

TEST(Transport, GetDataCopiesTheRequestedBytesAndRejectsBadReads) {
    testing_support::LogCapture log;
    FakeHid hid;
    hid.QueueInput(5, {9, 1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
    uint8_t out[14] = {};
    ASSERT_EQ(GetData(hid, 5, out, 13, 100), 1);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[12], 12);
    EXPECT_EQ(out[13], 0);  // only 13 copied

    EXPECT_EQ(GetData(hid, 5, out, 13, 20), 0);
    EXPECT_TRUE(log.Contains("GetData TimeOut, hNotify=5"));
    EXPECT_EQ(GetData(hid, 5, out, 15, 20), 0);  // more than a report holds
    hid.Kill(5);
    EXPECT_EQ(GetData(hid, 5, out, 13, 100), 0);
    EXPECT_TRUE(log.Contains("GetData Err, dev is plugout"));
}

TEST(Transport, GetDataSkipsOtherReportsUntilItsOwnTimeOut) {
    testing_support::LogCapture log;
    FakeHid hid;
    // Keystrokes and pointer motion before the reply: skipped, and the short reply padded.
    hid.QueueInput(5, {1, 0, 0, 4, 0, 0, 0, 0, 0});
    hid.QueueInput(5, {3, 0xE9, 0});
    hid.QueueInput(5, {2, 0, 1, 0xFF, 0, 0});
    hid.QueueInput(5, {9, 1, 0, 2});
    uint8_t out[14];
    std::memset(out, 0xCC, sizeof out);
    ASSERT_EQ(GetData(hid, 5, out, 13, 100), 1);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2], 2);
    EXPECT_EQ(out[12], 0);
    EXPECT_EQ(out[13], 0xCC);

    // Only foreign reports: a time-out, and no line per report at the usual log level.
    for (int i = 0; i < 50; ++i) hid.QueueInput(5, {2, 0, 1, 0xFF, 0, 0});
    log.Clear();
    EXPECT_EQ(GetData(hid, 5, out, 13, 30), 0);
    EXPECT_EQ(log.Lines().size(), 1u);
    EXPECT_TRUE(log.Contains("GetData TimeOut, hNotify=5"));
}

TEST(Transport, SendDataStoresTheErrorOfItsOneAttempt) {
    testing_support::LogCapture log;
    FakeHid hid;
    hid.FailFeatures({31});
    uint8_t q[kRequestBytes] = {1};
    int err = 0;
    EXPECT_EQ(SendData(hid, 3, q, &err), 0);
    EXPECT_EQ(err, 31);
    EXPECT_EQ(hid.Sent_().size(), 1u);
    EXPECT_TRUE(log.Contains("SendData Err=0x1f"));
    EXPECT_EQ(SendData(hid, 3, q), 1);
}

TEST(ServiceThreadTest, LostBluetoothLinkIsAnnouncedAfterThePause) {
    for (int bluetooth : {1, 0}) {
        ResetDeviceConfig();
        FakeHid hid;
        QueueMessageSink sink;
        CUSBDriver link(hid, &sink);
        link.m_nBluetoothLossDelayMs = 100;
        link.m_hNotify = 2;
        link.m_bBluetooth = bluetooth;
        link.m_bFindFlag = 2;
        link.StartServiceThread();
        const auto t0 = Clock::now();
        hid.Kill(2);
        PostedMessage m;
        if (bluetooth) {
            ASSERT_TRUE(sink.Take(m, 2000));
            EXPECT_GE(MsSince(t0), 100);
            EXPECT_EQ(m.msg, WM_BLUETOOTH_OUT);
            EXPECT_EQ(link.m_bFindFlag.load(), 0);
        } else {
            EXPECT_FALSE(sink.Take(m, 300));
            EXPECT_EQ(link.m_bFindFlag.load(), 2);
        }
        link.StopServiceThread();
    }
}

TEST(ServiceThreadTest, StopEndsTheReaderAndAStopDuringThePauseAnnouncesNothing) {
    testing_support::LogCapture log;
    ResetDeviceConfig();
    FakeHid hid;
    QueueMessageSink sink;
    CUSBDriver link(hid, &sink);
    link.m_hNotify = 2;
    link.m_bBluetooth = 1;
    link.StartServiceThread();
    hid.Kill(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto t0 = Clock::now();
    link.StopServiceThread();  // inside the 5 s pause
    EXPECT_LT(MsSince(t0), 500);
    PostedMessage m;
    EXPECT_FALSE(sink.Take(m, 50));
    EXPECT_TRUE(log.Contains("...ServiceThread exit, hNotify=2"));

    link.m_hNotify = 3;
    link.StartServiceThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    link.StopServiceThread();
    EXPECT_TRUE(log.Contains("hObject[1] is signal"));
}

}  // namespace
}  // namespace device_test
