// Painting the main window's face: background, key numbers, panel captions and icons, composed
// off-screen and copied in one step.
#include <QPainter>

#include <algorithm>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "skin/caption_fit.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "ui/key_mark_dlg.h"
#include "ui/mivora_dlg.h"

namespace {

constexpr double kInertOpacity = 0.4;

QFont TextFont() {
    if (const QFont* f = SkinAppFont()) return *f;
    return ShellDlgFont(16);
}

QFont TitleFont() {
    if (const QFont* f = SkinAppFont()) return *f;
    QFont f = ShellDlgFont(22);
    f.setBold(true);
    return f;
}

// One line, vertically centred, cut with an ellipsis when too long.
void DrawLine(QPainter& p, const QRect& r, const std::string& text, int align) {
    DrawFittedCaption(p, r, QString::fromStdString(text), align | Qt::AlignVCenter);
}

// The icon left of a control: right edge 15 pixels before it, bottom 3 pixels above its bottom.
void DrawSideIcon(QPainter& p, const QImage& icon, const QRect& ctrl) {
    if (icon.width() == 0) return;
    DrawImageAt(p, icon, ctrl.x() - icon.width() - 15,
                ctrl.y() + ctrl.height() - icon.height() - 3);
}

void DrawPanelTitle(QPainter& p, const QImage& icon, const QRect& ref, int width,
                    const std::string& title) {
    const int iconW = icon.width();
    const int iconH = icon.width() > 0 ? icon.height() : 22;
    const int y = ref.y() - iconH - 10;
    if (iconW > 0) DrawImageAt(p, icon, ref.x(), y);
    // The title starts just right of the icon, within the icon's band.
    const int left = ref.x() + (iconW > 0 ? iconW + 8 : 0);
    DrawLine(p, QRect(left, y, width, iconH), title, Qt::AlignLeft);
}

}  // namespace

QImage CMivoraDlg::ComposeFace(qreal scale) const {
    QImage face = NewCanvas(size(), scale);
    QPainter p(&face);
    if (g_Config.ClrMask != 0) FillArgb(p, rect(), 0xC8FFFFFF);
    DrawImageAt(p, m_imgBg, 0, 0);

    const DeviceModel* model = pSensorCfg.load();
    const int keyCount = model ? model->KeyCount : 0;
    for (int i = 0; i < keyCount && i < 16; ++i) {
        if (m_imgNumber[i].width() == 0) continue;
        const QRect kb = m_btnKey[i].geometry();
        DrawImageAt(p, m_imgNumber[i], kb.x() - 22, kb.y() + 2);
    }

    p.setPen(ColorFromRef(g_Config.Txt_clr));
    p.setFont(TextFont());
    PaintPointerBlock(p);
    if (m_barLight1.isVisible()) {
        const QRect l1 = m_barLight1.geometry();
        DrawLine(p, QRect(l1.x() - 100, l1.y() - 2, 92, l1.height() + 2), g_UiText.tc_msg2,
                 Qt::AlignRight);
    }
    if (m_barLight2.isVisible()) {
        const QRect l2 = m_barLight2.geometry();
        DrawLine(p, QRect(l2.x() - 100, l2.y() - 2, 92, l2.height() + 2), g_UiText.tc_msg3,
                 Qt::AlignRight);
    }

    p.setFont(TitleFont());
    DrawPanelTitle(p, m_imgIconDpi, m_rects.dpi[0], 150, g_UiText.tc_msg22);
    DrawPanelTitle(p, m_imgIconRate, m_btnRate[0].geometry(), 250, g_UiText.tc_msg23);
    if (model && model->ShowLED != 0 && m_btnLight[0].isVisible())
        DrawPanelTitle(p, m_imgIconLight, m_btnLight[0].geometry(), 300, g_UiText.tc_adv_str6);
    FadeInactiveFace(p);
    return face;
}

void CMivoraDlg::PaintPointerBlock(QPainter& p) const {
    const QRect en = m_swEnhance.geometry();
    const QRect sp = m_barSpeed.geometry();
    const QRect sc = m_barScroll.geometry();
    const QRect db = m_barDbClick.geometry();
    // A setting this desktop does not take keeps its place, faded like its control.
    auto fade = [&](unsigned setting) {
        p.setOpacity((m_pointerInert & setting) ? kInertOpacity : 1.0);
    };
    fade(platform::kPointerPrecision);
    DrawLine(p, QRect(en.x(), en.y() - 22, 300, 19), g_UiText.tc_adv_str5, Qt::AlignLeft);
    DrawSideIcon(p, m_imgIconEnhance, en);
    // The captions may use the bar's whole width: longer languages need more than 200 pixels.
    fade(platform::kPointerSpeed);
    DrawLine(p, QRect(sp.x(), sp.y() - 20, std::max(200, sp.width()), 18), g_UiText.tc_adv_str2,
             Qt::AlignLeft);
    DrawSideIcon(p, m_imgIconSens, sp);
    fade(platform::kPointerScrollLines);
    DrawLine(p, QRect(sc.x(), sc.y() - 20, std::max(200, sc.width()), 18), g_UiText.tc_adv_str3,
             Qt::AlignLeft);
    DrawSideIcon(p, m_imgIconScroll, sc);
    fade(platform::kPointerDoubleClick);
    DrawLine(p, QRect(db.x(), db.y() - 22, std::max(200, db.width()), 19), g_UiText.tc_adv_str1,
             Qt::AlignLeft);
    DrawSideIcon(p, m_imgIconDbClick, db);
    p.setOpacity(1.0);
    // The line under the last bar, as wide as the bar and its value label.
    const std::string notice = PointerNotice();
    if (!notice.empty()) {
        const int right = m_lblDbClick.geometry().right();
        DrawLine(p, QRect(db.x(), db.bottom() + 5, std::max(db.width(), right - db.x()), 18),
                 notice, Qt::AlignLeft);
    }
}

void CMivoraDlg::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (isMinimized()) {
        windowIcon().paint(&p, rect());
        return;
    }
    if (m_imgBg.width() == 0) return;
    ClipToShape(p, this);
    p.drawImage(0, 0, ComposeFace(PaintScale(this, p)));
}
