#include "skin/accessible_skin.h"

#include <QAccessible>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "skin/combo_btn.h"
#include "skin/png_btn.h"
#include "skin/png_slider_bar.h"
#include "skin/png_sw_btn.h"

namespace {

QAccessible::Role RoleOf(const CPngBtn* b) {
    if (qobject_cast<const CComboBtn*>(b)) return QAccessible::ComboBox;
    if (qobject_cast<const CPngSwBtn*>(b)) return QAccessible::CheckBox;
    switch (b->m_role) {
        case CPngBtn::Role::Radio:
            return QAccessible::RadioButton;
        case CPngBtn::Role::Check:
            return QAccessible::CheckBox;
        case CPngBtn::Role::Indicator:
            return QAccessible::Indicator;
        case CPngBtn::Role::Label:
            return QAccessible::StaticText;
        case CPngBtn::Role::Button:
            break;
    }
    return QAccessible::Button;
}

bool IsCheckable(QAccessible::Role role) {
    return role == QAccessible::RadioButton || role == QAccessible::CheckBox ||
           role == QAccessible::Indicator;
}

QAccessibleInterface* SkinFactory(const QString&, QObject* object) {
    if (auto* bar = qobject_cast<CPngSliderBar*>(object)) return new AccessibleSliderBar(bar);
    if (auto* button = qobject_cast<CPngBtn*>(object)) return new AccessiblePngBtn(button);
    return nullptr;
}

}  // namespace

void InstallSkinAccessibility() {
    QAccessible::removeFactory(SkinFactory);
    QAccessible::installFactory(SkinFactory);
}

AccessiblePngBtn::AccessiblePngBtn(CPngBtn* button) : QAccessibleWidget(button, RoleOf(button)) {
    addControllingSignal(QLatin1String("clicked(bool)"));
}

CPngBtn* AccessiblePngBtn::Button() const {
    return static_cast<CPngBtn*>(widget());
}

QString AccessiblePngBtn::text(QAccessible::Text t) const {
    const CPngBtn* b = Button();
    const QString caption = QString::fromStdString(b->Caption());
    const QString own = b->accessibleName();
    switch (t) {
        case QAccessible::Name:
            // What it is ("Key 3") with what it shows ("Right button"), else either.
            if (!own.isEmpty() && !caption.isEmpty() && own != caption &&
                role() != QAccessible::ComboBox)
                return own + QStringLiteral(": ") + caption;
            if (!own.isEmpty()) return own;
            if (!caption.isEmpty()) return caption;
            return b->toolTip();
        case QAccessible::Value:
            if (role() == QAccessible::ComboBox || role() == QAccessible::StaticText)
                return caption;
            return QString();
        case QAccessible::Description:
            if (!b->accessibleDescription().isEmpty()) return b->accessibleDescription();
            return b->toolTip() != text(QAccessible::Name) ? b->toolTip() : QString();
        default:
            return QAccessibleWidget::text(t);
    }
}

QAccessible::State AccessiblePngBtn::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    const CPngBtn* b = Button();
    if (IsCheckable(role())) {
        s.checkable = true;
        s.checked = b->IsChecked();
    }
    if (b->isDown()) s.pressed = true;
    if (role() == QAccessible::ComboBox) s.hasPopup = true;
    return s;
}

QStringList AccessiblePngBtn::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (role() == QAccessible::StaticText || role() == QAccessible::Indicator) return names;
    if (!Button()->isEnabled()) return names;
    if (role() == QAccessible::ComboBox)
        names.prepend(showMenuAction());
    else if (IsCheckable(role()))
        names.prepend(toggleAction());
    else
        names.prepend(pressAction());
    return names;
}

void AccessiblePngBtn::doAction(const QString& actionName) {
    CPngBtn* b = Button();
    if (!b->isEnabled()) return;
    if (actionName == showMenuAction()) {
        if (auto* combo = qobject_cast<CComboBtn*>(b)) combo->OpenList();
        return;
    }
    if (actionName == pressAction() || actionName == toggleAction()) {
        b->click();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

AccessibleSliderBar::AccessibleSliderBar(CPngSliderBar* bar)
    : QAccessibleWidget(bar, QAccessible::Slider) {}

CPngSliderBar* AccessibleSliderBar::Bar() const {
    return static_cast<CPngSliderBar*>(widget());
}

void* AccessibleSliderBar::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString AccessibleSliderBar::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) return QString::number(Bar()->GetValue());
    return QAccessibleWidget::text(t);
}

QVariant AccessibleSliderBar::currentValue() const {
    return Bar()->GetValue();
}

void AccessibleSliderBar::setCurrentValue(const QVariant& value) {
    const CPngSlider* thumb = Bar()->Thumb();
    const int wanted = value.toInt();
    for (int pos = thumb->Minimum(); pos <= thumb->Maximum(); ++pos)
        if (thumb->ValueOfPos(pos) == wanted) {
            Bar()->MoveToPosition(pos);
            return;
        }
}

QVariant AccessibleSliderBar::maximumValue() const {
    const CPngSlider* thumb = Bar()->Thumb();
    int best = INT_MIN;
    for (int pos = thumb->Minimum(); pos <= thumb->Maximum(); ++pos)
        best = std::max(best, thumb->ValueOfPos(pos));
    return best == INT_MIN ? 0 : best;
}

QVariant AccessibleSliderBar::minimumValue() const {
    const CPngSlider* thumb = Bar()->Thumb();
    int best = INT_MAX;
    for (int pos = thumb->Minimum(); pos <= thumb->Maximum(); ++pos)
        best = std::min(best, thumb->ValueOfPos(pos));
    return best == INT_MAX ? 0 : best;
}

QVariant AccessibleSliderBar::minimumStepSize() const {
    // The smallest change one arrow key makes.
    const CPngSlider* thumb = Bar()->Thumb();
    int step = 0;
    for (int pos = thumb->Minimum(); pos < thumb->Maximum(); ++pos) {
        const int gap = std::abs(thumb->ValueOfPos(pos + 1) - thumb->ValueOfPos(pos));
        if (gap > 0 && (step == 0 || gap < step)) step = gap;
    }
    return step;
}
