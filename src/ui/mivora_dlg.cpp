// The main window's life: initialisation, numbered messages, keys, closing and destruction.
#include "ui/mivora_dlg.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QThread>

#include "config/language_locale.h"
#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/messages.h"
#include "core/paths.h"
#include "device/session_state.h"
#include "macro/macro_tree.h"
#include "platform/desktop_locale.h"
#include "profile/apply_thread.h"
#include "profile/profile_list.h"
#include "profile/profile_store.h"
#include "skin/face_drag.h"
#include "skin/skin_config.h"
#include "ui/app_focus.h"
#include "ui/app_tray.h"
#include "ui/mivora_dlg_children.h"
#include "ui/osd_popup.h"
#include "ui/std_dialogs.h"
#include "ui/top_windows.h"

CMivoraDlg::CMivoraDlg(platform::HidBackend& backend, platform::DeviceNotifications* notifications,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_backend(backend),
      m_pNotifications(notifications),
      m_sink(this),
      m_link(std::make_unique<CUSBDriver>(backend, &m_sink)),
      m_session(std::make_unique<DeviceSession>(*m_link, &m_sink, this, &m_profileHook)),
      m_osd(std::make_unique<COsdDisplay>(ChooseOsdWay(QGuiApplication::platformName()))),
      m_barSpeed(nullptr, this),
      m_barScroll(nullptr, this),
      m_barDbClick(nullptr, this),
      m_barLight1(nullptr, this),
      m_barLight2(nullptr, this),
      m_dpiApply(kDpiQuietMs, [](int flag, int value) { PostApply(flag, value); }) {
    setObjectName("MivoraMainWindow");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    EnableFaceDrag(this, [] { CloseOpenPopupMenu(); });
}

CMivoraDlg::~CMivoraDlg() {
    // Order: the focus watch (its switches wait for the apply thread), the apply thread, menus
    // and devices, the profile list, the tray, the reader and the device notifications, then
    // the controls (members) go with the window.
    m_focusWatch.reset();
    g_ApplyThread.Stop();
    CloseOpenPopupMenu();
    m_session->Stop();
    m_link->StopServiceThread();
    ClearHandle(*m_link);
    m_link->m_Found.Close(m_backend, true);
    g_ProfileList.Clear();
    delete m_pTray;
    m_pTray = nullptr;
    m_session.reset();
    m_link.reset();
}

bool CMivoraDlg::InitDialog(bool startSearch) {
    const QIcon icon(QString::fromStdString(g_szAppDir + "appico.ico"));
    if (icon.isNull() || icon.availableSizes().isEmpty()) {
        g_pfnLog("Load Icon err=%x", 2);
    } else {
        setWindowIcon(icon);
    }
    setWindowTitle(QString::fromStdString(g_Config.Title));
    UseDarkToolTips();

    std::string holder;
    if (!m_dataLock.Acquire(DataLockPath(), kDataLockWaitMs, &holder))
        g_pfnLog("InitDialog: the data folder is in use by %s", holder.c_str());
    LoadCID();
    // A first run speaks the desktop's language when it is one of ours.
    if (!HasLangIndex(g_szDataDir)) {
        const std::string locale = platform::MessagesLocaleName();
        const int desktop = LanguageIndexForLocale(locale);
        g_pfnLog("InitDialog: first run, desktop locale %s, language %d", locale.c_str(), desktop);
        if (desktop >= 0 && !WriteLangIndex(g_szDataDir, desktop))
            g_pfnLog("InitDialog: lang.ini not written");
    }
    const int lang = ReadLangIndex(g_szDataDir);
    if (lang >= 0 && lang < g_Config.LangCount && !g_Config.Lang[lang].folder.empty()) {
        LoadUiTexts(LanguageTextPath(g_szAppDir, g_Config.Lang[lang].folder));
        UseStandardDialogLanguage(LocaleOfLanguageFolder(g_Config.Lang[lang].folder));
    }
    ApplySkinConfig();

    if (!CreateSkinControls()) return false;
    ShowDesktopPointerState(TakeDesktopPointerState());
    RefreshTexts();

    g_ApplyThread.Start(m_link.get(), TopWindowsForApplyThread());
    LoadMacroLibrary(nullptr, g_Config.MacroDir != 0, true);
    if (g_Config.TrayIcon == 1 || g_Config.TrayIcon == 3)
        m_pTray = new MainWindowTray(this, m_trayProbe);
    RefreshLayout();
    if (startSearch) {
        m_session->Start(m_pNotifications);
        m_bSessionStarted = true;
        m_focusWatch = MakeAppFocusWatch(&m_sink);
        RefreshRulesButton();  // it names the session's focus source
    }
    return true;
}

void CMivoraDlg::ShowAtStart() {
    const bool toTray = g_Config.TrayIcon == 1 || g_Config.ShowWelcome != 0;
    // Without a tray icon the window is the only way back to the program.
    if (toTray && HasTray()) return;
    m_bShown = true;
    show();
}

void CMivoraDlg::ShowFromTray() {
    m_bShown = true;
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

bool CMivoraDlg::event(QEvent* e) {
    if (e->type() == CWinMessageEvent::EventType()) {
        auto* m = static_cast<CWinMessageEvent*>(e);
        m->setResult(OnWinMessage(m->msg(), m->wParam(), m->lParam()));
        return true;
    }
    return QWidget::event(e);
}

intptr_t CMivoraDlg::OnWinMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    switch (msg) {
        case WM_CHILD_CLICK:
            OnFunctionPicked(static_cast<uint32_t>(wParam), static_cast<int>(lParam));
            return 0;
        case WM_SLIDER_QUERY:
            return OnSliderQuery();
        case WM_SLIDER_CHANGING:
            OnSliderChanging(static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        case WM_SLIDER_CHANGED:
            OnSliderChanged(static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        case WM_DPI_GRID:
            OnDpiGridMessage(static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        case WM_PICK_COLOR:
            OnColourMessage(static_cast<uint32_t>(wParam));
            return 0;
        case WM_FIND_DEVICE_OK:
            OnFindDeviceOKMsg(static_cast<int>(wParam));
            return 0;
        case WM_BLUETOOTH_OUT:
            m_session->OnBluetoothOut();
            UpdateIndicators();
            return 0;
        case WM_DEVICE_BEHAVIOR:
            OnDeviceBehaviorMsg(wParam, lParam);
            return 0;
        case 0x437:
            g_pfnLog("OnSyncOk");
            UpdateControlsFromProfile();
            return 0;
        case WM_TRAY_NOTIFY:
            if (lParam == 0x202) ShowFromTray();
            if (lParam == 0x205 && m_pTray) m_pTray->PopupMenuAtCursor();
            return 0;
        case WM_CLOSE_MSG:
            close();
            return 0;
        default:
            return 0;
    }
}

void CMivoraDlg::keyPressEvent(QKeyEvent* e) {
    if (HandleWindowKey(e))
        e->accept();
    else if (IsWindowKeySwallowed(e->key()))
        e->accept();
    else
        QWidget::keyPressEvent(e);
}

void CMivoraDlg::keyReleaseEvent(QKeyEvent* e) {
    if (IsWindowKeySwallowed(e->key()))
        e->accept();
    else
        QWidget::keyReleaseEvent(e);
}

void CMivoraDlg::showEvent(QShowEvent* e) {
    m_bShown = true;
    QWidget::showEvent(e);
}

void CMivoraDlg::closeEvent(QCloseEvent* e) {
    // Any close (the window manager's too) takes the exit path, which saves the profile.
    if (!m_bExiting) OnExit();
    e->accept();
}

void CMivoraDlg::RunOnUiThread(std::function<void()> fn) {
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void CMivoraDlg::SaveProfileOnce() {
    if (m_bSaved || !pSensorCfg.load()) return;
    // Logged inside; a later call (the exit after a close) tries a failed save again.
    m_bSaved = SavePro() & SaveCID();
}
