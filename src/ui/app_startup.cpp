#include "ui/app_startup.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>

#include <cstdio>
#include <memory>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/messages.h"
#include "core/paths.h"
#include "device/session_state.h"
#include "macro/macro_files.h"
#include "platform/files.h"
#include "platform/hidraw_backend.h"
#include "sim/virtual_mouse.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/app_notifier.h"
#include "ui/app_options.h"
#include "ui/app_single_instance.h"
#include "ui/menu_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/screenshot.h"

namespace {

void WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The main window with the open menu (and its sub-menu) drawn where they stand on the screen.
QImage GrabWithMenu(CMivoraDlg& window) {
    QImage shot = window.grab().toImage();
    CMenuDlg* menu = CurrentPopupMenu();
    if (!menu) return shot;
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    QPainter p(&shot);
    for (QWidget* w : {static_cast<QWidget*>(menu), static_cast<QWidget*>(menu->SubMenu())}) {
        if (!w || !w->isVisible()) continue;
        p.drawPixmap(w->pos() - origin, w->grab());
    }
    return shot;
}

}  // namespace

int WriteScreenshots(CMivoraDlg& window, const std::string& dir) {
    int written = 0;
    const int saved = ReadLangIndex(g_szDataDir);
    const int count = g_Config.LangCount > 0 ? g_Config.LangCount : 1;
    for (int k = 0; k < count; ++k) {
        if (g_Config.LangCount > 0) window.SwitchLanguage(k);
        QApplication::processEvents();
        const std::string tag = g_Config.LangCount > 0 && !g_Config.Lang[k].folder.empty()
                                    ? g_Config.Lang[k].folder
                                    : std::to_string(k);
        if (RenderWidgetToPng(&window, dir + "/main_" + tag + ".png")) ++written;
        window.OnKeyButtonClicked(1);
        QApplication::processEvents();
        if (CMenuDlg* menu = CurrentPopupMenu()) {
            // Open the media submenu, the longest list.
            for (int row = 0; row < menu->RowCount(); ++row)
                if (menu->Items()[row].code == 0x04000000) menu->SetHover(row);
            QApplication::processEvents();
        }
        const QImage shot = GrabWithMenu(window);
        ClosePopupMenu();
        if (!shot.isNull() && shot.save(QString::fromStdString(dir + "/menu_" + tag + ".png")))
            ++written;
    }
    if (g_Config.LangCount > 0) window.SwitchLanguage(saved);
    return written;
}

int RunMivora(QApplication& app, const std::vector<std::string>& args) {
    AppOptions opts;
    std::string error;
    if (!ParseAppOptions(args, opts, error)) {
        std::fprintf(stderr, "mivora: %s\n%s", error.c_str(), AppUsage());
        return 2;
    }
    if (opts.help) {
        std::fputs(AppUsage(), stdout);
        return 0;
    }
    if (opts.version) {
        std::fputs(AppVersion().c_str(), stdout);
        return 0;
    }
    if (!InitAppDir()) {
        std::fprintf(stderr, "mivora: cannot find the program folder\n");
        return 1;
    }
    GuiNotifier notifier;
    LoadUiTexts(g_szAppDir + "text.xml");
    if (!LoadConfig(g_szAppDir)) {
        QMessageBox::critical(nullptr, "Error", "     Data Init failed.     ");
        return 1;
    }
    const QDateTime now = QDateTime::currentDateTime();
    g_pfnLog("--------------------------------------------------");
    g_pfnLog("Launch %04d-%d-%d %d:%d, v2.0 AppTitle=%s", now.date().year(), now.date().month(),
             now.date().day(), now.time().hour(), now.time().minute(), g_Config.Title.c_str());
    if (!IfMatch()) return 1;

    if (!opts.dataDir.empty()) {
        g_szDataDir = WithSlash(opts.dataDir);
        g_pfnLog("Mk AppData=%s", g_szDataDir.c_str());
        int err = 0;
        if (!platform::MakeDirs(g_szDataDir, &err)) g_pfnLog("CreateDirectory err=%d", err);
    } else {
        InitDataDir(g_Config.appdir, g_Config.MacPath == 1);
    }

    // A screenshot run must not be refused because the program is open.
    SingleInstance instance;
    if (opts.screenshotDir.empty() && !instance.Acquire()) {
        instance.AskFirstToShow();
        g_pfnLog("ALREADY_EXISTS, hWnd=%x", 0);
        return 0;
    }

    const int fontLoaded = LoadAppFont();
    ApplySkinConfig();
    if (g_Config.FontName.empty() == false && fontLoaded) app.setFont(*SkinAppFont());

    std::unique_ptr<platform::HidBackend> backend;
    std::unique_ptr<platform::DeviceNotifications> notifications;
    if (opts.virtualMouse) {
        sim::VirtualMouseOptions v;
        v.file = opts.virtualFile;
        v.cid = opts.virtualCid;
        v.mid = opts.virtualMid;
        v.link = opts.virtualLink;
        v.faults = opts.virtualFaults;
        auto vb = sim::MakeVirtualBackend(v, error);
        if (!vb) {
            std::fprintf(stderr, "mivora: %s\n", error.c_str());
            return 1;
        }
        notifications = vb->MakeNotifications();
        backend = std::move(vb);
    } else {
        backend = std::make_unique<platform::HidrawBackend>(
            opts.sysfsRoot.empty() ? platform::kHidrawSysRoot : opts.sysfsRoot,
            opts.devRoot.empty() ? platform::kHidrawDevRoot : opts.devRoot);
        // The system's device monitor knows nothing of nodes served elsewhere: the periodic
        // search notices their arrival and removal instead.
        if (opts.sysfsRoot.empty() && opts.devRoot.empty())
            notifications = platform::MakeUdevNotifications();
    }

    LoadMenuImages();
    int rc = 0;
    {
        CMivoraDlg window(*backend, notifications.get());
        if (opts.screenshotDir.empty()) {
            window.Session().m_nFindFirstDelayMs = 500;
        } else {
            window.Session().m_nFindFirstDelayMs = 0;
        }
        if (!window.InitDialog()) {
            rc = 1;
        } else if (!opts.screenshotDir.empty()) {
            window.show();
            WaitFor([&] { return window.Link().IsConnected() && g_bProfileReady.load() != 0; },
                    opts.virtualMouse ? 5000 : 3500);
            QApplication::processEvents();
            const int n = WriteScreenshots(window, opts.screenshotDir);
            std::printf("mivora: %d screenshots in %s\n", n, opts.screenshotDir.c_str());
            window.OnExit();
            rc = n > 0 ? 0 : 1;
        } else {
            QObject::connect(&instance, &SingleInstance::showRequested, &window,
                             [&window] { PostWinMessage(&window, WM_TRAY_NOTIFY, 0, 0x202); });
            // The session may end while the window hides in the tray; save first.
            QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                             [](QSessionManager&) {
                                 // Logged inside; the session is ending, nobody is left to tell.
                                 if (!SaveMacroSnapshot()) g_pfnLog("Save macro: not saved");
                             });
            QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                             [&window] { window.OnExit(); });
            app.setQuitOnLastWindowClosed(false);
            window.ShowAtStart();
            rc = app.exec();
        }
    }
    FreeMenuImages();
    if (fontLoaded) UnloadAppFont();
    g_pfnLog("Driver exit");
    return rc;
}
