#include "device/device_commands.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "config/program_config.h"
#include "core/log.h"
#include "device/retry_policy.h"
#include "device/transport.h"

namespace {

constexpr int kMemoryAddressLimit = 0x10000;  // addresses travel as two bytes
constexpr int kResetRetryPauseMs = 10;
constexpr int kResumePauseMs = 100;
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

// How one try ended. kLost: no reply (or an echo that did not verify); kRefused: the mouse
// answered no, or answered another request; kStop: the exchange ends at once and is not tried
// again (no device, a send that failed, a bad request).
enum class Outcome { kDone, kLost, kRefused, kStop };

// One read request and its reply. kDone with the bytes in dest; otherwise logged.
Outcome ReadTry(CUSBDriver& link, platform::HidHandle hCmd, const uint8_t q[kRequestBytes],
                uint8_t* dest, int n) {
    uint8_t report[kReportBytes];
    if (!SendCommand(link, hCmd, q, report)) return Outcome::kStop;
    CRetParam ret;
    const bool replied = link.m_Replies.WaitNotify(kCmdReadMemory, ret) == 1;
    if (replied && ret.r[1] == 0 && ret.r[2] == q[2] && ret.r[3] == q[3]) {
        std::memcpy(dest, ret.r + 5, static_cast<size_t>(n));
        return Outcome::kDone;
    }
    g_pfnLog("ReadEEPROM Failed, hCmd=%x, nAddr=0x%x, nParam=%x,%x,%x", HandleText(hCmd),
             static_cast<unsigned>((q[2] << 8) | q[3]), ret.r[1], ret.r[2], ret.r[3]);
    return replied ? Outcome::kRefused : Outcome::kLost;
}

// A read with the tries of the retry policy. Runs under the command lock.
Outcome ReadWithTries(CUSBDriver& link, platform::HidHandle hCmd, int address, uint8_t* dest,
                      int n) {
    uint8_t q[kRequestBytes];
    MemoryRequest(kCmdReadMemory, address, n, q);
    RetryBudget budget(LinkRetryPolicy());
    for (;;) {
        const Outcome o = ReadTry(link, hCmd, q, dest, n);
        if (o == Outcome::kDone || o == Outcome::kStop) return o;
        if (!budget.Another(o == Outcome::kRefused)) return o;
        budget.Pause();
    }
}

// Takes the command lock for one read exchange.
Outcome ReadExchange(int address, CUSBDriver& link, uint8_t* dest, int n) {
    if (dest == nullptr || n < 1 || n > kMaxMemoryChunk || address < 0 ||
        address + n > kMemoryAddressLimit)
        return Outcome::kStop;
    std::lock_guard<std::mutex> lock(link.m_CmdLock);
    link.m_Replies.Clear();
    const platform::HidHandle hCmd = link.m_hCmd.load();
    if (hCmd == platform::kNoHidHandle) return Outcome::kStop;
    return ReadWithTries(link, hCmd, address, dest, n);
}

// One write request of a chunk (q holds it). kDone when the echo repeats the request; kLost
// when it did not come or differs (damaged on the way back: the chunk may well be written).
Outcome WriteTry(CUSBDriver& link, platform::HidHandle hCmd, const uint8_t q[kRequestBytes]) {
    uint8_t report[kReportBytes];
    if (!SendCommand(link, hCmd, q, report)) return Outcome::kStop;
    CRetParam ret;
    if (link.m_Replies.WaitNotify(kCmdWriteMemory, ret) != 1) return Outcome::kLost;
    if (ret.r[1] != 0) return Outcome::kRefused;
    if (std::memcmp(ret.r + kEchoFirst, q + kEchoFirst, kEchoBytes) == 0) return Outcome::kDone;
    return Outcome::kLost;
}

// Reads the chunk back: kDone when the mouse holds exactly the chunk's bytes, kLost when it
// holds others.
Outcome ReadBackTry(CUSBDriver& link, platform::HidHandle hCmd, int address, const uint8_t* data,
                    int n) {
    uint8_t q[kRequestBytes];
    MemoryRequest(kCmdReadMemory, address, n, q);
    uint8_t held[kMaxMemoryChunk] = {};
    const Outcome o = ReadTry(link, hCmd, q, held, n);
    if (o != Outcome::kDone) return o;
    if (std::memcmp(held, data, static_cast<size_t>(n)) == 0) return Outcome::kDone;
    g_pfnLog("WriteEEPROM read-back differs, addr=0x%x", static_cast<unsigned>(address));
    return Outcome::kLost;
}

// One chunk with the tries of the retry policy. A write whose echo is lost or damaged may still
// have been written: the chunk is read back before it is written again, and it counts as
// written only when the echo or the read-back verified it. Runs under the command lock.
Outcome WriteChunk(CUSBDriver& link, platform::HidHandle hCmd, int address, const uint8_t* data,
                   int n) {
    uint8_t q[kRequestBytes];
    MemoryRequest(kCmdWriteMemory, address, n, q);
    std::memcpy(q + 5, data, static_cast<size_t>(n));
    RetryBudget budget(LinkRetryPolicy());
    bool readBack = false;
    for (;;) {
        Outcome o;
        if (readBack) {
            o = ReadBackTry(link, hCmd, address, data, n);
            readBack = false;  // not there, or not known: write it again
        } else {
            o = WriteTry(link, hCmd, q);
            if (o != Outcome::kDone && o != Outcome::kStop) {
                g_pfnLog("WriteEEPROM check failed, addr=0x%d", address);
                readBack = true;
            }
        }
        if (o == Outcome::kDone || o == Outcome::kStop) return o;
        if (!budget.Another(o == Outcome::kRefused)) return o;
        g_pfnLog("nRetry=%d", budget.Made());
        budget.Pause();
    }
}

}  // namespace

int GetConnectStatus(platform::HidHandle hCmd, CUSBDriver& link) {
    if (hCmd == platform::kNoHidHandle) return 0;
    std::lock_guard<std::mutex> lock(link.m_CmdLock);
    link.m_Replies.Clear();
    uint8_t q[kRequestBytes] = {kCmdConnectStatus};
    bool haveReply = false;
    CRetParam last;
    RetryBudget budget(LinkRetryPolicy());
    for (;;) {
        uint8_t report[kReportBytes];
        if (!SendCommand(link, hCmd, q, report)) return budget.Made() == 0 ? 0 : -1;
        CRetParam ret;
        const int w = link.m_Replies.WaitNotify(kCmdConnectStatus, ret);
        g_pfnLog("GetConnectStatus: WaitNotify=%d, nCmdStatus=%x, hCmd=%x", w, ret.r[1],
                 HandleText(hCmd));
        if (w == 1) {
            haveReply = true;
            last = ret;
            if (ret.r[1] == 0) return ret.r[5];
        }
        if (!budget.Another(w == 1)) break;
        budget.Pause();
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
    return ReadExchange(address, link, dest, n) == Outcome::kDone ? 1 : 0;
}

int ReadROM(int address, CUSBDriver& link, uint8_t* dest, int count, int piecePauseMs) {
    if (dest == nullptr || count < 0) return 0;
    int resumes = LinkRetryPolicy().longReadResumes;
    for (int piece = 0, done = 0; done < count;) {
        const int n = std::min(count - done, kMaxMemoryChunk);
        const int at = address + done;
        const Outcome o = ReadExchange(at, link, dest + done, n);
        if (o != Outcome::kDone) {
            g_pfnLog("ReadROM Failed at %d: nAddr=0x%x", piece, static_cast<unsigned>(at));
            // A piece whose replies were lost over all its tries is tried again from where it
            // stopped, a few times per read; a refusal or a mouse that is gone ends the read.
            if (o != Outcome::kLost || resumes <= 0) return 0;
            --resumes;
            g_pfnLog("ReadROM: resuming at %d", piece);
            Pause(kResumePauseMs);
            continue;
        }
        Pause(piecePauseMs);
        done += n;
        ++piece;
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
    for (int i = 0; i <= whole; ++i) {
        const int n = i < whole ? chunk : rest;
        if (n == 0) break;
        const Outcome o = WriteChunk(link, hCmd, address, data, n);
        if (o == Outcome::kStop) {
            if (i < whole)
                g_pfnLog("WriteEEPROM Err, Addr=0x%d, i=%d", address, i);
            else
                g_pfnLog("WriteEEPROM Err, Addr=0x%d", address);
            return 0;
        }
        if (o != Outcome::kDone) {
            // The chunk did not verify within the retry policy: the link is not usable now, and
            // going on would only turn a dead link into a long wait.
            g_pfnLog("WriteEEPROM: chunk at addr=0x%x not written, write ended",
                     static_cast<unsigned>(address));
            return 0;
        }
        if (i == whole) break;
        address += chunk;
        data += chunk;
        Pause(kWriteChunkPauseMs);
    }
    return 1;
}
