// The about dialog: texts from the language, the web link, the optional firmware button and
// closing.
#include <gtest/gtest.h>

#include <QIcon>

#include "config/program_config.h"
#include "core/notifier.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "ui/about_dlg.h"
#include "ui/ui_test_util.h"

namespace {

class AboutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetUrlOpener([this](const std::string& url) { m_opened.push_back(url); });
        m_savedFw = g_Config.ShowFWUpdate;
    }
    void TearDown() override {
        SetUrlOpener({});
        g_Config.ShowFWUpdate = m_savedFw;
        ui_test::ProgramFolder::UseLanguage("English");
    }
    ui_test::ProgramFolder m_program;
    std::vector<std::string> m_opened;
    int m_savedFw = 0;
};

TEST_F(AboutTest, LinkOpensTheLanguagesWebAddressAndStaysOpen) {
    for (const char* language : {"English", "Deutsch"}) {
        SCOPED_TRACE(language);
        ui_test::ProgramFolder::UseLanguage(language);
        m_opened.clear();
        CAboutDlg dlg;
        dlg.open();
        // The desktop shows the program's name; the program finds it by its role.
        EXPECT_EQ(dlg.windowTitle().toStdString(), g_Config.Title);
        EXPECT_EQ(dlg.windowRole(), "MivoraMsgTopWindow");
        ASSERT_NE(dlg.LinkButton(), nullptr);
        EXPECT_EQ(dlg.LinkButton()->Caption(), g_UiText.tc_msg24);
        EXPECT_EQ(dlg.LinkButton()->geometry(), QRect(60, 105, 280, 20));
        ui_test::ClickCentre(dlg.LinkButton());
        EXPECT_EQ(m_opened, std::vector<std::string>{g_UiText.tc_web});
        EXPECT_TRUE(dlg.isVisible());
    }
    g_UiText.tc_web.clear();
    CAboutDlg dlg;
    dlg.open();
    m_opened.clear();
    ui_test::ClickCentre(dlg.LinkButton());
    EXPECT_TRUE(m_opened.empty());
}

TEST_F(AboutTest, FirmwareButtonOnlyWhenConfiguredAndInGrey) {
    g_Config.ShowFWUpdate = 0;
    {
        CAboutDlg dlg;
        dlg.open();
        EXPECT_EQ(dlg.UpdateButton(), nullptr);
    }
    g_Config.ShowFWUpdate = 1;
    CAboutDlg dlg;
    dlg.open();
    CPngBtn* fw = dlg.UpdateButton();
    ASSERT_NE(fw, nullptr);
    EXPECT_EQ(fw->pos(), QPoint(60, 145));
    EXPECT_EQ(fw->Caption(), g_UiText.tc_msg8);
    for (uint32_t c : {fw->m_clrNormal, fw->m_clrHover, fw->m_clrPressed}) EXPECT_EQ(c, 0x646464u);
    ui_test::ClickCentre(fw);
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(AboutTest, TheCloseButtonAndEscCloseIt) {
    {
        CAboutDlg dlg;
        dlg.open();
        for (int key : {Qt::Key_Space, Qt::Key_F1, Qt::Key_Return}) ui_test::TapKey(&dlg, key);
        ui_test::Pump();
        EXPECT_TRUE(dlg.isVisible());
        ASSERT_NE(dlg.CloseButton(), nullptr);
        EXPECT_EQ(dlg.CloseButton()->pos(), QPoint(dlg.width() - 49, 10));
        EXPECT_FALSE(dlg.CloseButton()->ComposePicture().isNull()) << "skinned";
        ui_test::ClickCentre(dlg.CloseButton());
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
    }
    CAboutDlg dlg;
    dlg.open();
    ui_test::TapKey(&dlg, Qt::Key_Escape);
    ui_test::Pump();
    EXPECT_FALSE(dlg.isVisible());
}

// Region r of a picture differs from the same region of the bare background: something is drawn.
bool DrawnIn(const QImage& picture, const QImage& background, const QRect& r) {
    const QImage a = picture.copy(r).convertToFormat(QImage::Format_ARGB32);
    const QImage b = background.copy(r).convertToFormat(QImage::Format_ARGB32);
    return a != b;
}

TEST_F(AboutTest, ShowsTheProductNameAndTheProgramIcon) {
    for (const char* language : {"English", "日本語"}) {
        SCOPED_TRACE(language);
        ui_test::ProgramFolder::UseLanguage(language);
        EXPECT_EQ(CAboutDlg::ProductName(), "Mivora");
        CAboutDlg dlg;
        ASSERT_TRUE(dlg.Prepare());
        const QImage back = LoadSkinImage("msg_nr.png");
        const QImage face = dlg.ComposePicture();
        ASSERT_EQ(face.size(), back.size());
        EXPECT_TRUE(DrawnIn(face, back, CAboutDlg::IconRect())) << "no icon";
        EXPECT_TRUE(DrawnIn(face, back, CAboutDlg::NameRect())) << "no name";
        // Name and icon stay clear of the close button.
        ASSERT_NE(dlg.CloseButton(), nullptr);
        EXPECT_FALSE(CAboutDlg::NameRect().intersects(dlg.CloseButton()->geometry()));
        EXPECT_FALSE(CAboutDlg::IconRect().intersects(CAboutDlg::NameRect()));
    }
    g_UiText.tc_appdata.clear();
    EXPECT_EQ(CAboutDlg::ProductName(), "Mivora");
}

// On a screen scaled by 2 the icon comes from the icon file's larger picture, pixel for pixel,
// not from the small one stretched.
TEST_F(AboutTest, AtScaleTwoTheIconIsTheIconFilesLargerPicture) {
    CAboutDlg dlg;
    ASSERT_TRUE(dlg.Prepare());
    const QRect at = CAboutDlg::IconRect();
    const QImage big = QIcon(QString::fromStdString(g_szAppDir + "appico.ico"))
                           .pixmap(at.size() * 2, 1.0)
                           .toImage()
                           .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(big.size(), at.size() * 2);
    QImage face = dlg.ComposePicture(2).convertToFormat(QImage::Format_ARGB32);
    face.setDevicePixelRatio(1);
    ASSERT_GE(face.width(), 2 * at.right());
    int opaque = 0, same = 0;
    for (int y = 0; y < big.height(); ++y) {
        for (int x = 0; x < big.width(); ++x) {
            if (qAlpha(big.pixel(x, y)) != 255) continue;
            ++opaque;
            same += face.pixel(2 * at.x() + x, 2 * at.y() + y) == big.pixel(x, y);
        }
    }
    EXPECT_GT(opaque, big.width() * big.height() / 4);
    EXPECT_EQ(same, opaque);
}

TEST(AboutSkinTest, CornersAreCutAndAMissingBackgroundClosesSilently) {
    {
        ui_test::SkinFolder skins;
        testing_support::RecordingNotifier buttonsMissing;
        QImage back = ui_test::Solid(460, 200, QColor(30, 30, 30));
        back.setPixel(0, 0, qRgba(0, 0, 0, 0));
        back.setPixel(459, 199, qRgb(0, 255, 0));
        skins.Add("msg_nr.png", back);
        CAboutDlg dlg;
        ASSERT_TRUE(dlg.Prepare());
        EXPECT_FALSE(dlg.mask().contains(QPoint(0, 0)));
        EXPECT_FALSE(dlg.mask().contains(QPoint(459, 199)));
        EXPECT_TRUE(dlg.mask().contains(QPoint(1, 0)));
    }
    ui_test::SkinFolder empty;
    testing_support::RecordingNotifier notes;
    CAboutDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(notes.messages.empty());
}

}  // namespace
