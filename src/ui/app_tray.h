// The notification-area icon of the main window and its menu (show, exit).
#pragma once

#include <QObject>

class CMivoraDlg;
class QMenu;
class QSystemTrayIcon;

class MainWindowTray : public QObject {
    Q_OBJECT
  public:
    // The icon for window, or nullptr when the desktop has no notification area (the window is
    // then never hidden, so the program stays reachable).
    static MainWindowTray* Add(CMivoraDlg* window);
    ~MainWindowTray() override;

    // Menu texts from the current language (tc_config, tc_exit).
    void RefreshTexts();
    void PopupMenuAtCursor();
    QMenu* Menu() const { return m_pMenu; }

  private:
    explicit MainWindowTray(CMivoraDlg* window);

    CMivoraDlg* m_pWindow;
    QSystemTrayIcon* m_pIcon;
    QMenu* m_pMenu;
};
