#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "core/log.h"
#include "platform/files.h"
#include "support/support.h"

using testing_support::LogCapture;
using testing_support::TempDir;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct FileLog {
    explicit FileLog(const TempDir& dir, int level) : path(dir.File("Log.txt")) {
        g_nLogLevel = level;
        SetLogFilePath(path);
        InitLog();
    }
    ~FileLog() {
        ResetLog();
        SetLogFilePath("");
    }
    std::string path;
};

}  // namespace

TEST(Log, LevelZeroWritesNothing) {
    TempDir dir;
    {
        FileLog log(dir, 0);
        g_pfnLog("hello %d", 1);
        uint8_t b[] = {1, 2};
        LogHexDump(b, 2, 0, "x");
    }
    EXPECT_FALSE(platform::FileExists(dir.File("Log.txt")));
    LogCapture cap(0);
    g_pfnLog("quiet");
    EXPECT_TRUE(cap.Lines().empty());
}

TEST(Log, DebugSinkPrefixesAndCuts) {
    LogCapture cap(1);
    g_pfnLog("value=%d", 42);
    std::string longText(600, 'a');
    g_pfnLog("%s", longText.c_str());
    auto lines = cap.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "value=42");
    EXPECT_EQ(lines[1].size(), 511u - 4u);  // 511 characters including "BY: "
}

TEST(Log, FileEntryHasCarriageReturnAndStamp) {
    TempDir dir;
    FileLog log(dir, 2);
    g_pfnLog("FindDev: looking for %s", "1209");
    g_pfnLog("two\nlines");
    std::string text = ReadAll(log.path);
    std::regex re("\r[0-9]{2}:[0-9]{2}\\.[0-9]{3}   FindDev: looking for 1209"
                  "\r[0-9]{2}:[0-9]{2}\\.[0-9]{3}   two\r\nlines");
    EXPECT_TRUE(std::regex_match(text, re)) << text;
}

TEST(Log, FileIsEmptiedOnlyWhenOverLimit) {
    struct Case {
        size_t size;
        bool kept;
    };
    for (Case c : {Case{512000, true}, Case{512001, false}}) {
        TempDir dir;
        dir.Write("Log.txt", std::string(c.size, 'x'));
        FileLog log(dir, 2);
        g_pfnLog("next");
        std::string text = ReadAll(log.path);
        EXPECT_EQ(text.size() > c.size, c.kept) << c.size;
        EXPECT_NE(text.find("next"), std::string::npos);
    }
}

TEST(Log, UnopenableFileFallsBackToDebugSink) {
    LogCapture cap(2);  // its file path cannot be created
    g_pfnLog("still seen");
    EXPECT_TRUE(cap.Contains("Open Log failed"));
    EXPECT_TRUE(cap.Contains("still seen"));
}

TEST(Log, HexDumpLines) {
    LogCapture cap(1);
    const uint8_t three[] = {0x01, 0xAB, 0x0F};
    LogHexDump(three, 3, 0, "Read: ");
    EXPECT_EQ(cap.Lines(), (std::vector<std::string>{"Read:  01 ab 0f "}));

    const uint8_t six[] = {1, 2, 3, 4, 5, 6};
    cap.Clear();
    LogHexDump(six, 6, 3);
    EXPECT_EQ(cap.Lines(), (std::vector<std::string>{"01 02 03 ", "04 05 06 ", ""}));
    cap.Clear();
    LogHexDump(six, 6, 4);
    EXPECT_EQ(cap.Lines(), (std::vector<std::string>{"01 02 03 04 ", "05 06 "}));
    cap.Clear();
    LogHexDump(six, 6, 4, "P");
    EXPECT_EQ(cap.Lines(), (std::vector<std::string>{"\nP 01 02 03 04 ", "P 05 06 "}));

    cap.Clear();
    LogHexDump(nullptr, 3, 0);
    LogHexDump(six, 0, 0);
    EXPECT_TRUE(cap.Lines().empty());
}

std::vector<std::string> g_rawEntries;
__attribute__((format(printf, 1, 2))) void RawSink(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    char buf[2048];
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    g_rawEntries.emplace_back(buf);
}

TEST(Log, LongBlockIsSplitBeforeBufferEnd) {
    g_nLogLevel = 1;
    g_rawEntries.clear();
    g_pfnLog = RawSink;
    std::vector<uint8_t> data(400, 0xEE);
    LogHexDump(data.data(), data.size(), 0);
    ResetLog();
    ASSERT_EQ(g_rawEntries.size(), 2u);
    EXPECT_EQ(g_rawEntries[0].size(), 341u * 3u);  // first fill position at or past 1021
    EXPECT_EQ(g_rawEntries[1].size(), (400u - 341u) * 3u);
}

TEST(Log, ConcurrentEntriesDoNotInterleave) {
    TempDir dir;
    FileLog log(dir, 2);
    auto writer = [](char c) {
        std::string body(200, c);
        for (int i = 0; i < 200; ++i) g_pfnLog("%s", body.c_str());
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    std::string text = ReadAll(log.path);
    std::regex entry("\r[0-9]{2}:[0-9]{2}\\.[0-9]{3}   (a{200}|b{200})");
    auto begin = std::sregex_iterator(text.begin(), text.end(), entry);
    EXPECT_EQ(std::distance(begin, std::sregex_iterator()), 400);
}
