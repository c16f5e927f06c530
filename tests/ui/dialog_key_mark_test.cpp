// The key marks: one button per key of the model at its mark, none without a pressed picture.
#include <gtest/gtest.h>

#include "skin/png_btn.h"
#include "ui/key_mark_dlg.h"
#include "ui/ui_test_util.h"

namespace {

class KeyMarkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_skins.Add("mouse_nr.png", ui_test::Solid(150, 240, QColor(40, 40, 40)));
        m_skins.Add("mouse_dn.png", ui_test::Solid(150, 240, QColor(0, 200, 255)));
        m_model.Sensor = 0x3050;
        m_model.KeyCount = 5;
        for (int i = 0; i < 8; ++i) m_model.Mark[i] = CfgRect{10, 10 + 25 * i, 60, 30 + 25 * i};
        m_model.Mark[2] = CfgRect{10, 60, 10, 80};  // zero width
        m_previous = pSensorCfg.exchange(&m_model);
        m_background = ui_test::Solid(400, 400, QColor(10, 10, 10));
    }
    void TearDown() override { pSensorCfg = m_previous; }
    std::string Path(const char* name) const { return m_skins.Dir() + "/skins/" + name; }
    std::vector<int> Shown(const CKeyMarkDlg& view) const {
        std::vector<int> out;
        for (int i = 0; i < kKeysPerSet; ++i)
            if (!view.KeyButton(i)->isHidden()) out.push_back(i);
        return out;
    }

    ui_test::SkinFolder m_skins;
    DeviceModel m_model;
    DeviceModel* m_previous = nullptr;
    QImage m_background;
    QWidget m_main;
};

TEST_F(KeyMarkTest, ShowsTheModelsKeysAtTheirMarks) {
    CKeyMarkDlg view(&m_main);
    view.SetMarkPictures(Path("mouse_nr.png"), Path("mouse_dn.png"), m_background,
                         QRect(100, 100, 150, 240));
    view.ShowMarks();
    EXPECT_EQ(Shown(view), (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(view.KeyButton(1)->geometry(), QRect(10, 35, 50, 20));
    // The pressed look of a key area is the highlighted picture's area.
    view.KeyButton(1)->setDown(true);
    EXPECT_EQ(view.KeyButton(1)->ComposePicture().pixelColor(5, 5), QColor(0, 200, 255));
    view.KeyButton(1)->setDown(false);
    EXPECT_EQ(view.KeyButton(1)->ComposePicture().pixelColor(5, 5), QColor(40, 40, 40));
}

TEST_F(KeyMarkTest, WithoutPressedPictureNoKeyAreaIsPlaced) {
    CKeyMarkDlg view(&m_main);
    view.SetMarkPictures(Path("mouse_nr.png"), Path("missing.png"), m_background,
                         QRect(100, 100, 150, 240));
    view.ShowMarks();
    EXPECT_TRUE(Shown(view).empty());
    EXPECT_FALSE(view.NormalPicture().isNull());
    EXPECT_TRUE(view.PressedPicture().isNull());
}

}  // namespace
