#include "profile/profile_store.h"

#include <cerrno>
#include <cstdio>
#include <vector>

#include "config/device_model.h"
#include "core/log.h"
#include "core/paths.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"

namespace {

// A stored profile that can never be loaded would otherwise keep its model on whatever was
// current for good; keep the file for inspection and let the default take its place.
// An earlier ".bad" that cannot be replaced (a folder, say) must not stop this one: the next
// free numbered name is taken then.
void MoveAside(const std::string& path) {
    constexpr int kTries = 100;
    int err = 0;
    for (int i = 0; i < kTries; ++i) {
        const std::string bad = path + ".bad" + (i ? "." + std::to_string(i) : std::string());
        if (i && platform::PathExists(bad)) continue;
        if (platform::RenamePath(path, bad, &err)) {
            g_pfnLog("LoadPro: moved %s aside to %s, using the default profile", path.c_str(),
                     bad.c_str());
            return;
        }
    }
    g_pfnLog("LoadPro: cannot move %s aside, err=%d", path.c_str(), err);
}

// Longest file read as a stored profile or CID.dct: one byte more shows a wrong size.
constexpr size_t kCidBytes = 8;

}  // namespace

std::string ProfileFilePath(int cid, int mid) {
    char name[64];
    std::snprintf(name, sizeof name, "PRO_%02d%02d.dct", cid, mid);
    return g_szDataDir + name;
}

std::string CidFilePath() {
    return g_szDataDir + "CID.dct";
}

std::string DataLockPath() {
    return g_szDataDir + "mivora.lock";
}

bool HolderIsWindow(const std::string& holder) {
    return platform::HolderIs(holder, "mivora");
}

bool LoadCID() {
    std::vector<uint8_t> data;
    bool ok = platform::ReadRegularFile(CidFilePath(), kCidBytes, data) && data.size() >= kCidBytes;
    if (ok) {
        DeviceModel* m = FindDeviceModel(static_cast<int>(GetLe32(data.data())),
                                         static_cast<int>(GetLe32(data.data() + 4)));
        if (m) pSensorCfg = m;
    } else {
        pSensorCfg = &g_DeviceModels[0];
    }
    const DeviceModel* cur = pSensorCfg.load();
    g_pfnLog("LoadCID ok: cid=%02d, mid=%02d", cur ? cur->CID : 0, cur ? cur->MID : 0);
    return ok;
}

bool SaveCID() {
    const DeviceModel* m = pSensorCfg.load();
    if (!m) return false;
    g_pfnLog("SaveCID: cid=%02d, mid=%02d", m->CID, m->MID);
    uint8_t data[8];
    PutLe32(data, static_cast<uint32_t>(m->CID));
    PutLe32(data + 4, static_cast<uint32_t>(m->MID));
    int err = 0;
    if (!platform::WriteFileAtomic(CidFilePath(), data, sizeof data, &err)) {
        g_pfnLog("SaveCID: CreateFile err=%d", err);
        return false;
    }
    return true;
}

int LoadPro() {
    const DeviceModel* m = pSensorCfg.load();
    if (!m) return 0;
    // Before any default is built: a default made from the previous model's tables would give
    // this model the wrong buttons.
    FillDefaultKeys(*m);
    const std::string path = ProfileFilePath(m->CID, m->MID);
    std::vector<uint8_t> data;
    int err = 0;
    ProfileRecord rec;
    bool longer = false;
    if (!platform::ReadRegularFile(path, kProfileRecordBytes, data, &err, &longer)) {
        if (err == ENOENT) {
            g_pfnLog("LoadPro: open file err=%d", err);
        } else {
            g_pfnLog("ReadFile err=%d", err);
            MoveAside(path);
        }
        rec = MakeDefaultProfile();
    } else if (data.size() != kProfileRecordBytes || longer) {
        g_pfnLog("LoadPro err: wrong size");
        MoveAside(path);
        rec = MakeDefaultProfile();
    } else {
        rec = DecodeProfile(data.data());
        // A record the mouse refuses (id 0) or that is no profile would lock every change out.
        if (rec.magic != kProfileMagic || rec.profileId == 0) {
            g_pfnLog("LoadPro err: magic=0x%08x, id=0x%08x", rec.magic, rec.profileId);
            MoveAside(path);
            rec = MakeDefaultProfile();
        }
    }
    g_ProfileList.Replace(rec);
    g_pfnLog("LoadPro ok: cid=%02d, mid=%02d", m->CID, m->MID);
    return 1;
}

bool SavePro() {
    const DeviceModel* m = pSensorCfg.load();
    auto rec = g_ProfileList.Snapshot();
    if (!rec || !m) return false;
    g_pfnLog("SavePro: cid=%02d, mid=%02d", m->CID, m->MID);
    const ProfileBytes bytes = EncodeProfile(*rec);
    int err = 0;
    if (!platform::WriteFileAtomic(ProfileFilePath(m->CID, m->MID), bytes.data(), bytes.size(),
                                   &err)) {
        g_pfnLog("SavePro: CreateFile err=%d", err);
        return false;
    }
    return true;
}
