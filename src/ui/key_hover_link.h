// Ties each row of the key list to its place on the mouse picture: the pointer over either one
// lights the other, so the numbers of the list can be found on the mouse.
#pragma once

#include <QObject>

class CPngBtn;

class KeyHoverLink : public QObject {
  public:
    static constexpr int kKeys = 16;
    // rows[i] and marks[i] belong to key i; either may be null.
    KeyHoverLink(CPngBtn* const* rows, CPngBtn* const* marks, QObject* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CPngBtn* m_rows[kKeys] = {};
    CPngBtn* m_marks[kKeys] = {};
};
