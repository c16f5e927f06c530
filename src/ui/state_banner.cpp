#include "ui/state_banner.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "config/program_config.h"
#include "skin/caption_fit.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"

namespace {

constexpr int kPad = 14;
constexpr int kGap = 8;
constexpr int kLinkHeight = 24;
constexpr uint32_t kAccent = 0xD98B3D;  // the skin's blue (0x00BBGGRR)

QFont BodyFont() {
    QFont f = SkinAppFont() ? *SkinAppFont() : ShellDlgFont(15);
    return f;
}

QFont TitleFont() {
    QFont f = BodyFont();
    f.setBold(true);
    if (f.pixelSize() > 0) f.setPixelSize(f.pixelSize() + 2);
    return f;
}

int TextHeight(const QFont& font, int width, const std::string& text, int flags) {
    if (text.empty() || width <= 0) return 0;
    return QFontMetrics(font)
        .boundingRect(QRect(0, 0, width, 10000), flags, QString::fromStdString(text))
        .height();
}

}  // namespace

CStateBanner::CStateBanner(QWidget* parent) : QWidget(parent), m_pLink(new CPngBtn(this)) {
    setObjectName("MivoraStateBanner");
    setAttribute(Qt::WA_TranslucentBackground);
    m_pLink->m_bLink = true;
    m_pLink->m_clrNormal = kAccent;
    m_pLink->m_clrHover = g_Config.Btn_txt_clr_ov;
    m_pLink->m_clrPressed = g_Config.Btn_txt_clr_dn;
    m_pLink->m_pOwnerFont = SkinAppFont();
    m_pLink->setCursor(Qt::PointingHandCursor);
    m_pLink->setFocusPolicy(Qt::TabFocus);  // the window puts it in its Tab order
    m_pLink->hide();
    connect(m_pLink, &QAbstractButton::clicked, this, [this] { emit linkClicked(); });
}

void CStateBanner::SetTexts(const std::string& title, const std::string& text,
                            const std::string& link) {
    m_strTitle = title;
    m_strText = text;
    // A transparent button: the banner's face shows through, only its caption is drawn.
    const QSize linkSize(std::max(40, width() - 2 * kPad), kLinkHeight);
    QImage clear(linkSize, QImage::Format_ARGB32_Premultiplied);
    clear.fill(Qt::transparent);
    m_pLink->SetImages(QRect(QPoint(0, 0), linkSize), clear, clear, clear);
    m_pLink->SetCaption(link, 1);
    m_pLink->setVisible(!link.empty());
    Relayout();
    update();
}

QRect CStateBanner::TitleRect() const {
    const int w = width() - 2 * kPad;
    const int h = TextHeight(TitleFont(), w, m_strTitle, Qt::TextWordWrap);
    return QRect(kPad, kPad, w, h);
}

QRect CStateBanner::TextRect() const {
    const QRect title = TitleRect();
    const int w = width() - 2 * kPad;
    const int h = TextHeight(BodyFont(), w, m_strText, Qt::TextWordWrap);
    return QRect(kPad, title.bottom() + 1 + (title.height() > 0 ? kGap : 0), w, h);
}

void CStateBanner::Relayout() {
    const QRect text = TextRect();
    int bottom = text.bottom() + 1;
    if (m_pLink->isVisibleTo(this)) {
        m_pLink->setGeometry(kPad, bottom + kGap, width() - 2 * kPad, kLinkHeight);
        bottom = m_pLink->geometry().bottom() + 1;
    }
    const int h = bottom + kPad;
    if (height() != h) resize(width(), h);
}

void CStateBanner::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_pLink->isVisibleTo(this) && m_pLink->width() != width() - 2 * kPad) {
        SetTexts(m_strTitle, m_strText, m_pLink->Caption());
        return;
    }
    Relayout();
}

void CStateBanner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    p.fillPath(shape, QColor(14, 16, 21, 235));
    p.setPen(QPen(ColorFromRef(kAccent), 1));
    p.drawPath(shape);
    p.setPen(ColorFromRef(g_Config.Txt_clr));
    p.setFont(TitleFont());
    p.drawText(TitleRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QString::fromStdString(m_strTitle));
    p.setFont(BodyFont());
    p.setPen(ColorFromRef(g_Config.Txt_clr).darker(115));
    p.drawText(TextRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QString::fromStdString(m_strText));
}
