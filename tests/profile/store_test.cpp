// Default profile and the stored profile files.
#include <gtest/gtest.h>

#include "core/paths.h"
#include "platform/files.h"
#include "profile/profile_store.h"
#include "profile_fixture.h"

namespace profile_test {
namespace {

using StoreTest = ProfileTest;

TEST_F(StoreTest, DefaultProfileOfTheModel) {
    g_Config.EnhancePrecision = 1;
    const ProfileRecord r = MakeDefaultProfile();
    EXPECT_EQ(kProfileMagic, r.magic);
    EXPECT_NE(0u, r.profileId);
    EXPECT_EQ("", r.Name());
    const int dpi[4] = {800, 1600, 2400, 3200};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ((DpiStage{dpi[i], dpi[i], 0x0000FFu << (i * 4), 0}), r.stages[i]);
    for (int i = 4; i < 8; ++i) EXPECT_EQ((DpiStage{0, 0, 0, 1}), r.stages[i]);
    EXPECT_EQ(0u, r.lightMode);
    EXPECT_EQ(2u, r.lightBrightness);
    EXPECT_EQ(2u, r.lightSpeed);
    EXPECT_EQ(0x0000FFu, r.lightColor);
    EXPECT_EQ((PointerSettings{3, 550, 10, 1, 0}), r.pointer);
    EXPECT_EQ(0x500u, r.rate24);
    EXPECT_EQ(0x500u, r.rateBt);
    EXPECT_EQ(0x3325u, r.sensor);
    EXPECT_EQ(g_DefaultKeys[1][5], r.keys[1][5]);
}

TEST_F(StoreTest, FillDefaultsKeepsMagicAndIdAndCutsTheName) {
    ProfileRecord r;
    r.magic = 0x12345678;
    r.profileId = 42;
    r.curKeySet = 2;
    r.keys[2][0].dwFunID = kFunOff;
    r.reserved3[50] = 9;  // beyond the cleared range
    FillProfileDefaults(r);
    EXPECT_EQ(0x12345678u, r.magic);
    EXPECT_EQ(42u, r.profileId);
    EXPECT_EQ(
        "Standard profil"
        "e of",
        r.Name());  // 19 characters of tc_msg14
    EXPECT_EQ(0, r.curKeySet);
    EXPECT_EQ(kFunLeft, r.keys[2][0].dwFunID);
    EXPECT_EQ(9, r.reserved3[50]);
}

TEST_F(StoreTest, LoadCidSelectsTheStoredModelOrTheFirst) {
    g_DeviceModels[1] = g_DeviceModels[0];
    g_DeviceModels[1].CID = 2;
    g_DeviceModels[1].MID = 5;
    g_DeviceModels[2] = g_DeviceModels[1];
    g_DeviceModels[2].MID = 6;
    g_DeviceModels[2].Sensor = 0;  // not in use
    testing_support::LogCapture log;

    pSensorCfg = &g_DeviceModels[1];
    EXPECT_FALSE(LoadCID());  // no file
    EXPECT_EQ(&g_DeviceModels[0], pSensorCfg.load());
    EXPECT_TRUE(log.Contains("LoadCID ok: cid=01, mid=03"));

    pSensorCfg = &g_DeviceModels[1];
    ASSERT_TRUE(SaveCID());
    pSensorCfg = &g_DeviceModels[0];
    EXPECT_TRUE(LoadCID());
    EXPECT_EQ(&g_DeviceModels[1], pSensorCfg.load());

    dir.Write("CID.dct", std::string("\x02\0\0\0\x06\0\0\0", 8));
    EXPECT_TRUE(LoadCID());
    EXPECT_EQ(&g_DeviceModels[1], pSensorCfg.load());  // 2/6 is not in use: unchanged

    dir.Write("CID.dct", std::string("\x02\0\0", 3));
    EXPECT_FALSE(LoadCID());
    EXPECT_EQ(&g_DeviceModels[0], pSensorCfg.load());
}

TEST_F(StoreTest, ProfileFileNames) {
    EXPECT_EQ(g_szDataDir + "PRO_0103.dct", ProfileFilePath(1, 3));
    EXPECT_EQ(g_szDataDir + "PRO_12304.dct", ProfileFilePath(123, 4));
}

TEST_F(StoreTest, MissingProfileGivesTheDefaultWrittenOnlyOnSave) {
    testing_support::LogCapture log;
    ASSERT_EQ(1, LoadPro());
    auto rec = g_ProfileList.Snapshot();
    ASSERT_TRUE(rec);
    EXPECT_EQ("", rec->Name());
    EXPECT_NE(0u, rec->profileId);
    EXPECT_TRUE(log.Contains("LoadPro: open file err=2"));
    EXPECT_TRUE(log.Contains("LoadPro ok: cid=01, mid=03"));
    EXPECT_FALSE(platform::FileExists(dir.File("PRO_0103.dct")));

    g_ProfileList.Edit([](ProfileRecord& r) { r.SetName("mine"); });
    ASSERT_TRUE(SavePro());
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(platform::ReadWholeFile(dir.File("PRO_0103.dct"), bytes));
    ASSERT_EQ(kProfileRecordBytes, bytes.size());
    EXPECT_EQ("mine", DecodeProfile(bytes.data()).Name());

    g_ProfileList.Clear();
    ASSERT_EQ(1, LoadPro());
    EXPECT_EQ("mine", g_ProfileList.Snapshot()->Name());
}

TEST_F(StoreTest, TheDefaultOfANewModelUsesThatModelsKeys) {
    ASSERT_EQ(1, LoadPro());
    g_DeviceModels[1] = g_DeviceModels[0];
    g_DeviceModels[1].MID = 9;
    g_DeviceModels[1].DefaultKeys[0][0].dwFunID = kFunRight;
    g_DeviceModels[1].DefaultKeys[0][1].dwFunID = kFunLeft;
    pSensorCfg = &g_DeviceModels[1];
    ASSERT_EQ(1, LoadPro());
    EXPECT_EQ(kFunRight, g_ProfileList.Snapshot()->keys[0][0].dwFunID);
    EXPECT_EQ(kFunRight, g_DefaultKeys[0][0].dwFunID);
}

TEST_F(StoreTest, AWrongSizedProfileIsMovedAsideAndTheDefaultTakesItsPlace) {
    for (size_t size : {kProfileRecordBytes - 1, kProfileRecordBytes + 1}) {
        dir.Write("PRO_0103.dct", std::string(size, '\x01'));
        g_ProfileList.Clear();
        testing_support::LogCapture log;
        ASSERT_EQ(1, LoadPro());
        EXPECT_TRUE(log.Contains("LoadPro err: wrong size"));
        EXPECT_TRUE(log.Contains(".bad"));
        auto rec = g_ProfileList.Snapshot();
        ASSERT_TRUE(rec);
        EXPECT_EQ(kProfileMagic, rec->magic);
        EXPECT_FALSE(platform::FileExists(dir.File("PRO_0103.dct")));
        std::vector<uint8_t> bad;
        ASSERT_TRUE(platform::ReadWholeFile(dir.File("PRO_0103.dct.bad"), bad));
        EXPECT_EQ(size, bad.size());
    }
}

TEST_F(StoreTest, AnUnreadableProfileIsMovedAside) {
    ASSERT_TRUE(platform::MakeDirs(dir.File("PRO_0103.dct")));  // a folder where the file belongs
    testing_support::LogCapture log;
    ASSERT_EQ(1, LoadPro());
    EXPECT_TRUE(log.Contains("ReadFile err="));
    EXPECT_TRUE(g_ProfileList.HasCurrent());
    EXPECT_TRUE(platform::DirExists(dir.File("PRO_0103.dct.bad")));
}

TEST_F(StoreTest, AStoredRecordWithAWrongMagicOrIdIsSetAsideEvenWhenABadOneExists) {
    ProfileRecord good = MakeDefaultProfile();
    ProfileRecord noId = good, noMagic = good;
    noId.profileId = 0;
    noMagic.magic = 0x12345678;
    // An earlier ".bad" that rename cannot replace.
    ASSERT_TRUE(platform::MakeDirs(dir.File("PRO_0103.dct.bad")));
    int round = 0;
    for (const ProfileRecord& stored : {noId, noMagic}) {
        const ProfileBytes bytes = EncodeProfile(stored);
        ASSERT_TRUE(
            platform::WriteFileAtomic(dir.File("PRO_0103.dct"), bytes.data(), bytes.size()));
        g_ProfileList.Clear();
        ASSERT_EQ(1, LoadPro());
        auto rec = g_ProfileList.Snapshot();
        ASSERT_TRUE(rec);
        EXPECT_EQ(kProfileMagic, rec->magic);
        EXPECT_NE(0u, rec->profileId);
        EXPECT_FALSE(platform::FileExists(dir.File("PRO_0103.dct")));
        EXPECT_TRUE(platform::FileExists(dir.File("PRO_0103.dct.bad." + std::to_string(++round))));
    }
}

TEST_F(StoreTest, ARecordTakenByAnotherThreadOutlivesLoadPro) {
    ASSERT_EQ(1, LoadPro());
    std::shared_ptr<ProfileRecord> held = g_ProfileList.Current();
    const uint32_t id = held->profileId;
    ASSERT_EQ(1, LoadPro());
    EXPECT_NE(held, g_ProfileList.Current());
    EXPECT_EQ(id, held->profileId);  // still valid memory
}

}  // namespace
}  // namespace profile_test
