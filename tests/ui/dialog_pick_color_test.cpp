// The colour picker: only pixels with alpha 20 or more react; a chosen colour goes to the
// parent with WM_PICK_COLOR.
#include <gtest/gtest.h>

#include "core/messages.h"
#include "ui/pick_color_dlg.h"
#include "ui/ui_test_util.h"

namespace {

using ui_test::Click;

class PickColorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        QImage palette(10, 10, QImage::Format_ARGB32);
        palette.fill(qRgba(255, 0, 0, 255));
        palette.setPixel(2, 2, qRgba(0, 0, 0, 19));
        palette.setPixel(3, 2, qRgba(0, 0, 0, 20));
        m_skins.Add("PickColor.png", palette);
        SetColorChooser([this](QWidget*, uint32_t initial, uint32_t* chosen) {
            m_initials.push_back(initial);
            *chosen = 0x00123456;
            return m_reply;
        });
    }
    void TearDown() override { SetColorChooser({}); }

    ui_test::SkinFolder m_skins;
    ui_test::Recorder m_parent;
    std::vector<uint32_t> m_initials;
    bool m_reply = true;
};

TEST_F(PickColorTest, OnlyVisiblePixelsOpenTheColourDialog) {
    CPickColorDlg picker(&m_parent);
    picker.SetColor(0x000000FF);
    EXPECT_EQ(picker.size(), QSize(10, 10));
    Click(&picker, QPoint(2, 2));  // alpha 19
    EXPECT_TRUE(m_initials.empty());
    EXPECT_TRUE(m_parent.Take(WM_PICK_COLOR).empty());

    Click(&picker, QPoint(3, 2));  // alpha 20
    ASSERT_EQ(m_initials, std::vector<uint32_t>{0x000000FF});
    EXPECT_EQ(picker.Color(), 0x00123456u);
    const auto msgs = m_parent.Take(WM_PICK_COLOR);
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].wParam, 0x00123456u);
    EXPECT_EQ(msgs[0].lParam, 0);
}

TEST_F(PickColorTest, CancelKeepsTheColourAndPostsNothing) {
    m_reply = false;
    CPickColorDlg picker(&m_parent);
    picker.SetColor(0x00ABCDEF);
    Click(&picker, QPoint(5, 5));
    EXPECT_EQ(m_initials.size(), 1u);
    EXPECT_EQ(picker.Color(), 0x00ABCDEFu);
    EXPECT_TRUE(m_parent.Take(WM_PICK_COLOR).empty());
}

TEST(PickColorMissingTest, MissingImageNeverReacts) {
    ui_test::SkinFolder empty;
    int asked = 0;
    SetColorChooser([&](QWidget*, uint32_t, uint32_t*) { return ++asked, true; });
    ui_test::Recorder parent;
    CPickColorDlg picker(&parent);
    picker.resize(20, 20);
    EXPECT_TRUE(picker.HotRegion().isEmpty());
    Click(&picker, QPoint(5, 5));
    EXPECT_EQ(asked, 0);
    SetColorChooser({});
}

}  // namespace
