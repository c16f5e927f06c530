#include "config/sensor_dpi.h"

#include <gtest/gtest.h>

#include "config/device_model.h"

namespace {

class SensorDpi : public ::testing::Test {
  protected:
    void SetUp() override { BuildSensorDpiTable(0); }
    void TearDown() override { pSensorCfg.store(nullptr); }
    int CodeToDpiWith(int sensor, int code) {
        m_model = DeviceModel{};
        m_model.Sensor = sensor;
        pSensorCfg.store(&m_model);
        return CodeToDpi(code);
    }
    DeviceModel m_model;
};

TEST_F(SensorDpi, BuildsTheNineSensorsWithTheirCounts) {
    const struct {
        int sensor, count, firstValue, firstCode, lastValue, lastCode;
    } expected[] = {
        {0x3050, 11, 500, 1, 4000, 11},       {0x3330, 192, 50, 0, 12000, 191},
        {0x3104, 35, 600, 0x10, 4000, 0x69},  {0x3212, 21, 400, 0x0B, 2400, 0x3F},
        {0x3325, 54, 200, 0x04, 10000, 0x73}, {0x3335, 160, 100, 0x00, 16000, 0xBD},
        {0x4090, 74, 200, 0x04, 10000, 0x73}, {0x3336, 192, 50, 0, 12000, 119},
        {0x3370, 290, 50, 0, 19000, 189},
    };
    for (int i = 0; i < 9; ++i) {
        const SensorDpiEntry& e = g_SensorDpiTable[i];
        const auto& x = expected[i];
        EXPECT_EQ(e.sensor, x.sensor) << i;
        EXPECT_EQ(e.count, x.count) << std::hex << x.sensor;
        EXPECT_EQ(e.values[0], x.firstValue) << std::hex << x.sensor;
        EXPECT_EQ(e.codes[0], x.firstCode) << std::hex << x.sensor;
        EXPECT_EQ(e.values[e.count - 1], x.lastValue) << std::hex << x.sensor;
        EXPECT_EQ(e.codes[e.count - 1], x.lastCode) << std::hex << x.sensor;
    }
    EXPECT_EQ(g_SensorDpiTable[9].sensor, 0);
    BuildSensorDpiTable(1);
    EXPECT_EQ(FindSensorEntry(0x3325)->count, 74);
}

// -1: the value has no code. A sensor's lowest value may have code 0x00 and is a value.
TEST_F(SensorDpi, DpiCodeTellsAValueWithCodeZeroFromNoCode) {
    const struct {
        int sensor, dpi, code;
    } cases[] = {
        {0x3330, 7200, 143}, {0x3330, 7300, 72},  {0x3050, 2500, 8},     {0x3050, 2600, -1},
        {0x3360, 1000, -1},  {0, 1000, -1},       {0x3325, 6000, 0x45},  {0x3325, 5200, -1},
        {0x3325, 200, 0x04}, {0x3104, 600, 0x10}, {0x3335, 16000, 0xBD}, {0x4090, 5200, 0x3B},
        {0x3336, 7200, 143}, {0x3336, 7300, 72},  {0x3370, 10100, 100},  {0x3370, 19000, 189},
        {0x3330, 50, 0},     {0x3330, 49, -1},    {0x3330, 0, -1},       {0x3330, -100, -1},
        {0x3330, 75, -1},  // between two values of the list: it would read back as 50
        {0x3335, 100, 0},    {0x3336, 50, 0},     {0x3370, 50, 0},       {0x3335, 0, -1},
        {0x3325, 0, -1},     {0x3336, 0, -1},  // empty table slots hold 0: never a value
        {0x3330, 30000, -1},                   // never a negative or a wider value cut to a byte
    };
    for (const auto& c : cases) {
        const std::optional<uint8_t> code = DpiCode(c.sensor, c.dpi);
        EXPECT_EQ(code ? int(*code) : -1, c.code)
            << std::hex << c.sensor << std::dec << " " << c.dpi;
        EXPECT_EQ(DpiToCode(c.sensor, c.dpi), c.code < 0 ? 0 : c.code);
    }
    BuildSensorDpiTable(1);
    EXPECT_EQ(DpiCode(0x3325, 5200), 0x3B);
    EXPECT_EQ(DpiCode(0x3325, 6000), 0x45);
}

TEST_F(SensorDpi, CodeToDpiUsesTheSelectedModel) {
    EXPECT_EQ(CodeToDpi(8), 0) << "no model selected";
    EXPECT_EQ(CodeToDpiWith(0x3330, 143), 7200);
    EXPECT_EQ(CodeToDpiWith(0x3050, 8), 2500);
    EXPECT_EQ(CodeToDpiWith(0x3050, 0), 0);
    EXPECT_EQ(CodeToDpiWith(0x3325, 0x04), 200);
    EXPECT_EQ(CodeToDpiWith(0x3325, 0x05), 0);
    EXPECT_EQ(CodeToDpiWith(0x3325, 0x45), 3000) << "extension values read back as their half";
    EXPECT_EQ(CodeToDpiWith(0x3336, 143), 7200);
    EXPECT_EQ(CodeToDpiWith(0x3336, 144), 0);
    EXPECT_EQ(CodeToDpiWith(0x3370, 199), 10000);
    EXPECT_EQ(CodeToDpiWith(0x3335, 0xBD), 16000);
    EXPECT_EQ(CodeToDpiWith(0x3360, 1), 0);
}

TEST_F(SensorDpi, ReplacedListsServeDpiCodeButNotTheStaticSensors) {
    SensorDpiEntry* e = FindSensorEntry(0x3104);
    ASSERT_NE(e, nullptr);
    *e = SensorDpiEntry{};
    e->sensor = 0x3104;
    e->count = 2;
    e->values[0] = 400;
    e->values[1] = 800;
    e->codes[0] = 0x10;
    e->codes[1] = 0x20;
    EXPECT_EQ(DpiCode(0x3104, 800), 0x20);
    EXPECT_FALSE(DpiCode(0x3104, 600));
    EXPECT_EQ(CodeToDpiWith(0x3104, 0x20), 800);

    SensorDpiEntry* c = FindSensorEntry(0x3325);
    c->count = 1;
    c->codes[0] = 0x99;
    EXPECT_EQ(CodeToDpiWith(0x3325, 0x04), 200) << "0x3325 reads its static pairs";
    EXPECT_EQ(DpiCode(0x3325, 6000), 0x45) << "0x3325 searches all slots whatever the count";
}

TEST(DefaultDpiList, KnownAndUnknownSensors) {
    EXPECT_EQ(DefaultDpiList(0x3104), nullptr);
    EXPECT_EQ(DefaultDpiList(0x4090), nullptr);
    const int* a = DefaultDpiList(0x3370);
    const int* b = DefaultDpiList(0x3050);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(a[i], b[i]);
    EXPECT_EQ(DefaultDpiList(0x9800)[7], 8200);
    EXPECT_EQ(DefaultDpiList(0x3325)[5], 5200);
}

}  // namespace
