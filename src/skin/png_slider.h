// The draggable thumb of a slider bar. It holds the bar's positions: the range, the value of
// each position and the pixel stop of each position along the bar.
#pragma once

#include <QImage>
#include <QWidget>

#include <vector>

#include "skin/image.h"

class CPngSliderBar;

class CPngSlider : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMaxEntries = 300;  // value table and stops

    explicit CPngSlider(CPngSliderBar* bar);

    // The thumb image; a null image hides the thumb.
    void SetThumbImage(const QImage& image);
    const SkinImage& ThumbImage() const { return m_imgThumb; }

    void SetRange(int minimum, int maximum);
    // count 0: the value is the position itself. More than kMaxEntries are cut.
    void SetValueTable(const int* values, int count);
    // count must be maximum - minimum + 1 ("Warning" message otherwise; stored all the same).
    void SetScalePos(const int* stops, int count);

    // Moves the thumb to the position of value; a value missing from the table changes
    // nothing. With notify, posts WM_SLIDER_CHANGED through the bar.
    void SetValue(int value, bool notify);
    // Value of the current position; 0 when it lies outside the range or the table.
    int GetValue() const { return ValueOfPos(m_nPos); }

    int Minimum() const { return m_nMin; }
    int Maximum() const { return m_nMax; }
    int Position() const { return m_nPos; }
    // Value of position pos; 0 outside the range or, with a table, outside the table.
    int ValueOfPos(int pos) const;
    // Pixel x of pos along the bar; -1 when pos has no stop.
    int StopX(int pos) const;
    // Position whose stop is nearest to x (ties to the later one), clamped to the range.
    int NearestPos(int x) const;
    const std::vector<int>& Stops() const { return m_stops; }
    bool IsDragging() const { return m_bDragging; }

    int m_nThumbTop = 0;
    bool m_bDraggable = true;
    bool m_bReportWhileDragging = false;

    // The thumb's picture: the bar's track under it, then the thumb image, in device pixels of
    // scale.
    QImage ComposePicture(qreal scale = 1) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int BarWidth() const;
    int CentreX() const { return x() + width() / 2; }

    CPngSliderBar* m_pBar;
    SkinImage m_imgThumb;
    int m_nMin = 0;
    int m_nMax = 10;
    int m_nPos = 0;
    std::vector<int> m_values;
    std::vector<int> m_stops;
    bool m_bDragging = false;
    int m_nPressX = 0;     // global x of the press
    int m_nPressLeft = 0;  // thumb left at the press
    int m_nLastReported = 0;
};
