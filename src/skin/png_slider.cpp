#include "skin/png_slider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

#include "core/notifier.h"
#include "skin/image.h"
#include "skin/png_slider_bar.h"

CPngSlider::CPngSlider(CPngSliderBar* bar) : QWidget(bar), m_pBar(bar) {
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void CPngSlider::SetThumbImage(const QImage& image) {
    m_imgThumb = image;
    if (m_imgThumb.isNull()) {
        hide();
        return;
    }
    setGeometry(x(), m_nThumbTop, m_imgThumb.width(), m_imgThumb.height());
    if (!m_pBar->IsHidden()) show();
}

void CPngSlider::SetRange(int minimum, int maximum) {
    m_nMin = minimum;
    m_nMax = std::max(minimum, maximum);
}

void CPngSlider::SetValueTable(const int* values, int count) {
    count = values ? std::clamp(count, 0, kMaxEntries) : 0;
    m_values.assign(values, values + count);
}

void CPngSlider::SetScalePos(const int* stops, int count) {
    count = stops ? std::clamp(count, 0, kMaxEntries) : 0;
    if (count != m_nMax - m_nMin + 1)
        NotifyUser("CPngSlider::SetScalePos  dwScale and Range unmatch!", "Warning");
    m_stops.assign(stops, stops + count);
}

int CPngSlider::ValueOfPos(int pos) const {
    if (pos < m_nMin || pos > m_nMax) return 0;
    if (m_values.empty()) return pos;
    const size_t index = static_cast<size_t>(pos - m_nMin);
    return index < m_values.size() ? m_values[index] : 0;
}

int CPngSlider::BarWidth() const {
    return m_pBar->width();
}

int CPngSlider::StopX(int pos) const {
    if (pos < m_nMin || pos > m_nMax) return -1;
    if (!m_stops.empty()) {
        const size_t index = static_cast<size_t>(pos - m_nMin);
        return index < m_stops.size() ? m_stops[index] : -1;
    }
    if (m_nMax == m_nMin) return 0;
    return BarWidth() / (m_nMax - m_nMin) * (pos - m_nMin);
}

int CPngSlider::NearestPos(int x) const {
    int pos = m_nMin;
    if (!m_stops.empty()) {
        int best = -1;
        for (size_t i = 0; i < m_stops.size(); ++i) {
            const int distance = std::abs(m_stops[i] - x);
            if (best < 0 || distance <= best) {  // on a tie the later stop wins
                best = distance;
                pos = m_nMin + static_cast<int>(i);
            }
        }
    } else if (m_nMax > m_nMin && BarWidth() > 0) {
        const int span = m_nMax - m_nMin;
        const int step = BarWidth() / span;
        const int f = span * x / BarWidth();
        pos = m_nMin + f;
        if (std::abs(x - step * (f + 1)) < std::abs(x - step * f)) pos = m_nMin + f + 1;
    }
    return std::clamp(pos, m_nMin, m_nMax);
}

void CPngSlider::SetValue(int value, bool notify) {
    int pos = value;
    if (!m_values.empty()) {
        const auto it = std::find(m_values.begin(), m_values.end(), value);
        if (it == m_values.end()) return;
        pos = m_nMin + static_cast<int>(it - m_values.begin());
    }
    if (pos < m_nMin || pos > m_nMax) pos = m_nMin;
    m_nPos = pos;
    const int stop = StopX(pos);
    if (stop >= 0) move(stop - width() / 2, m_nThumbTop);
    m_pBar->SetFillWidth(stop >= 0 ? stop + 1 : 0);
    update();
    if (notify) m_pBar->PostChanged(ValueOfPos(pos));
}

QImage CPngSlider::ComposePicture(qreal scale) const {
    QImage picture = NewCanvas(size(), scale);
    QPainter painter(&picture);
    const QImage& track = m_pBar->TrackPicture();
    // The track under the thumb, cut at the bar's edge as the bar cuts it.
    const QRect under = geometry().intersected(track.rect());
    if (!under.isEmpty()) DrawImage(painter, track, under.translated(-geometry().topLeft()), under);
    DrawImageAt(painter, m_imgThumb, 0, 0);
    return picture;
}

void CPngSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, ComposePicture(PaintScale(this, painter)));
}

void CPngSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (m_pBar->AskOwner(m_nPos) != 1) return;
    if (!m_bDraggable) return;
    m_bDragging = true;
    m_nPressX = event->globalPosition().toPoint().x();
    m_nPressLeft = x();
    m_nLastReported = GetValue();
}

void CPngSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bDragging) return;
    const int maxLeft = std::max(0, BarWidth() - width());
    const int left =
        std::clamp(m_nPressLeft + event->globalPosition().toPoint().x() - m_nPressX, 0, maxLeft);
    move(left, y());
    if (m_bReportWhileDragging) {
        const int value = ValueOfPos(NearestPos(CentreX()));
        if (value != m_nLastReported) {
            m_nLastReported = value;
            m_pBar->PostChanging(value);
        }
    }
    if (m_pBar->HasFill()) m_pBar->SetFillWidth(CentreX());
    m_pBar->update();
    update();
}

void CPngSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_bDragging || event->button() != Qt::LeftButton) return;
    m_bDragging = false;
    const int before = ValueOfPos(m_nPos);
    const int value = ValueOfPos(NearestPos(CentreX()));
    SetValue(value, value != before);
}
