// The DPI grid: stepping through the sensor's values between the neighbouring stages, stage
// picks and the stage colour, each told to the parent with WM_DPI_GRID.
#include <gtest/gtest.h>

#include "config/sensor_dpi.h"
#include "core/messages.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/pick_color_dlg.h"
#include "ui/ui_test_util.h"

namespace {

using ui_test::Click;

class DpiGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildSensorDpiTable(0);
        m_model.Sensor = 0x3050;
        m_model.DM = 3;
        m_previousModel = pSensorCfg.exchange(&m_model);
        ProfileRecord rec;
        rec.stages[0].xDpi = 1000;
        rec.stages[1].xDpi = 2000;
        rec.stages[2].xDpi = 3000;
        g_ProfileList.Replace(rec);
        g_nCurDpiLevel = 0;
        m_savedShowColor = g_Config.ShowDpiColor;
        m_grid = new CDpiGridDlg(&m_parent);
        m_grid->m_nIndex = 0;
        m_grid->m_nValue = 1000;
        m_grid->m_bCurrent = true;
    }
    void TearDown() override {
        pSensorCfg = m_previousModel;
        g_ProfileList.Clear();
        g_Config.ShowDpiColor = m_savedShowColor;
        SetColorChooser({});
    }
    std::vector<int> Values(const std::vector<PostedMessage>& msgs, uintptr_t action) {
        std::vector<int> out;
        for (const PostedMessage& m : msgs)
            if (m.wParam == action) out.push_back(static_cast<int>(m.lParam));
        return out;
    }

    ui_test::ProgramFolder m_program;
    DeviceModel m_model;
    DeviceModel* m_previousModel = nullptr;
    uint16_t m_savedShowColor = 0;
    ui_test::Recorder m_parent;
    CDpiGridDlg* m_grid = nullptr;
    const QPoint kUp{80, 10};
    const QPoint kDown{10, 10};
    const QPoint kStrip{40, 24};
};

TEST_F(DpiGridTest, StepsUpToBelowTheNextStage) {
    std::vector<int> seen;
    for (int i = 0; i < 5; ++i) {
        Click(m_grid, kUp);
        seen.push_back(m_grid->m_nValue);
    }
    EXPECT_EQ(seen, (std::vector<int>{1250, 1500, 1750, 1750, 1750}));
    const auto msgs = m_parent.Take(WM_DPI_GRID);
    ASSERT_EQ(msgs.size(), 3u);
    for (const PostedMessage& m : msgs) {
        EXPECT_EQ(m.wParam, 2u);
        EXPECT_EQ(m.lParam, 0);
    }
}

TEST_F(DpiGridTest, StepDownStopsAtTheListAndThePreviousStage) {
    m_grid->m_nValue = 500;  // first value of the sensor list
    EXPECT_EQ(m_grid->StepDown(), 0);
    EXPECT_EQ(m_grid->m_nValue, 500);

    g_nCurDpiLevel = 1;
    m_grid->m_nIndex = 1;
    m_grid->m_nValue = 1500;
    EXPECT_EQ(m_grid->StepDown(), 1);
    EXPECT_EQ(m_grid->m_nValue, 1250);
    EXPECT_EQ(m_grid->StepDown(), 0) << "1000 would not be above stage 0";
    const auto msgs = m_parent.Take(WM_DPI_GRID);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].lParam, 1);
}

TEST_F(DpiGridTest, LastStageStepsToTheEndOfTheList) {
    g_nCurDpiLevel = 2;
    m_grid->m_nValue = 3000;
    while (m_grid->StepUp()) {
    }
    EXPECT_EQ(m_grid->m_nValue, 4000);

    // The last stage in use, whatever the stage after it (not in use) holds.
    g_ProfileList.Edit([](ProfileRecord& r) { r.stages[2].disabled = 1; });
    g_nCurDpiLevel = 1;
    m_grid->m_nIndex = 1;
    m_grid->m_nValue = 2000;
    while (m_grid->StepUp()) {
    }
    EXPECT_EQ(m_grid->m_nValue, 4000);
}

TEST_F(DpiGridTest, ValueOutsideTheListOrNoModelDoesNotStep) {
    m_grid->m_nValue = 1100;
    EXPECT_EQ(m_grid->StepUp(), 0);
    EXPECT_EQ(m_grid->StepDown(), 0);
    m_grid->m_nValue = 1000;
    pSensorCfg = nullptr;
    EXPECT_EQ(m_grid->StepUp(), 0);
    EXPECT_TRUE(m_parent.Take(WM_DPI_GRID).empty());
}

// A value of the list that has no code (here from a replaced list) is never offered.
TEST_F(DpiGridTest, StepsOverAValueWithoutACode) {
    m_model.Sensor = 0x3330;
    SensorDpiEntry* e = FindSensorEntry(0x3330);
    ASSERT_TRUE(e);
    e->values[20] = 30000;  // after 1000: beyond any one-byte code
    ASSERT_FALSE(DpiCode(0x3330, 30000));
    m_grid->m_nValue = 1000;  // stage 0, below stage 1's 2000
    EXPECT_EQ(m_grid->StepUp(), 1);
    EXPECT_EQ(m_grid->m_nValue, 1100);
    EXPECT_EQ(m_grid->StepDown(), 1);
    EXPECT_EQ(m_grid->m_nValue, 1000);
}

TEST_F(DpiGridTest, PicksAndColour) {
    int asked = 0;
    SetColorChooser([&](QWidget*, uint32_t initial, uint32_t* chosen) {
        ++asked;
        EXPECT_EQ(initial, 0x0000FFu);
        *chosen = 0x00FF8000;
        return true;
    });
    // A grid that is not current only asks to be picked, wherever it is clicked.
    m_grid->m_bCurrent = false;
    m_grid->m_nIndex = 4;
    Click(m_grid, kUp);
    EXPECT_EQ(m_grid->m_nValue, 1000);
    auto msgs = m_parent.Take(WM_DPI_GRID);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].wParam, 1u);
    EXPECT_EQ(msgs[0].lParam, 4);

    m_grid->m_bCurrent = true;
    g_Config.ShowDpiColor = 0;
    Click(m_grid, kStrip);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(Values(m_parent.Take(WM_DPI_GRID), 1), std::vector<int>{4});

    g_Config.ShowDpiColor = 1;
    Click(m_grid, kStrip);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(m_grid->m_clr, 0x00FF8000u);
    EXPECT_EQ(Values(m_parent.Take(WM_DPI_GRID), 3), std::vector<int>{4});
    // The strip shows the colour (0x00BBGGRR).
    EXPECT_EQ(m_grid->ComposePicture().pixelColor(kStrip), QColor(0x00, 0x80, 0xFF));
}

TEST_F(DpiGridTest, DoubleClickStepsOnce) {
    ui_test::SendMouse(m_grid, QEvent::MouseButtonPress, kUp);
    ui_test::SendMouse(m_grid, QEvent::MouseButtonRelease, kUp);
    ui_test::SendMouse(m_grid, QEvent::MouseButtonDblClick, kUp);
    ui_test::SendMouse(m_grid, QEvent::MouseButtonRelease, kUp);
    EXPECT_EQ(m_grid->m_nValue, 1250);
}

}  // namespace
