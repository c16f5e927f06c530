#include "ui/key_mark_dlg.h"

#include <QPainter>

#include "config/program_config.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/skin_settings.h"

namespace {

// The picture of image over the background piece, or the image itself when either is missing.
SkinImage OverPiece(const SkinImage& piece, const SkinImage& image) {
    if (piece.width() == 0 || image.width() == 0) return image;
    return ComposeSkinImage(image.size(), [&](QPainter& p) {
        DrawImage(p, piece, piece.rect(), piece.rect());
        DrawImageAt(p, image, 0, 0);
    });
}

}  // namespace

CKeyMarkDlg::CKeyMarkDlg(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int i = 0; i < kKeysPerSet; ++i) {
        auto* btn = new CPngBtn(this);
        btn->SetCaption(std::string());
        btn->m_clrNormal = g_Config.Btn_txt_clr_nr;
        btn->m_clrHover = g_Config.Btn_txt_clr_ov;
        btn->m_clrPressed = g_Config.Btn_txt_clr_dn;
        btn->m_pOwnerFont = SkinAppFont();
        btn->m_bDebugFrame = g_Config.UIDebug != 0;
        btn->m_nItem = i;
        btn->setFocusPolicy(Qt::NoFocus);
        btn->hide();
        m_pKeys[i] = btn;
    }
    ShowMarks();
}

CPngBtn* CKeyMarkDlg::KeyButton(int i) const {
    return i >= 0 && i < kKeysPerSet ? m_pKeys[i] : nullptr;
}

void CKeyMarkDlg::SetMarkPictures(const std::string& normalPath, const std::string& pressedPath,
                                  const QImage& mainBackground, const QRect& viewRect) {
    m_imgBack =
        CloneArea(mainBackground, viewRect.x(), viewRect.y(), viewRect.width(), viewRect.height());
    const SkinImage normal = LoadSkinImageFile(normalPath);
    m_imgNormal = normal.width() > 0 ? OverPiece(m_imgBack, normal) : SkinImage();
    m_imgPressed = SkinImage();
    if (!pressedPath.empty()) {
        const SkinImage pressed = LoadSkinImageFile(pressedPath);
        if (pressed.width() > 0) m_imgPressed = OverPiece(m_imgBack, pressed);
    }
    update();
}

void CKeyMarkDlg::ShowMarks() {
    if (m_imgPressed.isNull()) return;
    const DeviceModel* model = pSensorCfg.load();
    for (int i = 0; i < kKeysPerSet; ++i) {
        CPngBtn* btn = m_pKeys[i];
        const CfgRect* r = model ? &model->Mark[i] : nullptr;
        if (!r || r->Width() <= 0 || r->Height() <= 0 || i >= model->KeyCount) {
            btn->hide();
            continue;
        }
        const QRect rect(r->left, r->top, r->Width(), r->Height());
        btn->setGeometry(rect);
        // The zone under the pointer lights as when pressed, so the user sees which key it is.
        btn->SetImages(rect, m_imgNormal, m_imgPressed, m_imgPressed);
        btn->show();
    }
}

void CKeyMarkDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QImage canvas = NewCanvas(size(), PaintScale(this, painter));
    {
        QPainter p(&canvas);
        if (!m_imgNormal.isNull()) DrawImage(p, m_imgNormal, rect(), m_imgNormal.rect());
    }
    painter.drawImage(0, 0, canvas);
}
