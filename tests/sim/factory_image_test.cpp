#include "sim/factory_image.h"

#include <gtest/gtest.h>

#include "virtual_mouse_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes At(const sim::MemoryImage& m, int addr, int n) {
    return Bytes(m.begin() + addr, m.begin() + addr + n);
}

TEST(FactoryImage, HoldsTheModelsDefaultsWithCheckBytes) {
    const DeviceModel model = simtest::TestModel();
    sim::MemoryImage m;
    sim::BuildFactoryImage(model, m);

    EXPECT_EQ(At(m, 0x00, 6), (Bytes{0x11, 0x44, 3, 0x52, 1, 0x54}));  // 1000 Hz both, 3, stage 1
    EXPECT_EQ(At(m, 0x06, 9), (Bytes{3, 3, 0x4F, 7, 7, 0x47, 9, 9, 0x43}));
    EXPECT_EQ(At(m, 0x0F, 6), (Bytes{0, 0, 0x55, 0, 0, 0x55}));  // stages 3, 4 not in use

    EXPECT_EQ(At(m, 0x15, 4), (Bytes{0x01, 0x01, 0x00, 0x53}));        // left
    EXPECT_EQ(At(m, 0x19, 4), (Bytes{0x01, 0x02, 0x00, 0x52}));        // right
    EXPECT_EQ(At(m, 0x1D, 4), (Bytes{0x02, 0x01, 0x00, 0x52}));        // DPI cycle
    EXPECT_EQ(At(m, 0x21, 4), (Bytes{0x04, 0x03, 0x01, 0x4D}));        // media, slot 3
    EXPECT_EQ(At(m, 0x25, 4), (Bytes{0x04, 0x04, 0x23, 0x2A}));        // fire key, parameter 0x23
    EXPECT_EQ(At(m, 0x29, 4), (Bytes{0x04, 0x05, 0x01, 0x4B}));        // combination, slot 5
    EXPECT_EQ(At(m, 0x2D, 8), (Bytes{0, 0, 0, 0x55, 0, 0, 0, 0x55}));  // positions 7, 8 unused

    const int media = 0x200 + 384 * 3;
    EXPECT_EQ(At(m, media + 29, 12),
              (Bytes{0x52, 0x03, 2, 0x82, 0xE9, 0x00, 0x0F, 0x42, 0xE9, 0x00, 0x0F, 0x9F}));
    const int fire = 0x200 + 384 * 4;
    EXPECT_EQ(At(m, fire + 29, 12),
              (Bytes{0x51, 0x04, 2, 0x84, 0x01, 0x00, 0x0F, 0x44, 0x01, 0x00, 0x0F, 0x6B}));
    const int combo = 0x200 + 384 * 5;
    EXPECT_EQ(At(m, combo + 29, 28),
              (Bytes{0x52, 0x03, 6,    0x80, 0x01, 0x00, 0x0F, 0x80, 0x02, 0x00,
                     0x0F, 0x81, 0x04, 0x00, 0x0F, 0x41, 0x04, 0x00, 0x0F, 0x40,
                     0x02, 0x00, 0x0F, 0x40, 0x01, 0x00, 0x0F, 0xA5}));
    EXPECT_EQ(m[combo + 57], 0);

    // Mode 0, red, speed 2, brightness 2 (DefLEDMode 0x20200).
    EXPECT_EQ(At(m, 0x35, 7), (Bytes{0, 0xFF, 0, 0, 2, 2, 0x52}));
    EXPECT_EQ(At(m, 0x3C, 0x200 - 0x3C), Bytes(0x200 - 0x3C, 0));
}

TEST(FactoryImage, KeepsStagesOutOfTheKeyMatrixAndFallsBackOnBadValues) {
    DeviceModel model = simtest::TestModel();
    model.DM = 8;
    for (int i = 0; i < 8; ++i) model.DPI[i] = 1000;
    model.DEFLEVEL = 6;  // beyond the 5 stages the memory holds
    model.DR = 0x300;    // no rate code
    model.ReportTy = 1;
    sim::MemoryImage m;
    sim::BuildFactoryImage(model, m);
    EXPECT_EQ(At(m, 0x00, 6), (Bytes{0x02, 0x53, 5, 0x50, 0, 0x55}));
    EXPECT_EQ(At(m, 0x12, 3), (Bytes{3, 3, 0x4F}));              // stage 4, the last
    EXPECT_EQ(At(m, 0x15, 4), (Bytes{0x01, 0x01, 0x00, 0x53}));  // matrix intact
}

TEST(FactoryImage, AFunctionWithoutMatrixCodeIsStoredAsFF) {
    DeviceModel model = simtest::TestModel();
    model.DefaultKeys[0][0] = {0x080000A6, 1, 0, {}, 2, 0};  // DPI stage function
    sim::MemoryImage m;
    sim::BuildFactoryImage(model, m);
    EXPECT_EQ(At(m, 0x15, 4), (Bytes{0xFF, 0xFF, 0xFF, 0x58}));
}

}  // namespace
