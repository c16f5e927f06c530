#include "device/device_commands.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "config/program_config.h"
#include "core/log.h"
#include "device/transport.h"

namespace {

constexpr int kMemoryAddressLimit = 0x10000;  // addresses travel as two bytes
constexpr int kResetRetryPauseMs = 10;
constexpr int kReadPiecePauseMs = 5;
constexpr int kWriteRetryPauseMs = 50;
constexpr int kWriteChunkPauseMs = 8;
constexpr size_t kEchoFirst = 2;  // the write echo repeats q[2..12] in r[2..12]
constexpr size_t kEchoBytes = 11;
static_assert(kEchoFirst + kEchoBytes == kRequestBytes);
static_assert(5 + kMaxMemoryChunk == kRequestBytes);

unsigned HandleText(platform::HidHandle h) {
    return static_cast<unsigned>(h);
}

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void MemoryRequest(uint8_t cmd, int address, int n, uint8_t q[kRequestBytes]) {
    std::memset(q, 0, kRequestBytes);
    q[0] = cmd;
    q[2] = static_cast<uint8_t>((address >> 8) & 0xFF);
    q[3] = static_cast<uint8_t>(address & 0xFF);
    q[4] = static_cast<uint8_t>(n);
}

enum class ChunkResult { kVerified, kUnverified, kSendFailed };

// One write request with its tries. Runs under the command lock.
ChunkResult WriteChunk(CUSBDriver& link, platform::HidHandle hCmd, int address, const uint8_t* data,
                       int n) {
    uint8_t q[kRequestBytes];
    MemoryRequest(kCmdWriteMemory, address, n, q);
    std::memcpy(q + 5, data, static_cast<size_t>(n));
    const int tries = g_Config.Retry;
    for (int made = 0; made < tries;) {
        uint8_t report[kReportBytes];
        if (!SendCommand(link, hCmd, q, report)) return ChunkResult::kSendFailed;
        CRetParam ret;
        if (link.m_Replies.WaitNotify(kCmdWriteMemory, ret) == 1 && ret.r[1] == 0 &&
            std::memcmp(ret.r + kEchoFirst, q + kEchoFirst, kEchoBytes) == 0)
            return ChunkResult::kVerified;
        g_pfnLog("WriteEEPROM check failed, addr=0x%d", address);
        ++made;
        if (tries > 1) g_pfnLog("nRetry=%d", made);
        Pause(kWriteRetryPauseMs);
    }
    return ChunkResult::kUnverified;
}

}  // namespace

int GetConnectStatus(platform::HidHandle hCmd, CUSBDriver& link) {
    if (hCmd == platform::kNoHidHandle) return 0;
    std::lock_guard<std::mutex> lock(link.m_CmdLock);
    link.m_Replies.Clear();
    uint8_t q[kRequestBytes] = {kCmdConnectStatus};
    bool haveReply = false;
    CRetParam last;
    for (int t = 0; t < g_Config.Retry; ++t) {
        uint8_t report[kReportBytes];
        if (!SendCommand(link, hCmd, q, report)) return t == 0 ? 0 : -1;
        CRetParam ret;
        const int w = link.m_Replies.WaitNotify(kCmdConnectStatus, ret);
        g_pfnLog("GetConnectStatus: WaitNotify=%d, nCmdStatus=%x, hCmd=%x", w, ret.r[1],
                 HandleText(hCmd));
        if (w == 1) {
            haveReply = true;
            last = ret;
            if (ret.r[1] == 0) return ret.r[5];
        }
    }
    return haveReply ? last.r[5] : -1;
}

int SendCMD(CUSBDriver& link) {
    g_pfnLog("SendCMD: nCmdID=0x%x, bData=0x%x", 5u, 0u);
    std::lock_guard<std::mutex> lock(link.m_CmdLock);
    link.m_Replies.Clear();
    const platform::HidHandle hCmd = link.m_hCmd.load();
    g_pfnLog("SendCMD: hDev=0x%x", HandleText(hCmd));
    if (hCmd == platform::kNoHidHandle) return 0;
    uint8_t q[kRequestBytes] = {kCmdReset};
    int result = 0;
    for (int t = 0; t < g_Config.Retry; ++t) {
        uint8_t report[kReportBytes];
        if (!SendCommand(link, hCmd, q, report)) {
            Pause(kResetRetryPauseMs);
            continue;
        }
        CRetParam ret;
        if (link.m_Replies.WaitNotify(kCmdReset, ret) == 1 && ret.r[1] == 0) {
            result = 1;
            break;
        }
        result = 0;
    }
    return result;
}

int ReadEEPROM(int address, CUSBDriver& link, uint8_t* dest, int n) {
    if (dest == nullptr || n < 1 || n > kMaxMemoryChunk || address < 0 ||
        address + n > kMemoryAddressLimit)
        return 0;
    std::lock_guard<std::mutex> lock(link.m_CmdLock);
    link.m_Replies.Clear();
    const platform::HidHandle hCmd = link.m_hCmd.load();
    if (hCmd == platform::kNoHidHandle) return 0;
    uint8_t q[kRequestBytes];
    MemoryRequest(kCmdReadMemory, address, n, q);
    for (int t = 0; t < g_Config.Retry; ++t) {
        uint8_t report[kReportBytes];
        if (!SendCommand(link, hCmd, q, report)) return 0;
        CRetParam ret;
        if (link.m_Replies.WaitNotify(kCmdReadMemory, ret) == 1 && ret.r[1] == 0 &&
            ret.r[2] == q[2] && ret.r[3] == q[3]) {
            std::memcpy(dest, ret.r + 5, static_cast<size_t>(n));
            return 1;
        }
        g_pfnLog("ReadEEPROM Failed, hCmd=%x, nAddr=0x%x, nParam=%x,%x,%x", HandleText(hCmd),
                 static_cast<unsigned>(address), ret.r[1], ret.r[2], ret.r[3]);
    }
    return 0;
}

int ReadROM(int address, CUSBDriver& link, uint8_t* dest, int count) {
    if (dest == nullptr || count < 0) return 0;
    for (int piece = 0, done = 0; done < count; ++piece) {
        const int n = std::min(count - done, kMaxMemoryChunk);
        const int at = address + done;
        if (!ReadEEPROM(at, link, dest + done, n)) {
            g_pfnLog("ReadROM Failed at %d: nAddr=0x%x", piece, static_cast<unsigned>(at));
            return 0;
        }
        Pause(kReadPiecePauseMs);
        done += n;
    }
    return 1;
}

int WriteEEPROM(int chunk, int count, CUSBDriver& link, int address, const uint8_t* data) {
    if (chunk == 0) chunk = kMaxMemoryChunk;
    if (chunk < 0 || chunk > kMaxMemoryChunk || count < 0 || (count > 0 && data == nullptr) ||
        address < 0 || address + count > kMemoryAddressLimit) {
        g_pfnLog("WriteEEPROM: bad request, chunk=%d, count=%d, addr=0x%x", chunk, count,
                 static_cast<unsigned>(address));
        return 0;
    }
    if (g_nLogLevel == 3) {
        g_pfnLog("WriteEEPROM( Addr=0x%x ): ", static_cast<unsigned>(address));
        LogHexDump(data, static_cast<size_t>(count), 32);
    }
    std::lock_guard<std::mutex> lock(link.m_CmdLock);
    link.m_Replies.Clear();
    const platform::HidHandle hCmd = link.m_hCmd.load();
    if (hCmd == platform::kNoHidHandle) return 0;
    const int whole = count / chunk;
    const int rest = count % chunk;
    bool allVerified = true;
    for (int i = 0; i < whole; ++i) {
        const ChunkResult r = WriteChunk(link, hCmd, address, data, chunk);
        if (r == ChunkResult::kSendFailed) {
            g_pfnLog("WriteEEPROM Err, Addr=0x%d, i=%d", address, i);
            return 0;
        }
        if (r == ChunkResult::kUnverified) allVerified = false;
        address += chunk;
        data += chunk;
        Pause(kWriteChunkPauseMs);
    }
    if (rest > 0) {
        const ChunkResult r = WriteChunk(link, hCmd, address, data, rest);
        if (r == ChunkResult::kSendFailed) {
            g_pfnLog("WriteEEPROM Err, Addr=0x%d", address);
            return 0;
        }
        if (r == ChunkResult::kUnverified) allVerified = false;
    }
    return allVerified ? 1 : 0;
}
