// What the window's own controls are to a screen reader: a DPI stage is a slider with the
// sensor's values, the colour swatch a button; the skinned controls come with them.
#pragma once

#include <QAccessibleWidget>

#include <vector>

class CDpiGridDlg;
class CPickColorDlg;

// Makes the skinned and the window's controls known to the accessibility framework; safe to
// call again.
void InstallUiAccessibility();

class AccessibleDpiGrid : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit AccessibleDpiGrid(CDpiGridDlg* grid);
    void* interface_cast(QAccessible::InterfaceType t) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    // Steps toward value while a step changes anything (the stage is picked first).
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    CDpiGridDlg* Grid() const;
};

class AccessiblePickColor : public QAccessibleWidget {
  public:
    explicit AccessiblePickColor(CPickColorDlg* swatch);
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
};

class CMenuDlg;
class CMsgDlg;

// A message or a confirmation is an alert, so a screen reader reads its text when it comes up;
// the dialogs that ask for input stay dialogs.
class AccessibleMsgDlg : public QAccessibleWidget {
  public:
    explicit AccessibleMsgDlg(CMsgDlg* dlg);
    QAccessible::Role role() const override;
};

// The popup menu and its rows: a screen reader lists the rows as menu items, hears the row the
// keys move to, and can pick one.
class AccessibleMenu : public QAccessibleWidget {
  public:
    explicit AccessibleMenu(CMenuDlg* menu);
    ~AccessibleMenu() override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;

  private:
    mutable std::vector<QAccessible::Id> m_rows;
};
