// What the skinned controls are to a screen reader: a painted button reports its caption and
// role (push button, radio button, check box, lamp, label) and its checked state; a slider bar
// reports its value, range and step and can be set.
#pragma once

#include <QAccessibleWidget>

class CPngBtn;
class CPngSliderBar;

// Makes the skinned controls known to the accessibility framework; safe to call again.
void InstallSkinAccessibility();

class AccessiblePngBtn : public QAccessibleWidget {
  public:
    explicit AccessiblePngBtn(CPngBtn* button);
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    CPngBtn* Button() const;
};

class AccessibleSliderBar : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleSliderBar(CPngSliderBar* bar);
    void* interface_cast(QAccessible::InterfaceType t) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    CPngSliderBar* Bar() const;
};
