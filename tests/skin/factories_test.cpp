#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>

#include "skin/factories.h"
#include "skin/png_btn.h"
#include "skin/png_slider_bar.h"
#include "skin/skin_settings.h"
#include "skin_test_util.h"

namespace {

using skin_test::Solid;

const QColor kNr(10, 10, 10), kOv(20, 20, 20), kDn(30, 30, 30), kBack(200, 100, 50);

class FactoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skins.Add("b_nr.png", Solid(40, 30, kNr));
        skins.Add("b_ov.png", Solid(40, 30, kOv));
        skins.Add("b_dn.png", Solid(40, 30, kDn));
        g_SkinSettings.clrBtnNr = 0x01;
        g_SkinSettings.clrBtnOv = 0x02;
        g_SkinSettings.clrBtnDn = 0x03;
        g_SkinSettings.bUIDebug = true;
        owner.resize(300, 200);
    }
    void TearDown() override { g_SkinSettings = SkinSettings(); }

    skin_test::SkinFolder skins;
    testing_support::RecordingNotifier notes;
    QWidget owner;
    QImage background = Solid(300, 200, kBack);
};

TEST_F(FactoryTest, SmallButtonTakesImageSizeAndPieceFromTheRectangle) {
    auto* btn = new CPngBtn;
    // The rectangle is smaller than the image: the piece covers only the rectangle.
    ASSERT_EQ(NewSmallPngButton(&background, &owner, "b_nr.png", "b_ov.png", "b_dn.png", btn, 1, 1,
                                "Export", 50, 60, 70, 75),
              1);
    EXPECT_EQ(btn->parentWidget(), &owner);
    EXPECT_EQ(btn->geometry(), QRect(50, 60, 40, 30));
    EXPECT_TRUE(btn->m_bSwitch);
    EXPECT_TRUE(btn->m_bDebugFrame);
    EXPECT_EQ(btn->m_clrNormal, 0x01u);
    EXPECT_EQ(btn->m_clrHover, 0x02u);
    EXPECT_EQ(btn->m_clrPressed, 0x03u);
    EXPECT_EQ(btn->Caption(), "Export");
    // The tip as the pointer asks for it: the whole caption when it is cut, none when it would
    // only repeat the caption shown whole.
    QHelpEvent ask(QEvent::ToolTip, QPoint(1, 1), btn->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(btn, &ask);
    EXPECT_EQ(btn->toolTip().toStdString(), btn->IsCaptionElided() ? "Export" : "");
    EXPECT_TRUE(notes.messages.empty());

    QImage transparentFace = Solid(40, 30, Qt::transparent);
    btn->SetImages(transparentFace.rect(), transparentFace, transparentFace, transparentFace);
    btn->m_bDebugFrame = false;
    btn->SetCaption("");
    const QImage picture = btn->ComposePicture();
    EXPECT_EQ(picture.pixelColor(5, 5), kBack);        // inside the rectangle
    EXPECT_EQ(picture.pixelColor(30, 25).alpha(), 0);  // beyond it: no background
}

TEST_F(FactoryTest, TheFirstMissingFileIsNamedAndNothingIsCreated) {
    auto* btn = new CPngBtn;
    EXPECT_EQ(NewSmallPngButton(&background, &owner, "no_nr.png", "no_ov.png", "b_dn.png", btn, 0,
                                0, nullptr, 0, 0, 10, 10),
              0);
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_EQ(notes.messages[0].first, "NewSmallPngButton. file no_nr.png not exist");
    EXPECT_EQ(notes.messages[0].second, "Warrning");
    EXPECT_EQ(btn->parentWidget(), nullptr);
    delete btn;

    CPngBtn btn3;
    EXPECT_EQ(NewSmallPngButton3(&background, nullptr, &owner, "b_nr.png", "b_ov.png", "min_ov.png",
                                 &btn3, 0, 0, nullptr, 0, 0),
              0);
    ASSERT_EQ(notes.messages.size(), 2u);
    EXPECT_EQ(notes.messages[1].first, "NewSmallPngButton3. file min_ov.png not exist");
    btn3.setParent(nullptr);
}

TEST_F(FactoryTest, Button3NeedsAllNamesAndCutsItsPieceAtTheSourcePoint) {
    CPngBtn absent;
    EXPECT_EQ(NewSmallPngButton3(&background, nullptr, &owner, "b_nr.png", nullptr, "b_dn.png",
                                 &absent, 0, 0, nullptr, 0, 0),
              0);
    EXPECT_TRUE(notes.messages.empty());

    QImage bg = background;
    bg.setPixelColor(100, 100, Qt::green);
    auto* btn = new CPngBtn;
    const QPoint from(100, 100);
    ASSERT_EQ(NewSmallPngButton3(&bg, &from, &owner, "b_nr.png", "b_ov.png", "b_dn.png", btn, 5, 0,
                                 "OK", 10, 20),
              1);
    EXPECT_EQ(btn->geometry(), QRect(10, 20, 40, 30));
    EXPECT_TRUE(btn->m_bSwitch);
    EXPECT_TRUE(btn->toolTip().isEmpty());
    QImage clear = Solid(40, 30, Qt::transparent);
    btn->SetImages(clear.rect(), clear, clear, clear);
    btn->m_bDebugFrame = false;
    btn->SetCaption("");
    EXPECT_EQ(btn->ComposePicture().pixelColor(0, 0), QColor(Qt::green));
}

TEST_F(FactoryTest, CutButtonTakesItsImagesFromTheSources) {
    QImage nr = Solid(200, 100, kNr), ov = Solid(200, 100, kOv), dn = Solid(200, 100, kDn);
    nr.setPixelColor(30, 40, Qt::red);
    auto* btn = new CPngBtn;
    ASSERT_EQ(NewCutPngButton(btn, &owner, nr, ov, dn, 0, "New", 30, 40, 110, 60), 1);
    EXPECT_EQ(btn->geometry(), QRect(30, 40, 80, 20));
    EXPECT_FALSE(btn->HasBackgroundPiece());
    btn->m_bDebugFrame = false;
    EXPECT_EQ(btn->ComposePicture().pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(FactoryTest, SliderBarReportsAMissingTrackAndDropsAMissingFill) {
    skins.Add("bar.png", Solid(100, 8, kNr));
    QImage thumb = Solid(10, 10, Qt::white);
    auto* bar = new CPngSliderBar(&owner);
    const QRect rect(10, 10, 100, 12);
    EXPECT_EQ(NewSmallPngSliderBar(&background, bar, &owner, &thumb, 0, 4, 150, "nobar.png",
                                   nullptr, nullptr, rect, rect),
              0);
    ASSERT_EQ(notes.messages.size(), 1u);
    EXPECT_EQ(notes.messages[0].first, "NewSmallPngSliderBar Error. file nobar.png not exist");
    EXPECT_EQ(notes.messages[0].second, "Warrning");

    const QPoint offset(0, 2);
    ASSERT_EQ(NewSmallPngSliderBar(&background, bar, &owner, &thumb, 1, 11, 129, "bar.png",
                                   "nofill.png", &offset, rect, rect),
              1);
    EXPECT_EQ(notes.messages.size(), 1u);  // the missing fill is silent
    EXPECT_FALSE(bar->HasFill());
    EXPECT_EQ(bar->m_nCtrlId, 129);
    EXPECT_TRUE(bar->m_bDebugFrame);
    EXPECT_EQ(bar->GetValue(), 1);  // moved to the minimum
    EXPECT_TRUE(bar->Thumb()->m_bReportWhileDragging);
    bar->m_bDebugFrame = false;
    const QImage track = bar->TrackPicture();
    EXPECT_EQ(track.pixelColor(50, 0), kBack);  // above the offset track: owner background
    EXPECT_EQ(track.pixelColor(50, 5), kNr);
}

}  // namespace

namespace {

TEST_F(FactoryTest, ButtonsKeepTheProgramFontTheyWereMadeWith) {
    QFont first = ShellDlgFont(13);
    SetSkinAppFont(&first);
    auto* btn = new CPngBtn;
    ASSERT_EQ(NewSmallPngButton(nullptr, &owner, "b_nr.png", "b_ov.png", "b_dn.png", btn, 0, 0,
                                "Caption", 0, 0, 40, 30),
              1);
    QFont second = ShellDlgFont(20);
    SetSkinAppFont(&second);  // a language switch may install another font
    SetSkinAppFont(nullptr);  // and the exit path removes it
    ASSERT_NE(btn->m_pOwnerFont, nullptr);
    EXPECT_EQ(btn->m_pOwnerFont->pixelSize(), 13);
    EXPECT_FALSE(btn->ComposePicture().isNull());
}

}  // namespace
