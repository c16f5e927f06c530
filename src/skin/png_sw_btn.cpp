#include "skin/png_sw_btn.h"

#include <QPainter>

#include "skin/caption_fit.h"
#include "skin/image.h"
#include "skin/skin_settings.h"

CPngSwBtn::CPngSwBtn(QWidget* parent) : CPngBtn(parent), m_fontSmall(ShellDlgFont(14)) {}

void CPngSwBtn::SetWords(const std::string& left, const std::string& right) {
    m_strLeft = left;
    m_strRight = right;
    update();
}

QImage CPngSwBtn::ComposePicture(qreal scale) const {
    QImage picture = CPngBtn::ComposePicture(scale);
    if (picture.isNull()) return picture;
    const std::string& left = m_strLeft.empty() ? g_SkinSettings.swWordLeft : m_strLeft;
    const std::string& right = m_strRight.empty() ? g_SkinSettings.swWordRight : m_strRight;
    // Checked: the right word is the current state and takes the pressed colour.
    const uint32_t clrLeft = m_bChecked ? g_SkinSettings.clrBtnNr : g_SkinSettings.clrBtnDn;
    const uint32_t clrRight = m_bChecked ? g_SkinSettings.clrBtnDn : g_SkinSettings.clrBtnNr;

    QPainter painter(&picture);
    painter.setFont(m_pOwnerFont ? *m_pOwnerFont : m_fontSmall);
    auto word = [&](const std::string& text, const QRect& area, uint32_t colour) {
        if (text.empty()) return;
        painter.setPen(ColorFromRef(colour));
        DrawFittedCaption(painter, area, QString::fromStdString(text), Qt::AlignCenter);
    };
    word(left, QRect(0, 0, 42, 16), clrLeft);
    word(right, QRect(42, 0, 42, 16), clrRight);
    return picture;
}
