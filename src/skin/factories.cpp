#include "skin/factories.h"

#include <QWidget>

#include <string>

#include "core/notifier.h"
#include "skin/image.h"
#include "skin/png_btn.h"
#include "skin/png_slider_bar.h"
#include "skin/skin_settings.h"

namespace {

// Loads the three files; reports the first missing one under name and returns false.
bool LoadThree(const char* factory, const char* const files[3], SkinImage images[3]) {
    for (int i = 0; i < 3; ++i) images[i] = LoadSkinImage(files[i]);
    for (int i = 0; i < 3; ++i) {
        if (images[i].width() == 0) {
            NotifyUser(std::string(factory) + ". file " + files[i] + " not exist", "Warrning");
            return false;
        }
    }
    return true;
}

void ApplyCommon(CPngBtn* btn, QWidget* owner, int isSwitch) {
    btn->setParent(owner);
    btn->setText(QString());
    btn->m_clrHover = g_SkinSettings.clrBtnOv;
    btn->m_clrNormal = g_SkinSettings.clrBtnNr;
    btn->m_clrPressed = g_SkinSettings.clrBtnDn;
    btn->m_bSwitch = isSwitch != 0;
    btn->m_pOwnerFont = SkinAppFont();
    btn->m_bDebugFrame = g_SkinSettings.bUIDebug;
}

void ApplyCaption(CPngBtn* btn, int toolTip, const char* caption) {
    if (!caption) return;
    btn->SetCaption(caption, 0);
    if (toolTip) btn->SetToolTip(caption);
}

}  // namespace

int NewSmallPngButton(const QImage* ownerBg, QWidget* owner, const char* normalFile,
                      const char* hoverFile, const char* pressedFile, CPngBtn* btn, int isSwitch,
                      int toolTip, const char* caption, int left, int top, int right, int bottom) {
    if (!btn || !owner || !normalFile || !hoverFile || !pressedFile) return 0;
    const char* const files[3] = {normalFile, hoverFile, pressedFile};
    SkinImage images[3];
    if (!LoadThree("NewSmallPngButton", files, images)) {
        btn->hide();
        return 0;
    }
    ApplyCommon(btn, owner, isSwitch);
    btn->SetImages(images[0].rect(), images[0], images[1], images[2]);
    ApplyCaption(btn, toolTip, caption);
    btn->setGeometry(left, top, images[0].width(), images[0].height());
    if (ownerBg && ownerBg->width() > 0)
        btn->SetBackgroundPiece(*ownerBg, QRect(left, top, right - left, bottom - top));
    btn->show();
    return 1;
}

int NewSmallPngButton3(const QImage* ownerBg, const QPoint* srcPoint, QWidget* owner,
                       const char* normalFile, const char* hoverFile, const char* pressedFile,
                       CPngBtn* btn, int isSwitch, int toolTip, const char* caption, int x, int y) {
    if (!btn || !owner || !normalFile || !hoverFile || !pressedFile) return 0;
    const char* const files[3] = {normalFile, hoverFile, pressedFile};
    SkinImage images[3];
    if (!LoadThree("NewSmallPngButton3", files, images)) {
        btn->hide();
        return 0;
    }
    ApplyCommon(btn, owner, isSwitch);
    btn->SetImages(images[0].rect(), images[0], images[1], images[2]);
    ApplyCaption(btn, toolTip, caption);
    btn->setGeometry(x, y, images[0].width(), images[0].height());
    if (ownerBg && ownerBg->width() > 0) {
        const QPoint from = srcPoint ? *srcPoint : QPoint(0, 0);
        btn->SetBackgroundPiece(*ownerBg, QRect(from, images[0].size()));
    }
    btn->show();
    return 1;
}

int NewCutPngButton(CPngBtn* btn, QWidget* owner, const QImage& normal, const QImage& hover,
                    const QImage& pressed, int isSwitch, const char* caption, int left, int top,
                    int right, int bottom) {
    if (!btn || !owner) return 0;
    ApplyCommon(btn, owner, isSwitch);
    const QRect rect(left, top, right - left, bottom - top);
    btn->setGeometry(rect);
    btn->SetImages(rect, normal, hover, pressed);
    if (caption) btn->SetCaption(caption, 0);
    btn->show();
    return 1;
}

int NewSmallPngSliderBar(const QImage* ownerBg, CPngSliderBar* bar, QWidget* owner,
                         const QImage* thumb, int minimum, int maximum, int ctrlId,
                         const char* trackFile, const char* fillFile, const QPoint* trackOffset,
                         const QRect& bgRect, const QRect& barRect) {
    if (!bar || !owner || !trackFile) return 0;
    const SkinImage track = LoadSkinImage(trackFile);
    if (track.width() == 0) {
        NotifyUser(std::string("NewSmallPngSliderBar Error. file ") + trackFile + " not exist",
                   "Warrning");
        bar->hide();
        return 0;
    }
    const SkinImage fill = fillFile ? LoadSkinImage(fillFile) : SkinImage();  // missing: no fill

    bar->m_nCtrlId = ctrlId;
    bar->setParent(owner);
    if (!bar->Owner()) bar->SetOwner(owner);
    bar->setGeometry(barRect);
    bar->m_ptTrackOffset = trackOffset ? *trackOffset : QPoint(0, 0);
    bar->ComposePictures(ownerBg ? *ownerBg : QImage(), bgRect, track, fill);
    bar->SetRange(minimum, maximum);
    CPngSlider* slider = bar->Thumb();
    slider->SetThumbImage(thumb ? *thumb : QImage());
    slider->SetValue(minimum, false);
    slider->m_bReportWhileDragging = true;
    bar->m_bDebugFrame = g_SkinSettings.bUIDebug;
    bar->show();
    return 1;
}
