// Closes the open popup menu the way a desktop's menus close: on a press of a mouse button
// anywhere outside it, on Escape, and when the application loses the focus to another one.
#pragma once

#include <QObject>

class MenuDismisser : public QObject {
  public:
    // Starts watching the application's events; close is called at most once per trigger.
    explicit MenuDismisser(void (*close)());
    ~MenuDismisser() override;
    // Stops watching at once (the object itself may be deleted later).
    void Stop();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void (*m_close)();
};
