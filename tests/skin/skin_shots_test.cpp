// Builds a main window and a message dialog from the generated skin with the real factories
// and the shipped configuration, and writes them to build/.../shots/ for people to look at.
#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/paths.h"
#include "skin/combo_btn.h"
#include "skin/factories.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/png_slider_bar.h"
#include "skin/png_sw_btn.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "support/support.h"

namespace {

QString ShotPath(const char* name) {
    const QString dir = QString(MIVORA_BIN_DIR) + "/../shots";
    QDir().mkpath(dir);
    return dir + "/" + name;
}

// A face that paints its background, the mouse picture and the panel texts.
class Face : public QWidget {
  public:
    QImage background, mouse;
    QPoint mouseAt;
    std::vector<std::pair<QRect, QString>> texts;
    std::vector<std::pair<QPoint, QImage>> icons;

  protected:
    void paintEvent(QPaintEvent*) override {
        QImage picture(size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        DrawImageAt(p, background, 0, 0);
        DrawImageAt(p, mouse, mouseAt.x(), mouseAt.y());
        for (const auto& [at, icon] : icons) DrawImageAt(p, icon, at.x(), at.y());
        p.setPen(ColorFromRef(g_Config.Txt_clr));
        p.setFont(SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16));
        for (const auto& [rect, text] : texts)
            p.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        p.end();
        QPainter(this).drawImage(0, 0, picture);
    }
};

class SkinShots : public ::testing::Test {
  protected:
    void SetUp() override {
        previousAppDir = g_szAppDir;
        g_szAppDir = testing_support::BinDir();
        ASSERT_EQ(LoadConfig(g_szAppDir), 1);
        LoadUiTexts(LanguageTextPath(g_szAppDir, g_Config.Lang[0].folder));
        ApplySkinConfig();
        LoadAppFont();
    }
    void TearDown() override {
        UnloadAppFont();
        g_SkinSettings = SkinSettings();
        g_szAppDir = previousAppDir;
    }
    std::string previousAppDir;
    testing_support::RecordingNotifier notes;
};

std::string Text(const char* key) {
    return LookupText(key);
}

TEST_F(SkinShots, GeneratedSkinBuildsTheMainWindow) {
    const DeviceModel* model = &g_DeviceModels[0];
    Face face;
    face.background = LoadSkinImage("main_nr.png");
    ASSERT_GT(face.background.width(), 0);
    face.resize(face.background.size());
    face.mouse = LoadImageFile(SkinPath(QString("%1%2/mouse_nr.png")
                                            .arg(model->CID, 2, 10, QChar('0'))
                                            .arg(model->MID, 2, 10, QChar('0'))
                                            .toStdString()));
    face.mouseAt = QPoint(model->ptMark.x, model->ptMark.y);
    const QImage* bg = &face.background;
    int made = 0, wanted = 0;
    auto button = [&](const char* nr, const char* ov, const char* dn, int sw, const char* caption,
                      int l, int t, int r, int b, CPngBtn* btn = nullptr) {
        if (!btn) btn = new CPngBtn;
        ++wanted;
        made += NewSmallPngButton(bg, &face, nr, ov, dn, btn, sw, 1, caption, l, t, r, b);
        return btn;
    };

    const int mx = g_Config.ptMin.x, my = g_Config.ptMin.y;
    button("min_nr.png", "min_ov.png", "min_ov.png", 0, nullptr, mx, my, mx + 29, my + 29);
    button("exit_nr.png", "exit_ov.png", "exit_ov.png", 0, nullptr, mx + 35, my, mx + 64, my + 29);
    button("about_nr.png", "about_ov.png", "about_ov.png", 0, nullptr, mx - 35, my, mx - 6,
           my + 29);
    auto* combo = new CComboBtn;
    button("combo_nr.png", "combo_nr.png", "combo_nr.png", 0, nullptr, mx - 155, my, mx - 45,
           my + 29, combo);
    for (int k = 0; k < g_Config.LangCount; ++k) combo->AddItem(k, g_Config.Lang[k].name);
    combo->SelectIndex(0);
    button("flag_bt_nr.png", "flag_bt_nr.png", "flag_bt_dn.png", 0, nullptr, mx - 211, my, mx - 180,
           my + 31);
    button("flag_24g_nr.png", "flag_24g_nr.png", "flag_24g_dn.png", 0, nullptr, mx - 261, my,
           mx - 226, my + 26)
        ->SetChecked(true);

    const char* keyNames[] = {"Left click", "Right click", "Middle button", "Forward",
                              "Back",       "DPI +",       "DPI -",         "Fire"};
    const int kx = g_Config.ptKey.x, ky = g_Config.ptKey.y;
    for (int i = 0; i < model->KeyCount && i < 8; ++i) {
        const int top = ky + i * (20 + model->KEYH);
        auto* key = new CPngBtn;
        ++wanted;
        made += NewCutPngButton(key, &face, *bg, *bg, *bg, 0, nullptr, kx, top, kx + 110, top + 20);
        key->SetCaption(keyNames[i], 1);
        face.icons.push_back(
            {QPoint(kx - 22, top + 2), LoadSkinImage("number" + std::to_string(i + 1) + ".png")});
    }

    const char* bottom[] = {"tc_msg32", "tc_msg33", "tc_mac_def", "tc_restore"};
    for (int i = 0; i < 4; ++i) {
        const int l = 49 + i * 110;
        CPngBtn* btn = button("btn_nr.png", "btn_nr.png", "btn_dn.png", 0, Text(bottom[i]).c_str(),
                              l, 577, l + 96, 612);
        btn->m_clrNormal = g_Config.Btn_txt_clr_nr2;
        btn->m_clrHover = g_Config.Btn_txt_clr_ov2;
        btn->m_clrPressed = g_Config.Btn_txt_clr_dn2;
    }

    // Pointer panel: enhance switch, three bars with value labels.
    const QRect enhance(g_Config.ptEnhance.x, g_Config.ptEnhance.y, 84, 17);
    auto* sw = new CPngSwBtn;
    button("sw_nr.png", "sw_nr.png", "sw_dn.png", 1, nullptr, enhance.left(), enhance.top(),
           enhance.left() + 84, enhance.top() + 17, sw);
    face.texts.push_back({QRect(enhance.left(), enhance.top() - 22, 300, 19),
                          QString::fromStdString(Text("tc_adv_str5"))});
    face.icons.push_back(
        {QPoint(enhance.left() - 37, enhance.top() - 8), LoadSkinImage("Icon_Enhance.png")});
    const QImage thumb = LoadSkinImage("slider.png");
    const CfgPoint points[] = {g_Config.ptMoveSpeed, g_Config.ptScrollSpeed,
                               g_Config.ptDbClickSpeed};
    const char* titles[] = {"tc_adv_str2", "tc_adv_str3", "tc_adv_str1"};
    const char* barIcons[] = {"Icon_Sens.png", "Icon_Scroll.png", "Icon_DbClick.png"};
    const int stops[] = {6, 37, 69, 101, 133, 165, 197, 229, 261, 293, 324};
    for (int i = 0; i < 3; ++i) {
        const QRect rect(points[i].x, points[i].y, 331, 12);
        auto* bar = new CPngSliderBar(&face);
        const QPoint offset(0, g_Config.BarY);
        ++wanted;
        made += NewSmallPngSliderBar(bg, bar, &face, &thumb, 1, 11, 129 + i, "bar_nr.png",
                                     "bar_ov.png", &offset, rect, rect);
        bar->SetScalePos(stops, 11);
        bar->SetValue(3 + 3 * i);
        face.texts.push_back({QRect(rect.left(), rect.top() - 20, 200, 18),
                              QString::fromStdString(Text(titles[i]))});
        face.icons.push_back(
            {QPoint(rect.left() - 37, rect.bottom() - 24), LoadSkinImage(barIcons[i])});
        button("label_nr.png", "label_nr.png", "label_nr.png", 0, std::to_string(3 + 3 * i).c_str(),
               rect.right() + 19, rect.top() - 4, rect.right() + 58, rect.top() + 13)
            ->m_clrNormal = g_Config.Txt_clr;
    }

    // Report rate and DPI stages.
    const char* rates[] = {"125 Hz", "250 Hz", "500 Hz"};
    for (int i = 0; i < 3; ++i) {
        const int l = g_Config.ptRate.x + i * 106;
        button("dpi_nr.png", "dpi_nr.png", "dpi_ov.png", 1, rates[i], l, g_Config.ptRate.y, l + 91,
               g_Config.ptRate.y + 27)
            ->SetChecked(i == 2);
    }
    face.icons.push_back(
        {QPoint(g_Config.ptRate.x, g_Config.ptRate.y - 32), LoadSkinImage("Icon_Rate.png")});
    face.texts.push_back({QRect(g_Config.ptRate.x + 30, g_Config.ptRate.y - 32, 250, 22),
                          QString::fromStdString(Text("tc_msg23"))});
    for (int i = 0; i < model->DM && i < 8; ++i) {
        const int l = g_Config.ptDPI.x + i * 103;
        button("dpi_nr.png", "dpi_nr.png", "dpi_dn.png", 1, std::to_string(model->DPI[i]).c_str(),
               l, g_Config.ptDPI.y, l + 91, g_Config.ptDPI.y + 27)
            ->SetChecked(i == model->DEFLEVEL);
    }
    face.icons.push_back(
        {QPoint(g_Config.ptDPI.x, g_Config.ptDPI.y - 32), LoadSkinImage("Icon_Dpi.png")});
    face.texts.push_back({QRect(g_Config.ptDPI.x + 30, g_Config.ptDPI.y - 32, 150, 22),
                          QString::fromStdString(Text("tc_msg22"))});

    // Lighting: five modes, the palette and two level bars.
    const int L = g_Config.ptLight.x, T = g_Config.ptLight.y;
    for (int i = 0; i < 5; ++i) {
        const int l = L + i * 86;
        const std::string caption = Text(("tc_led_mode" + std::to_string(i + 1)).c_str());
        button("btn2_nr.png", "btn2_nr.png", "btn2_dn.png", 1, caption.c_str(), l, T, l + 76,
               T + 27)
            ->SetChecked(i == 0);
    }
    face.icons.push_back({QPoint(L + 5 * 86 - 10 + 15, T - 25), LoadSkinImage("PickColor.png")});
    face.icons.push_back({QPoint(L, T - 32), LoadSkinImage("Icon_Light.png")});
    face.texts.push_back(
        {QRect(L + 30, T - 32, 300, 22), QString::fromStdString(Text("tc_adv_str6"))});
    const QImage dot = LoadSkinImage("bar_dot.png");
    const int ledStops[] = {7, 66, 124, 183, 242};
    for (int i = 0; i < 2; ++i) {
        const QRect rect(L + 60, T + 50 + 26 * i, 252, 11);
        auto* bar = new CPngSliderBar(&face);
        ++wanted;
        made += NewSmallPngSliderBar(bg, bar, &face, &thumb, 0, 4, 150 + i, "led_bar.png", nullptr,
                                     nullptr, rect, rect);
        bar->SetScalePos(ledStops, 5);
        bar->SetStopMark(dot, 0);
        bar->SetValue(2 + i);
        face.texts.push_back({QRect(rect.left() - 60, rect.top() - 4, 55, 18),
                              QString::fromStdString(Text(i ? "tc_msg3" : "tc_msg2"))});
    }

    EXPECT_EQ(made, wanted);
    EXPECT_TRUE(notes.messages.empty()) << notes.messages[0].first;
    face.show();
    const QImage shot = face.grab().toImage();
    ASSERT_EQ(shot.size(), face.background.size());
    EXPECT_TRUE(shot.save(ShotPath("main.png")));
}

TEST_F(SkinShots, GeneratedSkinBuildsTheMessageDialog) {
    QWidget dialog;
    const QImage bg = LoadSkinImage("msg_nr.png");
    ASSERT_GT(bg.width(), 0);
    dialog.resize(bg.size());
    EXPECT_TRUE(ShapeWindowFromImage(&dialog, bg, 0x00FF00, 0));
    // The rounded corners are cut, the face is kept.
    EXPECT_FALSE(dialog.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(dialog.mask().contains(QPoint(bg.width() / 2, bg.height() / 2)));

    const int W = bg.width(), H = bg.height();
    auto* close = new CPngBtn;
    auto* ok = new CPngBtn;
    auto* cancel = new CPngBtn;
    QPoint at(W - 49, 10);
    EXPECT_EQ(NewSmallPngButton3(&bg, &at, &dialog, "exit_nr.png", "exit_ov.png", "exit_ov.png",
                                 close, 0, 1, nullptr, at.x(), at.y()),
              1);
    at = QPoint(W - 222, H - 50);
    EXPECT_EQ(NewSmallPngButton3(&bg, &at, &dialog, "btn_nr.png", "btn_nr.png", "btn_dn.png", ok, 0,
                                 1, Text("tc_ok").c_str(), at.x(), at.y()),
              1);
    at = QPoint(W - 116, H - 50);
    EXPECT_EQ(NewSmallPngButton3(&bg, &at, &dialog, "btn_nr.png", "btn_nr.png", "btn_dn.png",
                                 cancel, 0, 1, Text("tc_cancel").c_str(), at.x(), at.y()),
              1);
    ok->setDown(true);
    EXPECT_TRUE(notes.messages.empty());

    QImage shot(bg.size(), QImage::Format_ARGB32_Premultiplied);
    shot.fill(QColor(40, 40, 40));
    QPainter p(&shot);
    p.setClipRegion(dialog.mask());
    p.drawImage(0, 0, bg);
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    p.setFont(SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16));
    p.drawText(QRect(65, 55, 330, 30), Qt::AlignVCenter | Qt::TextWordWrap,
               QString::fromStdString(Text("tc_msg5")));
    for (CPngBtn* b : {close, ok, cancel}) p.drawImage(b->pos(), b->ComposePicture());
    p.end();
    EXPECT_TRUE(shot.save(ShotPath("message.png")));
}

}  // namespace
