#include "ui/dpi_grid_dlg.h"

#include <QApplication>
#include <QFocusEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

#include "config/device_model.h"
#include "config/program_config.h"
#include "config/sensor_dpi.h"
#include "config/ui_text.h"
#include "core/messages.h"
#include "core/paths.h"
#include "profile/profile_defaults.h"
#include "profile/profile_list.h"
#include "skin/focus_ring.h"
#include "skin/image.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/pick_color_dlg.h"
#include "ui/std_dialogs.h"
#include "ui/top_windows.h"

namespace {

// The stages keep their order: the current one stays strictly between its neighbours. The last
// stage in use is bounded by the list only, not by a stage the mouse skips.
struct StageBounds {
    int low = 0;
    int high = INT_MAX;
};

StageBounds NeighbourBounds(const ProfileRecord& profile, const DeviceModel& model) {
    StageBounds b;
    const int level = g_nCurDpiLevel.load();
    if (level >= 0 && level < StagesInUse(profile, model) - 1 && level + 1 < kMaxDpiStages)
        b.high = profile.stages[level + 1].xDpi;
    if (level > 0 && level - 1 < kMaxDpiStages) b.low = profile.stages[level - 1].xDpi;
    return b;
}

constexpr int kWheelStep = 120;  // one notch

}  // namespace

CDpiGridDlg::CDpiGridDlg(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
    m_imgNormal = LoadSkinImageFile(g_szAppDir + "skins/dpi_nr.png");
    m_imgCurrent = LoadSkinImageFile(g_szAppDir + "skins/dpi_dn.png");
    if (m_imgNormal.width() > 0)
        resize(m_imgNormal.size());
    else
        resize(91, 27);
    m_repeat.setSingleShot(false);
    connect(&m_repeat, &QTimer::timeout, this, [this] { OnRepeat(); });
}

void CDpiGridDlg::SetBackgroundPiece(const QImage& piece) {
    m_imgBack = piece;
    update();
}

QImage CDpiGridDlg::ComposePicture(qreal scale) const {
    QImage canvas = NewCanvas(size(), scale);
    QPainter p(&canvas);
    const QSize imageSize = m_imgNormal.width() > 0 ? m_imgNormal.size() : size();
    const QRect at(QPoint(0, 0), imageSize);
    if (!m_imgBack.isNull()) DrawImage(p, m_imgBack, at, m_imgBack.rect());
    const SkinImage& face = m_bCurrent ? m_imgCurrent : m_imgNormal;
    if (face.width() > 0) DrawImage(p, face, at, face.rect());
    if (g_Config.ShowDpiColor != 0) p.fillRect(kColorStrip, ColorFromRef(m_clr));
    p.setFont(SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16));
    p.setPen(ColorFromRef(m_bCurrent ? g_Config.Btn_txt_clr_dn : g_Config.Btn_txt_clr_nr));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QString::number(m_nValue));
    return canvas;
}

bool CDpiGridDlg::event(QEvent* event) {
    // The current stage tells how it is changed (typing is not something a user looks for).
    if (event->type() == QEvent::ToolTip)
        setToolTip(m_bCurrent ? QString::fromStdString(g_UiText.tc_dpi_tip) : QString());
    return QWidget::event(event);
}

void CDpiGridDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, ComposePicture(PaintScale(this, painter)));
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
    const StageBounds bounds = NeighbourBounds(*profile, *model);
    // Only the neighbour in the direction of the step bounds it, so stages read out of order can
    // still be put back in order.
    if (up ? next >= bounds.high : next <= bounds.low) return 0;
    m_nValue = next;
    update();
    Post(kValueChanged);
    return 1;
}

int CDpiGridDlg::SnapValue(int typed) const {
    const std::optional<ProfileRecord> profile = g_ProfileList.Snapshot();
    const DeviceModel* model = pSensorCfg.load();
    if (!profile || !model) return 0;
    const SensorDpiEntry* sensor = FindSensorEntry(model->Sensor);
    if (!sensor || sensor->count <= 0) return 0;
    const StageBounds bounds = NeighbourBounds(*profile, *model);
    const int count = std::min(sensor->count, kSensorDpiSlots);
    int best = 0;
    long bestDistance = LONG_MAX;
    for (int i = 0; i < count; ++i) {
        const int v = sensor->values[i];
        if (v <= bounds.low || v >= bounds.high || !DpiCode(model->Sensor, v)) continue;
        const long distance = std::labs(static_cast<long>(v) - typed);
        if (distance < bestDistance) {
            best = v;
            bestDistance = distance;
        }
    }
    return best;
}

int CDpiGridDlg::StepUp() {
    return Step(true);
}
int CDpiGridDlg::StepDown() {
    return Step(false);
}

void CDpiGridDlg::PressArrow(bool up) {
    m_bRepeatUp = up;
    if (Step(up)) m_repeat.start(kRepeatDelayMs);
}

void CDpiGridDlg::OnRepeat() {
    // A dialog opened on top (the mouse went away) takes the release: stop rather than run on.
    if (QApplication::activeModalWidget() || !Step(m_bRepeatUp)) {
        m_repeat.stop();
        return;
    }
    m_repeat.setInterval(kRepeatIntervalMs);
}

void CDpiGridDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (m_bCurrent && kIncreaseArea.contains(pos)) return PressArrow(true);
    if (m_bCurrent && kDecreaseArea.contains(pos)) return PressArrow(false);
    if (m_bCurrent && g_Config.ShowDpiColor != 0 && kColorStrip.contains(pos)) {
        uint32_t chosen = 0;
        if (ChooseColor(this, m_clr, &chosen)) {
            m_clr = chosen;
            update();
            Post(kColorChanged);
        }
        return;
    }
    if (m_bCurrent && kValueArea.contains(pos)) return BeginEdit();
    Post(kPicked);
}

void CDpiGridDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    // Clicks faster than the double-click time still step, one step each.
    event->accept();
    if (event->button() != Qt::LeftButton || !m_bCurrent) return;
    const QPoint pos = event->position().toPoint();
    if (kIncreaseArea.contains(pos)) PressArrow(true);
    if (kDecreaseArea.contains(pos)) PressArrow(false);
    // A click that made the stage current, then another: the user wants to type its value.
    if (kValueArea.contains(pos)) BeginEdit();
}

void CDpiGridDlg::mouseReleaseEvent(QMouseEvent* event) {
    m_repeat.stop();
    QWidget::mouseReleaseEvent(event);
}

void CDpiGridDlg::wheelEvent(QWheelEvent* event) {
    if (!m_bCurrent) return event->ignore();
    event->accept();
    m_nWheelRest += event->angleDelta().y();
    while (m_nWheelRest >= kWheelStep) {
        m_nWheelRest -= kWheelStep;
        Step(true);
    }
    while (m_nWheelRest <= -kWheelStep) {
        m_nWheelRest += kWheelStep;
        Step(false);
    }
}

void CDpiGridDlg::hideEvent(QHideEvent* event) {
    m_repeat.stop();
    EndEdit(false);
    QWidget::hideEvent(event);
}

void CDpiGridDlg::BeginEdit() {
    if (!m_pEdit) {
        m_pEdit = new QLineEdit(this);
        m_pEdit->setFrame(false);
        m_pEdit->setAlignment(Qt::AlignCenter);
        m_pEdit->setValidator(new QIntValidator(0, 999999, m_pEdit));
        m_pEdit->setFont(SkinAppFont() ? *SkinAppFont() : ShellDlgFont(16));
        m_pEdit->setGeometry(kValueArea.adjusted(0, 3, 0, 0));
        m_pEdit->setPalette(StandardDialogPalette());
        m_pEdit->installEventFilter(this);
    }
    // The tip says which values this stage can take, so a snapped value is no surprise.
    const int lowest = SnapValue(0), highest = SnapValue(INT_MAX);
    m_pEdit->setToolTip(lowest > 0 ? QString("%1 – %2").arg(lowest).arg(highest) : QString());
    m_pEdit->setText(QString::number(m_nValue));
    m_pEdit->show();
    m_pEdit->setFocus(Qt::MouseFocusReason);
    m_pEdit->selectAll();
}

bool CDpiGridDlg::IsEditing() const {
    return m_pEdit && !m_pEdit->isHidden();
}

void CDpiGridDlg::EndEdit(bool take) {
    if (!IsEditing()) return;
    const QString text = m_pEdit->text();
    m_pEdit->hide();  // first: the focus it loses does not end the edit twice
    if (!take) return;
    bool ok = false;
    const int typed = text.toInt(&ok);
    if (!ok) return;
    const int value = SnapValue(typed);
    if (value <= 0 || value == m_nValue) {
        update();
        return;
    }
    m_nValue = value;
    update();
    Post(kValueChanged);
}

bool CDpiGridDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_pEdit) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EndEdit(true);
            return true;
        }
        if (key == Qt::Key_Escape) {
            EndEdit(false);
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        EndEdit(true);
    }
    return QWidget::eventFilter(watched, event);
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
