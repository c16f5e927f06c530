// Memory commands and the writers, byte by byte against the scripted firmware.
#include <gtest/gtest.h>

#include <chrono>

#include "device/device_commands.h"
#include "device/memory_writers.h"
#include "device/retry_policy.h"
#include "device_fixture.h"

namespace device_test {
namespace {

using Clock = std::chrono::steady_clock;

Bytes Req(std::initializer_list<int> bytes) {
    Bytes b;
    for (int v : bytes) b.push_back(static_cast<uint8_t>(v));
    b.resize(13);
    return b;
}

TEST_F(LinkTest, WriteOfSevenBytesIsOneRequestPaddedWithZero) {
    const uint8_t data[7] = {1, 0x20, 0x30, 0x40, 5, 6, 0x44};
    EXPECT_EQ(WriteEEPROM(0, 7, link, 0x35, data), 1);
    const auto req = Requests();
    ASSERT_EQ(req.size(), 1u);
    EXPECT_EQ(req[0], Req({3, 0, 0x00, 0x35, 7, 1, 0x20, 0x30, 0x40, 5, 6, 0x44, 0}));
    EXPECT_TRUE(std::equal(data, data + 7, firmware.mem + 0x35));
}

TEST_F(LinkTest, WriteInChunksOfSixPausesAfterWholeChunks) {
    uint8_t data[15];
    for (int i = 0; i < 15; ++i) data[i] = static_cast<uint8_t>(0x10 + i);
    EXPECT_EQ(WriteEEPROM(6, 15, link, 0x100, data), 1);
    const auto sent = hid.Sent_();
    ASSERT_EQ(sent.size(), 3u);
    const int addr[] = {0x100, 0x106, 0x10C}, count[] = {6, 6, 3};
    for (int i = 0; i < 3; ++i) {
        const Bytes& r = sent[i].report;
        EXPECT_EQ((r[3] << 8) | r[4], addr[i]);
        EXPECT_EQ(r[5], count[i]);
        EXPECT_EQ(r[6], data[6 * i]);
    }
    for (int i = 1; i < 3; ++i)
        EXPECT_GE(sent[i].at - sent[i - 1].at, std::chrono::milliseconds(8));
    EXPECT_TRUE(std::equal(data, data + 15, firmware.mem + 0x100));
}

// A lost or damaged echo does not mean the write failed: the chunk is read back before it is
// written again, and a read-back that shows other bytes writes it again.
TEST_F(LinkTest, UnverifiedEchoIsReadBackBeforeTheChunkIsWrittenAgain) {
    const Bytes write = Req({3, 0, 0, 0x40, 2, 0x12, 0x43});
    const Bytes read = Req({4, 0, 0, 0x40, 2});
    struct Case {
        const char* what;
        int damageEchoes, dropReplies, ignoreRequests;
        std::vector<Bytes> requests;
    } cases[] = {
        {"damaged echo", 1, 0, 0, {write, read}},
        {"lost echo", 0, 1, 0, {write, read}},
        {"write lost on the way in", 0, 0, 1, {write, read, write}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hid.ClearSent();
        std::fill(firmware.mem, firmware.mem + 0x100, 0);
        firmware.damageEchoes = c.damageEchoes;
        firmware.dropReplies = c.dropReplies;
        firmware.ignoreRequests = c.ignoreRequests;
        const uint8_t data[2] = {0x12, 0x43};
        EXPECT_EQ(WriteEEPROM(0, 2, link, 0x40, data), 1);
        EXPECT_EQ(Requests(), c.requests);
        EXPECT_EQ(firmware.mem[0x40], 0x12);
        EXPECT_EQ(firmware.mem[0x41], 0x43);
    }
    EXPECT_EQ(CountLines(log, "WriteEEPROM check failed, addr=0x64"), 3);
    EXPECT_EQ(CountLines(log, "WriteEEPROM read-back differs, addr=0x40"), 1);
    EXPECT_EQ(CountLines(log, "nRetry=1"), 3);
}

// The configured "Retry" is a floor, not a ceiling: lost replies beyond it are ridden out by
// reads, writes and the connection check alike. A refusal is an answer: "Retry" tries only.
TEST_F(LinkTest, LostRepliesOutlastTheConfiguredRetry) {
    g_Config.Retry = 1;
    uint8_t out[4] = {};
    firmware.mem[0x10] = 0x77;
    firmware.dropReplies = 2;
    EXPECT_EQ(ReadEEPROM(0x10, link, out, 4), 1);
    EXPECT_EQ(out[0], 0x77);
    EXPECT_EQ(hid.Sent_().size(), 3u);

    firmware.damageEchoes = 1;  // the read-back, a second try, verifies the write
    const uint8_t data[1] = {0x5A};
    EXPECT_EQ(WriteEEPROM(0, 1, link, 0x20, data), 1);
    EXPECT_EQ(firmware.mem[0x20], 0x5A);

    firmware.dropReplies = 2;
    EXPECT_EQ(GetConnectStatus(kCmd, link), 1);

    hid.ClearSent();
    firmware.refuseReplies = 2;
    EXPECT_EQ(ReadEEPROM(0x10, link, out, 4), 0);
    EXPECT_EQ(hid.Sent_().size(), 1u);
}

TEST_F(LinkTest, RetryBudgetBoundsTheTries) {
    // The tries a budget allows when every try fails at once.
    struct Case {
        int floorTries, maxTries, budgetMs, tries;
    } cases[] = {
        {3, 8, 60000, 8},    // beyond the floor up to the most
        {10, 8, 60000, 10},  // a configured floor above the most is kept
        {3, 8, 0, 3},        // the floor is kept even when no time is left
        {1, 1, 60000, 1},
    };
    for (const auto& c : cases) {
        RetryPolicy p;
        p.floorTries = c.floorTries;
        p.maxTries = c.maxTries;
        p.budgetMs = c.budgetMs;
        p.pauseMs = 0;
        RetryBudget b(p);
        int tries = 1;
        while (b.Another()) ++tries;
        EXPECT_EQ(tries, c.tries) << c.floorTries << " " << c.maxTries << " " << c.budgetMs;
    }
    g_Config.Retry = 0;
    EXPECT_EQ(LinkRetryPolicy().floorTries, 1);
    g_Config.Retry = 12;
    EXPECT_EQ(LinkRetryPolicy().maxTries, 12);
}

// A chunk that never verifies ends the write there: the chunks after it are not sent, so a link
// that stopped answering does not turn a long write into a long wait.
TEST_F(LinkTest, UnverifiedChunkEndsTheWrite) {
    firmware.damageEchoes = 1000;
    firmware.readOnly = true;
    uint8_t data[16];
    std::fill(data, data + 16, 0x99);
    EXPECT_EQ(WriteEEPROM(0, 16, link, 0x200, data), 0);
    const auto req = Requests();
    EXPECT_EQ(req.size(), static_cast<size_t>(LinkRetryPolicy().maxTries));
    for (const auto& r : req) EXPECT_EQ(r[3], 0x00);  // only the first chunk, at 0x200
    EXPECT_EQ(CountLines(log, "WriteEEPROM read-back differs, addr=0x200"),
              LinkRetryPolicy().maxTries / 2);
    EXPECT_TRUE(log.Contains("WriteEEPROM: chunk at addr=0x200 not written, write ended"));
}

TEST_F(LinkTest, UnplugDuringAWriteEndsItAtOnce) {
    uint8_t data[32] = {};
    hid.onFeature = [&](FakeHid& f, platform::HidHandle h, const Bytes& report) {
        if (f.Sent_().size() == 2) f.Kill(h);  // the second request is the last that arrives
        Bytes r(report.begin() + 1, report.end() - 1);
        r[1] = 0;
        f.QueueReply(kNotify, r);
    };
    const auto t0 = Clock::now();
    EXPECT_EQ(WriteEEPROM(0, 32, link, 0x200, data), 0);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(200));
    EXPECT_EQ(hid.Sent_().size(), 3u);
    EXPECT_TRUE(log.Contains("WriteEEPROM Err, Addr=0x528, i=2"));
}

TEST_F(LinkTest, BadWriteArgumentsSendNothing) {
    uint8_t data[8] = {};
    EXPECT_EQ(WriteEEPROM(9, 8, link, 0, data), 0);
    EXPECT_EQ(WriteEEPROM(0, 8, link, 0xFFFC, data), 0);
    EXPECT_EQ(WriteEEPROM(0, 8, link, 0, nullptr), 0);
    EXPECT_EQ(WriteEEPROM(0, 0, link, 0, data), 1);
    EXPECT_TRUE(hid.Sent_().empty());
}

TEST_F(LinkTest, ReadRomReadsPiecesOfEight) {
    for (int i = 0; i < 20; ++i) firmware.mem[0x30 + i] = static_cast<uint8_t>(i + 1);
    uint8_t out[20] = {};
    ASSERT_EQ(ReadROM(0x30, link, out, 20), 1);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(out[i], i + 1);
    const auto req = Requests();
    ASSERT_EQ(req.size(), 3u);
    EXPECT_EQ(req[0], Req({4, 0, 0, 0x30, 8}));
    EXPECT_EQ(req[1], Req({4, 0, 0, 0x38, 8}));
    EXPECT_EQ(req[2], Req({4, 0, 0, 0x40, 4}));
    const auto sent = hid.Sent_();
    EXPECT_GE(sent[1].at - sent[0].at, std::chrono::milliseconds(5));
}

TEST_F(LinkTest, ReadWithAWrongAddressIsRetriedThenFails) {
    firmware.readAddressSkew = 1;
    uint8_t out[8];
    EXPECT_EQ(ReadEEPROM(0x10, link, out, 8), 0);
    EXPECT_EQ(hid.Sent_().size(), 3u);
    EXPECT_EQ(CountLines(log, "ReadEEPROM Failed, hCmd=1, nAddr=0x10, nParam=0,0,11"), 3);
    EXPECT_EQ(ReadEEPROM(0x10, link, out, 9), 0);
    EXPECT_EQ(ReadROM(0x10, link, out, 8), 0);
    EXPECT_EQ(CountLines(log, "ReadROM Failed at 0: nAddr=0x10"), 1);
    EXPECT_EQ(hid.Sent_().size(), 6u);
}

// A piece whose replies were all lost is read again from where the read stopped, not from the
// start, and only a few times.
TEST_F(LinkTest, LongReadResumesAtThePieceThatFailed) {
    for (int i = 0; i < 24; ++i) firmware.mem[0x300 + i] = static_cast<uint8_t>(0xA0 + i);
    const int tries = LinkRetryPolicy().maxTries;
    int sent = 0;
    hid.onFeature = [&, inner = hid.onFeature](FakeHid& f, platform::HidHandle h, const Bytes& r) {
        if (++sent == 2) firmware.dropReplies = tries;  // the second piece loses all its tries
        inner(f, h, r);
    };
    uint8_t out[24] = {};
    ASSERT_EQ(ReadROM(0x300, link, out, 24), 1);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(out[i], 0xA0 + i);
    const auto req = Requests();
    ASSERT_GE(req.size(), 4u);
    EXPECT_EQ(req[0][3], 0x00);
    for (size_t i = 1; i + 1 < req.size(); ++i) EXPECT_EQ(req[i][3], 0x08);
    EXPECT_EQ(req.back()[3], 0x10);
    EXPECT_TRUE(log.Contains("ReadROM: resuming at 1"));
}

TEST_F(LinkTest, ConnectStatusAndReset) {
    EXPECT_EQ(GetConnectStatus(kCmd, link), 1);
    EXPECT_EQ(SendCMD(link), 1);
    EXPECT_EQ(Requests().back(), Req({5}));
    hid.ClearSent();
    EXPECT_EQ(GetConnectStatus(platform::kNoHidHandle, link), 0);
    EXPECT_TRUE(hid.Sent_().empty());
    // A receiver that answers for a mouse it cannot reach: no further tries.
    hid.ClearSent();
    hid.onFeature = [](FakeHid& f, platform::HidHandle, const Bytes& report) {
        Bytes r(report.begin() + 1, report.end() - 1);
        r[1] = 0;
        r[5] = 0;
        f.QueueReply(kNotify, r);
    };
    EXPECT_EQ(GetConnectStatus(kCmd, link), 0);
    EXPECT_EQ(hid.Sent_().size(), 1u);
    // No answer at all: the tries of the policy within its budget, then -1.
    hid.ClearSent();
    hid.onFeature = nullptr;
    EXPECT_EQ(GetConnectStatus(kCmd, link), -1);
    EXPECT_GE(hid.Sent_().size(), 3u);
    EXPECT_LE(hid.Sent_().size(), static_cast<size_t>(LinkRetryPolicy().maxTries));
    hid.Kill(kCmd);
    EXPECT_EQ(GetConnectStatus(kCmd, link), 0);
}

TEST_F(LinkTest, ReportRateByte) {
    struct Case {
        int rate24, rateBT, reportTy, result;
        Bytes written;
    } cases[] = {
        {0x500, 0x1000, 0, 1, {0x12, 0x43}},
        {0x500, 0x1000, 1, 1, {0x02, 0x53}},
        {0x125, 0x250, 0, 1, {0x48, 0x0D}},
        {0x300, 0x1000, 0, 0, {}},
    };
    for (const auto& c : cases) {
        hid.ClearSent();
        g_DeviceModels[0].ReportTy = c.reportTy;
        EXPECT_EQ(WriteReportRate(c.rate24, c.rateBT, link), c.result);
        const auto req = Requests();
        if (c.written.empty()) {
            EXPECT_TRUE(req.empty());
            continue;
        }
        ASSERT_EQ(req.size(), 1u);
        EXPECT_EQ(req[0], Req({3, 0, 0, 0, 2, c.written[0], c.written[1]}));
    }
}

TEST_F(LinkTest, KeyMatrixEntries) {
    const uint32_t one = 0x00000101;
    EXPECT_EQ(WriteKeyMatrix(&one, 0x01, link, 1), 1);
    EXPECT_EQ(Requests().back(), Req({3, 0, 0, 0x15, 4, 1, 1, 0, 0x53}));
    EXPECT_EQ(WriteKeyMatrix(&one, 0x80, link, 1), 1);
    EXPECT_EQ(Requests().back(), Req({3, 0, 0, 0x31, 4, 1, 1, 0, 0x53}));

    hid.ClearSent();
    uint32_t all[9];
    for (int i = 0; i < 9; ++i) all[i] = 0x010100u + static_cast<uint32_t>(i);
    EXPECT_EQ(WriteKeyMatrix(all, 0xFF, link, 9), 1);
    const auto req = Requests();
    ASSERT_EQ(req.size(), 4u);  // 8 entries, two per request; the ninth has no place
    EXPECT_EQ(req[3][3], 0x15 + 24);
    EXPECT_EQ(firmware.mem[0x31], 7);
    EXPECT_EQ(firmware.mem[0x35], 0);
    EXPECT_EQ(WriteKeyMatrix(all, 0x100, link, 1), 1);
    EXPECT_EQ(Requests().size(), 4u);
}

TEST_F(LinkTest, DpiStagesNeverReachTheKeyMatrix) {
    StageDpi stages[8];
    for (int i = 0; i < 8; ++i) stages[i] = {400 * (i + 1), 400 * (i + 1)};
    EXPECT_EQ(WriteDpiStages(0x04, link, stages, 3), 1);
    auto req = Requests();
    ASSERT_EQ(req.size(), 1u);
    EXPECT_EQ(req[0][3], 12);
    EXPECT_EQ(req[0][4], 3);
    const int x = DpiToCode(0x3325, 1200);
    EXPECT_EQ(req[0][5], x);
    EXPECT_EQ(req[0][7], static_cast<uint8_t>(0x55 - 2 * x));

    hid.ClearSent();
    std::fill(firmware.mem + 0x15, firmware.mem + 0x35, 0xAB);
    EXPECT_EQ(WriteDpiStages(0xFF, link, stages, 8), 1);
    req = Requests();
    ASSERT_EQ(req.size(), 3u);  // 15 bytes in chunks of 6
    EXPECT_EQ(req[2][4], 3);
    EXPECT_TRUE(log.Contains("WriteDpiStages: 8 stages, the mouse keeps 5"));
    EXPECT_TRUE(
        std::all_of(firmware.mem + 0x15, firmware.mem + 0x35, [](uint8_t b) { return b == 0xAB; }));

    hid.ClearSent();
    EXPECT_EQ(WriteDpiStages(0x20, link, stages, 8), 1);
    EXPECT_TRUE(hid.Sent_().empty());

    // A value without a code would reach the mouse as another value's code.
    stages[1] = {1234, 400};
    EXPECT_EQ(WriteDpiStages(0xFF, link, stages, 3), 0);
    EXPECT_EQ(WriteDpiStages(0x02, link, stages, 1), 0);
    EXPECT_TRUE(hid.Sent_().empty());
}

TEST_F(LinkTest, NoCurrentDeviceWritesNothing) {
    link.m_hCmd = platform::kNoHidHandle;
    uint8_t data[4] = {};
    const auto t0 = Clock::now();
    EXPECT_EQ(WriteEEPROM(0, 4, link, 0, data), 0);
    EXPECT_EQ(ReadEEPROM(0, link, data, 4), 0);
    EXPECT_EQ(SendCMD(link), 0);
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(50));
    EXPECT_TRUE(hid.Sent_().empty());
}

}  // namespace
}  // namespace device_test
