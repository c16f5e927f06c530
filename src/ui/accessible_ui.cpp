#include "ui/accessible_ui.h"

#include <QAccessible>
#include <QColor>
#include <QKeyEvent>
#include <QPointer>
#include <QWindow>

#include <algorithm>

#include "skin/accessible_skin.h"
#include "skin/image.h"
#include "ui/dpi_grid_dlg.h"
#include "ui/menu_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/pick_color_dlg.h"

namespace {

QAccessibleInterface* UiFactory(const QString&, QObject* object) {
    if (auto* grid = qobject_cast<CDpiGridDlg*>(object)) return new AccessibleDpiGrid(grid);
    if (auto* swatch = qobject_cast<CPickColorDlg*>(object)) return new AccessiblePickColor(swatch);
    if (auto* menu = qobject_cast<CMenuDlg*>(object)) return new AccessibleMenu(menu);
    if (auto* msg = qobject_cast<CMsgDlg*>(object)) return new AccessibleMsgDlg(msg);
    return nullptr;
}

// One row of a popup menu; it lives as long as the menu's interface.
class AccessibleMenuRow : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    AccessibleMenuRow(CMenuDlg* menu, int row) : m_menu(menu), m_row(row) {}
    bool isValid() const override { return m_menu && m_row < m_menu->RowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_menu ? m_menu->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_menu.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid()) return QString();
        return QString::fromStdString(m_menu->Items()[static_cast<size_t>(m_row)].text);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return QRect();
        const QRect r = m_menu->RowRect(m_row);
        return QRect(m_menu->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.focusable = true;
        s.selectable = true;
        s.focused = s.selected = m_menu->HoverIndex() == m_row;
        s.hasPopup = !m_menu->IsSubMenu() &&
                     std::any_of(m_menu->Items().begin(), m_menu->Items().end(),
                                 [this](const MenuItem& it) { return it.parent == m_row; });
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid()) m_menu->PickRow(m_row);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<CMenuDlg> m_menu;
    int m_row;
};

void SendKey(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

}  // namespace

void InstallUiAccessibility() {
    InstallSkinAccessibility();
    QAccessible::removeFactory(UiFactory);
    QAccessible::installFactory(UiFactory);
}

AccessibleMsgDlg::AccessibleMsgDlg(CMsgDlg* dlg) : QAccessibleWidget(dlg, QAccessible::Dialog) {}

QAccessible::Role AccessibleMsgDlg::role() const {
    // Asked again each time: the interface may be made before the dialog knows its mode.
    const auto* dlg = static_cast<const CMsgDlg*>(object());
    return dlg && dlg->IsAlert() ? QAccessible::AlertMessage : QAccessible::Dialog;
}

AccessibleDpiGrid::AccessibleDpiGrid(CDpiGridDlg* grid)
    : QAccessibleWidget(grid, QAccessible::Slider) {}

CDpiGridDlg* AccessibleDpiGrid::Grid() const {
    return static_cast<CDpiGridDlg*>(widget());
}

void* AccessibleDpiGrid::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString AccessibleDpiGrid::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return QString::number(Grid()->m_nValue);
    return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleDpiGrid::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    // The current stage is the one the mouse uses: shown as the checked one of the row.
    s.checkable = true;
    s.checked = Grid()->m_bCurrent;
    return s;
}

QVariant AccessibleDpiGrid::currentValue() const {
    return Grid()->m_nValue;
}

void AccessibleDpiGrid::setCurrentValue(const QVariant& value) {
    CDpiGridDlg* grid = Grid();
    const int wanted = value.toInt();
    // Through the keys, so the stage is picked and every step is checked and reported.
    for (int guard = 0; guard < 256 && grid->m_nValue != wanted; ++guard) {
        const int before = grid->m_nValue;
        SendKey(grid, wanted > before ? Qt::Key_Up : Qt::Key_Down);
        if (grid->m_nValue == before) break;
        if ((wanted > before) != (wanted > grid->m_nValue) && grid->m_nValue != wanted) break;
    }
}

QVariant AccessibleDpiGrid::maximumValue() const {
    return Grid()->SensorMaximum();
}

QVariant AccessibleDpiGrid::minimumValue() const {
    return Grid()->SensorMinimum();
}

QVariant AccessibleDpiGrid::minimumStepSize() const {
    return 0;  // the sensor's values are not evenly spaced: each arrow goes to the next one
}

AccessiblePickColor::AccessiblePickColor(CPickColorDlg* swatch)
    : QAccessibleWidget(swatch, QAccessible::Button) {}

QString AccessiblePickColor::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        const uint32_t c = static_cast<CPickColorDlg*>(widget())->Color();
        return ColorFromRef(c).name();
    }
    return QAccessibleWidget::text(t);
}

QStringList AccessiblePickColor::actionNames() const {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void AccessiblePickColor::doAction(const QString& actionName) {
    if (actionName == pressAction())
        SendKey(widget(), Qt::Key_Space);
    else
        QAccessibleWidget::doAction(actionName);
}

AccessibleMenu::AccessibleMenu(CMenuDlg* menu) : QAccessibleWidget(menu, QAccessible::PopupMenu) {}

AccessibleMenu::~AccessibleMenu() {
    for (QAccessible::Id id : m_rows) QAccessible::deleteAccessibleInterface(id);
}

int AccessibleMenu::childCount() const {
    return static_cast<CMenuDlg*>(widget())->RowCount();
}

QAccessibleInterface* AccessibleMenu::child(int index) const {
    auto* menu = static_cast<CMenuDlg*>(widget());
    if (index < 0 || index >= menu->RowCount()) return nullptr;
    while (m_rows.size() <= static_cast<size_t>(index))
        m_rows.push_back(QAccessible::registerAccessibleInterface(
            new AccessibleMenuRow(menu, static_cast<int>(m_rows.size()))));
    return QAccessible::accessibleInterface(m_rows[static_cast<size_t>(index)]);
}

int AccessibleMenu::indexOfChild(const QAccessibleInterface* child) const {
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (QAccessible::accessibleInterface(m_rows[i]) == child) return static_cast<int>(i);
    return -1;
}

QAccessibleInterface* AccessibleMenu::focusChild() const {
    const int row = static_cast<CMenuDlg*>(widget())->HoverIndex();
    return row >= 0 ? child(row) : nullptr;
}
