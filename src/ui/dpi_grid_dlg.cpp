#include "ui/dpi_grid_dlg.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <optional>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "core/messages.h"
#include "core/paths.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "skin/focus_ring.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/pick_color_dlg.h"
#include "ui/top_windows.h"

CDpiGridDlg::CDpiGridDlg(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
    m_imgNormal = LoadImageFile(g_szAppDir + "skins/dpi_nr.png");
    m_imgCurrent = LoadImageFile(g_szAppDir + "skins/dpi_dn.png");
    if (m_imgNormal.width() > 0)
        resize(m_imgNormal.size());
    else
        resize(91, 27);
}

void CDpiGridDlg::SetBackgroundPiece(const QImage& piece) {
    m_imgBack = piece;
    update();
}

QImage CDpiGridDlg::ComposePicture() const {
    QImage canvas(size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    const QSize imageSize = m_imgNormal.width() > 0 ? m_imgNormal.size() : size();
    const QRect at(QPoint(0, 0), imageSize);
    if (!m_imgBack.isNull()) DrawImage(p, m_imgBack, at, m_imgBack.rect());
    const QImage& face = m_bCurrent ? m_imgCurrent : m_imgNormal;
    if (face.width() > 0) DrawImage(p, face, at, face.rect());
    if (g_Config.ShowDpiColor != 0) p.fillRect(kColorStrip, ColorFromRef(m_clr));
    p.setFont(SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16));
    p.setPen(ColorFromRef(m_bCurrent ? g_Config.Btn_txt_clr_dn : g_Config.Btn_txt_clr_nr));
    p.drawText(canvas.rect(), Qt::AlignCenter | Qt::TextSingleLine, QString::number(m_nValue));
    return canvas;
}

void CDpiGridDlg::paintEvent(QPaintEvent*) {
    const QImage picture = ComposePicture();
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
    if (ShowsFocusRing(this)) DrawFocusRing(painter, rect(), g_Config.Btn_txt_clr_ov);
}

void CDpiGridDlg::Post(int action) {
    PostWinMessage(parentWidget(), WM_DPI_GRID, static_cast<uintptr_t>(action), m_nIndex);
}

int CDpiGridDlg::Step(bool up) {
    const std::optional<ProfileRecord> profile = g_ProfileList.Snapshot();
    const DeviceModel* model = pSensorCfg.load();
    if (!profile || !model) return 0;
    const SensorDpiEntry* sensor = FindSensorEntry(model->Sensor);
    if (!sensor || sensor->count <= 0) return 0;
    const int count = std::min(sensor->count, kSensorDpiSlots);
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (sensor->values[i] == m_nValue) {
            at = i;
            break;
        }
    }
    if (at < 0) return 0;
    // The next value in that direction that the mouse can be given: one with a code.
    const int step = up ? 1 : -1;
    int to = at + step;
    while (to >= 0 && to < count && !DpiCode(model->Sensor, sensor->values[to])) to += step;
    if (to < 0 || to >= count) return 0;
    const int next = sensor->values[to];
    const int level = g_nCurDpiLevel.load();
    if (up) {
        // The last stage in use is bounded by the list only, not by a stage the mouse skips.
        if (level < StagesInUse(*profile, *model) - 1 && level + 1 < kMaxDpiStages && level >= 0 &&
            next >= profile->stages[level + 1].xDpi)
            return 0;
    } else {
        if (level > 0 && level - 1 < kMaxDpiStages && profile->stages[level - 1].xDpi >= next)
            return 0;
    }
    m_nValue = next;
    update();
    Post(kValueChanged);
    return 1;
}

int CDpiGridDlg::StepUp() {
    return Step(true);
}
int CDpiGridDlg::StepDown() {
    return Step(false);
}

void CDpiGridDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (m_bCurrent && kIncreaseArea.contains(pos)) {
        StepUp();
        return;
    }
    if (m_bCurrent && kDecreaseArea.contains(pos)) {
        StepDown();
        return;
    }
    if (m_bCurrent && g_Config.ShowDpiColor != 0 && kColorStrip.contains(pos)) {
        uint32_t chosen = 0;
        if (ChooseColor(this, m_clr, &chosen)) {
            m_clr = chosen;
            update();
            Post(kColorChanged);
        }
        return;
    }
    Post(kPicked);
}

void CDpiGridDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();  // the second click of a double click has no effect
}

void CDpiGridDlg::PickNow() {
    if (!m_bCurrent) SendWinMessage(parentWidget(), WM_DPI_GRID, kPicked, m_nIndex);
}

CDpiGridDlg* CDpiGridDlg::Neighbour(int delta) const {
    if (!parentWidget()) return nullptr;
    for (CDpiGridDlg* grid : parentWidget()->findChildren<CDpiGridDlg*>(Qt::FindDirectChildrenOnly))
        if (grid->m_nIndex == m_nIndex + delta && grid->isVisible() && grid->isEnabled())
            return grid;
    return nullptr;
}

bool CDpiGridDlg::HandleKey(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            PickNow();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            PickNow();
            if (m_bCurrent) Step(event->key() == Qt::Key_Up);
            return true;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            PickNow();
            for (int i = 0; i < kPageStep && m_bCurrent; ++i)
                if (!Step(event->key() == Qt::Key_PageUp)) break;
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            if (CDpiGridDlg* next = Neighbour(event->key() == Qt::Key_Right ? 1 : -1)) {
                next->setFocus(Qt::TabFocusReason);
                next->PickNow();
            }
            return true;
        default:
            return false;
    }
}

int CDpiGridDlg::SensorMinimum() const {
    const DeviceModel* model = pSensorCfg.load();
    const SensorDpiEntry* sensor = model ? FindSensorEntry(model->Sensor) : nullptr;
    if (!sensor || sensor->count <= 0) return 0;
    return sensor->values[0];
}

int CDpiGridDlg::SensorMaximum() const {
    const DeviceModel* model = pSensorCfg.load();
    const SensorDpiEntry* sensor = model ? FindSensorEntry(model->Sensor) : nullptr;
    if (!sensor || sensor->count <= 0) return 0;
    return sensor->values[std::min(sensor->count, kSensorDpiSlots) - 1];
}

void CDpiGridDlg::focusInEvent(QFocusEvent* event) {
    NoteFocusReason(this, event->reason());
    QWidget::focusInEvent(event);
    update();
}

void CDpiGridDlg::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CDpiGridDlg::keyPressEvent(QKeyEvent* event) {
    if (isEnabled() && HandleKey(event)) return event->accept();
    if (IsWindowKeySwallowed(event->key())) return event->accept();
    QWidget::keyPressEvent(event);
}

void CDpiGridDlg::keyReleaseEvent(QKeyEvent* event) {
    if (IsWindowKeySwallowed(event->key())) return event->accept();
    QWidget::keyReleaseEvent(event);
}
