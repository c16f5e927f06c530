// The notification-area icon of the main window and its menu (show, exit). A tray that starts
// after the program (as at login) still gets the icon; its tip says the state of the link.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>

class CMivoraDlg;
class QAction;
class QMenu;
class QSystemTrayIcon;

class MainWindowTray : public QObject {
    Q_OBJECT
  public:
    // The icon for window. probe tells whether the desktop has a notification area now (the
    // system's answer when empty); while it has none the icon waits for one.
    MainWindowTray(CMivoraDlg* window, std::function<bool()> probe = {});
    ~MainWindowTray() override;

    // A notification area is there and shows the icon (only then may the window hide).
    bool IsAvailable() const { return m_bAvailable; }
    // Menu texts from the current language (tc_config, tc_exit).
    void RefreshTexts();
    // The tip: the title, then the state of the link.
    void SetState(const std::string& state);
    QString ToolTip() const;
    void PopupMenuAtCursor();
    QMenu* Menu() const { return m_pMenu; }
    // The pause item of switching by application: shown once a rule exists, checked while
    // paused. Called each time the menu opens.
    void UpdateFocusItem();
    QAction* FocusPauseItem() const { return m_pFocusPause; }
    // Opens the rules by application (over the window, which it shows).
    QAction* FocusRulesItem() const { return m_pFocusRules; }

    // How often a missing notification area is looked for.
    static constexpr int kRetryMs = 2000;

  private:
    void CheckAvailable();

    CMivoraDlg* m_pWindow;
    std::function<bool()> m_probe;
    QSystemTrayIcon* m_pIcon;
    QMenu* m_pMenu;
    QAction* m_pFocusPause = nullptr;
    QAction* m_pFocusRules = nullptr;
    QTimer m_retry;
    bool m_bAvailable = false;
};
