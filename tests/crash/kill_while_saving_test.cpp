// A desktop program can be killed at any moment. A child process saves the stored profile, the
// model codes, a macro file and the macro snapshot over and over, alternating between two
// contents; the parent kills it with SIGKILL at random points and checks that every file holds
// one whole content or the other and that the next start loads it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "config/device_model.h"
#include "config/program_config.h"
#include "core/paths.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "platform/files.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "profile/profile_record.h"
#include "profile/profile_store.h"
#include "support/support.h"

namespace {

using testing_support::TempDir;

struct Version {
    DeviceModel* model = nullptr;  // the codes CID.dct names
    ProfileRecord profile;
    StMacro macro;
};

struct Files {
    std::vector<uint8_t> profile, cid, macro, snapshot;
};

class KillWhileSaving : public ::testing::Test {
  protected:
    void SetUp() override {
        g_szAppDir = testing_support::BinDir();
        ASSERT_EQ(LoadConfig(g_szAppDir), 1);
        for (auto& m : g_DeviceModels) {
            if (m.Sensor == 0) continue;
            if (!m_models[0])
                m_models[0] = &m;
            else if (!m_models[1])
                m_models[1] = &m;
        }
        ASSERT_NE(m_models[1], nullptr) << "the shipped cfg.ini has fewer than two models";
        for (int v = 0; v < 2; ++v) {
            pSensorCfg = m_models[0];
            FillDefaultKeys(*m_models[0]);
            m_version[v].model = m_models[v];
            m_version[v].profile = MakeDefaultProfile();
            m_version[v].profile.SetName(v == 0 ? "Old" : "New");
            m_version[v].profile.rate24 = v == 0 ? 0x500 : 0x1000;
            InitMacroRecord("Combo", &m_version[v].macro);
            m_version[v].macro.dwMacroID = 0x123456;
            for (int e = 0; e < 20 + 40 * v; ++e) {
                m_version[v].macro.stEvents[e].wKey = static_cast<uint16_t>(0x41 + e % 26);
                m_version[v].macro.stEvents[e].wState = static_cast<uint16_t>(e % 2 == 0);
                m_version[v].macro.stEvents[e].dwDelay = static_cast<uint32_t>(10 + v);
            }
        }
    }

    // Writes every file with version v into the data folder dir.
    void SaveAll(const std::string& dir, int v) {
        g_szDataDir = WithSlash(dir);
        platform::MakeDirs(g_szDataDir + "Mac");
        const Version& ver = m_version[v];
        pSensorCfg = m_models[0];
        g_ProfileList.Replace(ver.profile);
        ASSERT_TRUE(SavePro());
        pSensorCfg = ver.model;
        ASSERT_TRUE(SaveCID());
        ASSERT_EQ(1, WriteMacroFile(g_szDataDir + "Mac/keep.zqm", ver.macro));
        ClearMacroLibrary();
        AddMacroCopy(ver.macro, "keep.zqm");
        ASSERT_EQ(1, SaveMacroSnapshot());
    }

    Files Read(const std::string& dir) {
        Files f;
        std::string d = WithSlash(dir);
        g_szDataDir = d;
        platform::ReadWholeFile(ProfileFilePath(m_models[0]->CID, m_models[0]->MID), f.profile);
        platform::ReadWholeFile(CidFilePath(), f.cid);
        platform::ReadWholeFile(d + "Mac/keep.zqm", f.macro);
        platform::ReadWholeFile(d + "mac.dct", f.snapshot);
        return f;
    }

    DeviceModel* m_models[2] = {};
    Version m_version[2];
};

TEST_F(KillWhileSaving, EveryFileIsOldOrNewAndLoads) {
    TempDir refDir[2];
    Files expected[2];
    for (int v = 0; v < 2; ++v) {
        SaveAll(refDir[v].path(), v);
        expected[v] = Read(refDir[v].path());
        ASSERT_EQ(expected[v].profile.size(), static_cast<size_t>(kProfileRecordBytes));
        ASSERT_FALSE(expected[v].snapshot.empty());
    }
    ASSERT_NE(expected[0].profile, expected[1].profile);
    ASSERT_NE(expected[0].cid, expected[1].cid);
    ASSERT_NE(expected[0].macro, expected[1].macro);
    ASSERT_NE(expected[0].snapshot, expected[1].snapshot);

    std::mt19937 rng(20261210);
    const int kRuns = 40;
    int killedWhileWriting = 0;
    for (int run = 0; run < kRuns; ++run) {
        TempDir data;
        SaveAll(data.path(), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1;; ++i) SaveAll(data.path(), i % 2);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + rng() % 60000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        Files got = Read(data.path());
        auto oneOf = [&](const std::vector<uint8_t>& f, std::vector<uint8_t> Files::*member) {
            return f == expected[0].*member || f == expected[1].*member;
        };
        EXPECT_TRUE(oneOf(got.profile, &Files::profile)) << "run " << run << ": torn profile";
        EXPECT_TRUE(oneOf(got.cid, &Files::cid)) << "run " << run << ": torn CID.dct";
        EXPECT_TRUE(oneOf(got.macro, &Files::macro)) << "run " << run << ": torn macro file";
        EXPECT_TRUE(oneOf(got.snapshot, &Files::snapshot)) << "run " << run << ": torn mac.dct";
        if (got.profile != expected[0].profile || got.cid != expected[0].cid) ++killedWhileWriting;

        // The next start takes what is there.
        g_szDataDir = WithSlash(data.path());
        pSensorCfg = nullptr;
        EXPECT_TRUE(LoadCID());
        DeviceModel* model = pSensorCfg.load();
        EXPECT_TRUE(model == m_models[0] || model == m_models[1]);
        pSensorCfg = m_models[0];
        EXPECT_EQ(LoadPro(), 1);
        auto loaded = g_ProfileList.Snapshot();
        ASSERT_TRUE(loaded.has_value());
        EXPECT_TRUE(*loaded == m_version[0].profile || *loaded == m_version[1].profile);
        StMacro macro;
        EXPECT_EQ(ReadMacroFile(g_szDataDir + "Mac/keep.zqm", macro), 1);
        EXPECT_TRUE(MacroEquals(&macro, &m_version[0].macro) ||
                    MacroEquals(&macro, &m_version[1].macro));
    }
    // The kills must have landed in the middle of the saving, not only before it.
    EXPECT_GT(killedWhileWriting, 0);
}

}  // namespace
