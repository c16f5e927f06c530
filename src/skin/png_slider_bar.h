// The skinned horizontal slider bar: a track picture, an optional fill up to the value, marks
// at the stops, and a draggable thumb. Its owner is asked before a change and told of values.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include "skin/png_slider.h"

class CPngSliderBar : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWindowId = 104;

    // owner receives the slider messages (0x800..0x802); null means the parent widget.
    explicit CPngSliderBar(QWidget* parent = nullptr, QObject* owner = nullptr);

    // Builds the track and, with a fill image, the fill picture over bgRect of the owner's
    // background (bar-sized, images drawn at the track offset, clipped to the bar).
    void ComposePictures(const QImage& ownerBackground, const QRect& bgRect, const QImage& track,
                         const QImage& fill);

    void SetRange(int minimum, int maximum);
    void SetValueTable(const int* values, int count) { m_thumb->SetValueTable(values, count); }
    void SetScalePos(const int* stops, int count) { m_thumb->SetScalePos(stops, count); }
    void SetValue(int value) { m_thumb->SetValue(value, false); }
    int GetValue() const { return m_thumb->GetValue(); }
    void SetHidden(bool hidden);
    bool IsHidden() const { return m_bHidden; }
    void SetOwner(QObject* owner) { m_pOwner = owner; }
    QObject* Owner() const;
    CPngSlider* Thumb() const { return m_thumb; }
    void SetStopMark(const QImage& mark, int markTop);

    int FillWidth() const { return m_nFillWidth; }
    void SetFillWidth(int w);
    bool HasFill() const { return !m_imgFill.isNull(); }
    const SkinImage& TrackPicture() const { return m_imgTrack; }

    // The bar's picture as painted: track, fill, stop marks, debug frame; in device pixels of
    // scale.
    QImage ComposePicture(qreal scale = 1) const;

    // Moves to position pos (clamped to the range) as a click there would: asks the owner,
    // then reports the new value. Returns true when the value changed.
    bool MoveToPosition(int pos);

    // Messages to the owner (the thumb reports through these).
    int AskOwner(int value);  // WM_SLIDER_QUERY; 1 when the change may go ahead
    void PostChanging(int value);
    void PostChanged(int value);

    int m_nCtrlId = 0;
    bool m_bAskOwner = true;
    bool m_bDebugFrame = false;
    QPoint m_ptTrackOffset;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // Arrows step one position, Page Up/Down ten, Home and End go to the ends.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    CPngSlider* m_thumb;
    QObject* m_pOwner;
    SkinImage m_imgTrack, m_imgFill, m_imgMark;
    int m_nMarkTop = 0;
    int m_nFillWidth = 0;
    bool m_bHidden = false;
};
