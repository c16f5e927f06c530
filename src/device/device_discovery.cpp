#include "device/device_discovery.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <thread>

#include "config/device_model.h"
#include "config/program_config.h"
#include "core/log.h"
#include "core/utf.h"
#include "device/device_report.h"
#include "device/session_state.h"
#include "device/transport.h"

namespace {

constexpr int kMatchStartPauseMs = 50;
constexpr int kStatusReplyWaitMs = 100;
constexpr int kStatusReplyPollMs = 2;
constexpr int kMatchReadTimeoutMs = 1500;
constexpr int kIdentifyTimeoutMs = 1000;
constexpr int kPathCompareChars = 260;

unsigned HandleText(platform::HidHandle h) {
    return static_cast<unsigned>(h);
}

bool IsCommandCandidate(const platform::HidInterfaceInfo& i) {
    return !i.path.empty() && i.reportId == kRequestReportId &&
           i.featureLength == static_cast<int>(kReportBytes);
}

bool IsNotifyCandidate(const platform::HidInterfaceInfo& i) {
    return !i.path.empty() && i.reportId == kInputReportId &&
           i.inputLength == static_cast<int>(kReportBytes);
}

// Paths compare like the classic fixed buffers: case-insensitive, first 260 characters; an
// empty current path matches nothing.
bool SamePath(const std::string& a, const std::string& current) {
    if (current.empty()) return false;
    return EqualsNoCase(a.substr(0, kPathCompareChars), current.substr(0, kPathCompareChars));
}

void NoteOpenFailure(int& denied, const std::string& path, int err) {
    if (err != platform::kHidErrAccessDenied) return;
    ++denied;
    g_pfnLog("FindDev: no permission on %s", path.c_str());
}

struct NotifyProbe {
    std::string path;
    platform::HidHandle h = platform::kNoHidHandle;
    std::thread thread;
};

}  // namespace

std::string VendorIdText() {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(g_Config.VID));
    return text;
}

std::string ReceiverPathText() {
    return "hid#vid_" + VendorIdText();
}

bool IsReceiverPath(const std::string& path) {
    return ContainsNoCase(path, ReceiverPathText());
}

bool IsOurProduct(int productId) {
    // The vendor id is a shared one: only the configured product ids are ours. With neither
    // configured every product of the vendor is tried.
    const int pid = g_Config.PID, pidBt = g_Config.PIDBT;
    if (pid == 0 && pidBt == 0) return true;
    return productId == pid || productId == pidBt;
}

std::vector<platform::HidInterfaceInfo> EnumHidInterfaces(platform::HidBackend& backend,
                                                          const std::string& vidText) {
    std::vector<platform::HidInterfaceInfo> list;
    for (auto& info : backend.Enumerate()) {
        if (info.path.empty() || !ContainsNoCase(info.path, vidText)) continue;
        if (!IsOurProduct(info.productId)) continue;
        if (static_cast<int>(list.size()) >= kMaxHidInterfaces) break;
        list.push_back(std::move(info));
    }
    return list;
}

namespace {

// Device events may arrive at any moment; they are no answer to the search's requests.
bool NotAnEvent(const uint8_t* r) {
    return r[0] != kEventCmdId;
}

// Besides events, the identification skips a late connection-status reply.
bool NotEventOrStatus(const uint8_t* r) {
    return r[0] != kEventCmdId && r[0] != kCmdConnectStatus;
}

}  // namespace

void MatchHandleThread(platform::HidBackend& backend, platform::HidHandle h,
                       std::atomic<platform::HidHandle>* matched) {
    uint8_t r[13] = {};
    if (GetDataMatching(backend, h, r, 13, kMatchReadTimeoutMs, NotAnEvent) &&
        r[0] == kCmdConnectStatus && r[1] == 0 && r[5] == 1)
        matched->store(h);
    g_pfnLog("MatchHandleThread eixt, hFile=%x", HandleText(h));
}

int CheckPsd(platform::HidBackend& backend, platform::HidHandle hNotify, platform::HidHandle hCmd,
             int* cid, int* mid) {
    // Four values 1..100 the firmware expects; the reply does not depend on them.
    std::minstd_rand rng(static_cast<unsigned>(std::time(nullptr)));
    uint8_t q[kRequestBytes] = {kCmdIdentify, 0, 0, 0, 8};
    for (int i = 0; i < 4; ++i) q[5 + i] = static_cast<uint8_t>(rng() % 100 + 1);
    if (!SendData(backend, hCmd, q)) return 0;
    uint8_t r[13] = {};
    if (!GetDataMatching(backend, hNotify, r, 13, kIdentifyTimeoutMs, NotEventOrStatus) ||
        r[0] != kCmdIdentify || r[1] != 0) {
        g_pfnLog("CheckPsd Err= %x %x", r[0], r[1]);
        return 0;
    }
    g_pfnLog("CheckPsd: cid=%x, mid=%x", r[9], r[10]);
    if (r[9] == 0 && r[10] == 0) return -1;
    if (cid) *cid = r[9];
    if (mid) *mid = r[10];
    return 1;
}

void UpdateHandle(int slot, CUSBDriver& link) {
    const FoundDevice dev = link.m_Found.Get(slot);
    {
        std::lock_guard<std::mutex> lock(g_HandleLock);
        link.m_Found.MakeCurrent(slot);
        link.StopServiceThread();
        link.m_hCmd = dev.hCmd;
        link.m_hNotify = dev.hNotify;
        link.SetPaths(dev.cmdPath, dev.notifyPath);
        link.m_bBluetooth = IsReceiverPath(dev.cmdPath) ? 0 : 1;
    }
    g_pfnLog("- UpdateHandle:");
    g_pfnLog("-    m_hCmd=%x, Path=%s", HandleText(dev.hCmd), dev.cmdPath.c_str());
    g_pfnLog("-    m_hNotify=%x, Path=%s", HandleText(dev.hNotify), dev.notifyPath.c_str());
    link.StartServiceThread();
}

void CloseFoundDevices(CUSBDriver& link, bool all) {
    link.m_Found.Close(link.Backend(), all);
}

int FindDev(CUSBDriver& link) {
    platform::HidBackend& backend = link.Backend();
    link.m_bBluetooth = 0;
    const std::string vid = VendorIdText();
    g_pfnLog("FindDev: looking for %s", vid.c_str());
    std::vector<platform::HidInterfaceInfo> list = EnumHidInterfaces(backend, vid);

    int devNum = 0;
    for (const auto& i : list)
        if (IsCommandCandidate(i)) ++devNum;
    link.m_nDevNum = devNum;
    // Published once the search is over, so a window action during a search never sees a
    // count that is still being made.
    int denied = 0;
    struct Publish {
        std::atomic<int>& target;
        int& value;
        ~Publish() { target = value; }
    } publish{link.m_nOpenDenied, denied};
    const int findFlag = link.m_bFindFlag.load();
    g_pfnLog("FindDev: m_nDevNum=%d, m_bFindFlag=%d", devNum, findFlag);
    if (devNum == 0) return 0;

    const FoundDevice current = link.m_Found.Get(link.m_Found.Current());

    for (auto& i : list) {
        if (!IsCommandCandidate(i) && !IsNotifyCandidate(i)) continue;
        const bool receiver = IsReceiverPath(i.path);
        if ((findFlag == 2 && receiver) || (findFlag == 1 && !receiver)) {
            i.path.clear();
            i.inputLength = i.outputLength = i.featureLength = 0;
        }
    }

    std::atomic<platform::HidHandle> matched{platform::kNoHidHandle};
    std::vector<NotifyProbe> probes;
    probes.reserve(list.size());
    for (const auto& i : list) {
        if (!IsNotifyCandidate(i) || SamePath(i.path, current.notifyPath)) continue;
        int err = 0;
        const platform::HidHandle h = backend.Open(i.path, &err);
        if (h == platform::kNoHidHandle) {
            NoteOpenFailure(denied, i.path, err);
            continue;
        }
        probes.push_back(
            {i.path, h, std::thread(MatchHandleThread, std::ref(backend), h, &matched)});
        std::this_thread::sleep_for(std::chrono::milliseconds(kMatchStartPauseMs));
    }

    const std::string currentCmdPath = link.CmdPath();
    int count = 0;
    int lastSlot = -1;
    for (const auto& i : list) {
        if (!IsCommandCandidate(i) || SamePath(i.path, currentCmdPath)) continue;
        int err = 0;
        const platform::HidHandle hCmd = backend.Open(i.path, &err);
        if (hCmd == platform::kNoHidHandle) {
            NoteOpenFailure(denied, i.path, err);
            continue;
        }
        auto giveUp = [&] {
            backend.Close(hCmd);
            g_pfnLog("* Give up device %s", i.path.c_str());
        };
        matched = platform::kNoHidHandle;
        uint8_t status[kRequestBytes] = {kCmdConnectStatus};
        uint8_t report[kReportBytes];
        BuildReport(status, report);
        if (backend.SetFeature(hCmd, report, kReportBytes) != platform::kHidOk) {
            backend.Close(hCmd);
            continue;
        }
        // The matching thread of this mouse's notification interface answers within a few
        // milliseconds; 100 ms is the most a mouse is given.
        for (int waited = 0; waited < kStatusReplyWaitMs && matched == platform::kNoHidHandle;
             waited += kStatusReplyPollMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(kStatusReplyPollMs));
        const platform::HidHandle hNotify = matched.load();
        if (hNotify == platform::kNoHidHandle) {
            giveUp();
            continue;
        }
        int cid = 0, mid = 0;
        const int psd = CheckPsd(backend, hNotify, hCmd, &cid, &mid);
        g_pfnLog("CheckPsd=%d, hCmd=%x", psd, HandleText(hCmd));
        if (psd != 1) {
            giveUp();
            continue;
        }
        DeviceModel* model = FindDeviceModel(cid, mid);
        const int slot = model ? link.m_Found.FirstFree() : -1;
        if (slot < 0) {
            giveUp();
            continue;
        }
        FoundDevice dev;
        dev.hCmd = hCmd;
        dev.hNotify = hNotify;
        dev.cmdPath = i.path;
        dev.cid = cid;
        dev.mid = mid;
        for (const auto& p : probes)
            if (p.h == hNotify) dev.notifyPath = p.path;
        link.m_Found.Set(slot, dev);
        g_pfnLog("* Find Our Device: ");
        g_pfnLog("* hCmd=%x, Path=%s", HandleText(hCmd), dev.cmdPath.c_str());
        g_pfnLog("* hNotify=%x, Path=%s", HandleText(hNotify), dev.notifyPath.c_str());
        ++count;
        lastSlot = slot;
        pSensorCfg = model;
    }

    // Candidates that no mouse claimed are released now; the claimed ones belong to the table.
    for (auto& p : probes) {
        const bool kept = link.m_Found.Holds(p.h);
        if (!kept) backend.CancelRead(p.h);
        p.thread.join();
        if (!kept) backend.Close(p.h);
    }

    if (count >= 2) return count;
    if (count == 1) {
        const DeviceModel* model = pSensorCfg.load();
        g_pfnLog("FindDevice OK, cid=%x, mid=%x", model ? model->CID : 0, model ? model->MID : 0);
        UpdateHandle(lastSlot, link);
        return 1;
    }
    return 0;
}
