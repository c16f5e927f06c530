#include "ui/app_tray.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/messages.h"
#include "profile/focus_watch.h"
#include "skin/win_message.h"
#include "ui/mivora_dlg.h"

MainWindowTray::MainWindowTray(CMivoraDlg* window, std::function<bool()> probe)
    : QObject(window),
      m_pWindow(window),
      m_probe(probe ? std::move(probe) : [] { return QSystemTrayIcon::isSystemTrayAvailable(); }),
      m_pIcon(new QSystemTrayIcon(this)),
      m_pMenu(new QMenu()) {
    m_pIcon->setIcon(window->windowIcon());
    m_pIcon->setToolTip(QString::fromStdString(g_Config.Title));
    m_pIcon->setContextMenu(m_pMenu);
    RefreshTexts();
    connect(m_pMenu, &QMenu::aboutToShow, this, [this] { UpdateFocusItem(); });
    connect(m_pIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) {
                // A left click is the message 0x46C with 0x202, as a second copy sends it.
                if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
                    PostWinMessage(m_pWindow, WM_TRAY_NOTIFY, 0, 0x202);
            });
    // At login the desktop's notification area may come up after the program.
    connect(&m_retry, &QTimer::timeout, this, [this] { CheckAvailable(); });
    CheckAvailable();
    if (!m_bAvailable) {
        g_pfnLog("Tray: no notification area yet; looking again every %d ms", kRetryMs);
        m_retry.start(kRetryMs);
    }
}

MainWindowTray::~MainWindowTray() {
    m_pIcon->hide();
    delete m_pMenu;
}

void MainWindowTray::CheckAvailable() {
    if (m_bAvailable || !m_probe()) return;
    m_bAvailable = true;
    m_retry.stop();
    m_pIcon->show();
    g_pfnLog("Tray: icon shown");
}

void MainWindowTray::RefreshTexts() {
    m_pMenu->clear();
    QAction* show = m_pMenu->addAction(QString::fromStdString(g_UiText.tc_config));
    m_pFocusPause = m_pMenu->addAction(QString::fromStdString(g_UiText.tc_focus_pause));
    m_pFocusPause->setCheckable(true);
    connect(m_pFocusPause, &QAction::triggered, m_pWindow, [this](bool paused) {
        FocusWatch* focus = m_pWindow->Focus();
        if (focus && !focus->SetPaused(paused)) m_pFocusPause->setChecked(!paused);
    });
    UpdateFocusItem();
    m_pFocusRules =
        m_pMenu->addAction(QString::fromStdString(g_UiText.tc_rules_title) + QChar(0x2026));
    connect(m_pFocusRules, &QAction::triggered, m_pWindow, [this] {
        m_pWindow->ShowFromTray();
        m_pWindow->OpenRulesDialog();
    });
    m_pMenu->addSeparator();
    QAction* exit = m_pMenu->addAction(QString::fromStdString(g_UiText.tc_exit));
    connect(show, &QAction::triggered, m_pWindow, [this] { m_pWindow->ShowFromTray(); });
    connect(exit, &QAction::triggered, m_pWindow, [this] { m_pWindow->OnExit(); });
}

void MainWindowTray::UpdateFocusItem() {
    const FocusWatch* focus = m_pWindow->Focus();
    const AppRules rules = focus ? focus->Rules() : AppRules();
    m_pFocusPause->setVisible(!rules.rules.empty());
    m_pFocusPause->setChecked(rules.paused);
}

void MainWindowTray::SetState(const std::string& state) {
    QString tip = QString::fromStdString(g_Config.Title);
    if (!state.empty()) tip += (tip.isEmpty() ? "" : "\n") + QString::fromStdString(state);
    m_pIcon->setToolTip(tip);
}

QString MainWindowTray::ToolTip() const {
    return m_pIcon->toolTip();
}

void MainWindowTray::PopupMenuAtCursor() {
    m_pMenu->popup(QCursor::pos());
}
