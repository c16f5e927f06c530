#include "ui/app_startup.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>
#include <QSocketNotifier>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/log.h"
#include "core/messages.h"
#include "core/paths.h"
#include "device/session_state.h"
#include "macro/macro_files.h"
#include "platform/exit_signals.h"
#include "platform/files.h"
#include "platform/hidraw_backend.h"
#include "platform/run_folder.h"
#include "platform/user_dirs.h"
#include "sim/mouse_memory.h"
#include "sim/virtual_mouse.h"
#include "skin/skin_config.h"
#include "skin/skin_settings.h"
#include "skin/win_message.h"
#include "ui/activation_token.h"
#include "ui/app_notifier.h"
#include "ui/app_options.h"
#include "ui/app_single_instance.h"
#include "ui/bus_host.h"
#include "ui/menu_dlg.h"
#include "ui/mivora_dlg.h"
#include "ui/screenshot_gallery.h"
#include "ui/window_fit.h"

namespace {

// A screenshot run's copy of the data folder lives in "<runtime folder>/screenshot-<pid>-...";
// the data folder holds small files (the largest, mac.dct, is 1.6 MB).
constexpr char kScreenshotFolderPrefix[] = "screenshot-";
constexpr size_t kScreenshotCopyMaxFileBytes = 16u << 20;

void WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The models a screenshot run shows: the one asked for (or the first of cfg.ini) and the
// first one that differs from it in showing lighting.
std::vector<std::pair<int, int>> ScreenshotModels(int cid, int mid) {
    std::vector<std::pair<int, int>> out;
    const DeviceModel* first = nullptr;
    for (const DeviceModel& m : g_DeviceModels) {
        if (m.Sensor == 0) continue;
        if (!first && (cid < 0 || (m.CID == cid && m.MID == mid))) first = &m;
    }
    if (!first) return out;
    out.emplace_back(first->CID, first->MID);
    for (const DeviceModel& m : g_DeviceModels)
        if (m.Sensor != 0 && (m.ShowLED != 0) != (first->ShowLED != 0)) {
            out.emplace_back(m.CID, m.MID);
            break;
        }
    return out;
}

std::string ModelTag(int cid, int mid) {
    char tag[16];
    std::snprintf(tag, sizeof tag, "%02X%02X", cid & 0xFF, mid & 0xFF);
    return tag;
}

struct Devices {
    std::unique_ptr<platform::HidBackend> backend;
    std::unique_ptr<platform::DeviceNotifications> notifications;
};

// The virtual mouse (of the given codes, -1 for the options' own) or the computer's HID
// devices; an empty backend after printing why.
Devices MakeDevices(const AppOptions& opts, int cid, int mid, bool withStateFile) {
    Devices d;
    std::string error;
    if (opts.virtualMouse) {
        sim::VirtualMouseOptions v;
        v.file = withStateFile ? opts.virtualFile : std::string();
        v.cid = cid >= 0 ? cid : opts.virtualCid;
        v.mid = cid >= 0 ? mid : opts.virtualMid;
        v.link = opts.virtualLink;
        v.faults = opts.virtualFaults;
        auto vb = sim::MakeVirtualBackend(v, error);
        if (!vb) {
            std::fprintf(stderr, "mivora: %s\n", error.c_str());
            return d;
        }
        d.notifications = vb->MakeNotifications();
        d.backend = std::move(vb);
    } else {
        d.backend = std::make_unique<platform::HidrawBackend>(
            opts.sysfsRoot.empty() ? platform::kHidrawSysRoot : opts.sysfsRoot,
            opts.devRoot.empty() ? platform::kHidrawDevRoot : opts.devRoot);
        // The system's device monitor knows nothing of nodes served elsewhere: the periodic
        // search notices their arrival and removal instead.
        if (opts.sysfsRoot.empty() && opts.devRoot.empty())
            d.notifications = platform::MakeUdevNotifications();
    }
    return d;
}

int RunScreenshots(const AppOptions& opts) {
    std::vector<std::pair<int, int>> models = {{-1, -1}};
    if (opts.virtualMouse) models = ScreenshotModels(opts.virtualCid, opts.virtualMid);
    int written = 0;
    for (size_t i = 0; i < models.size(); ++i) {
        Devices d = MakeDevices(opts, models[i].first, models[i].second, i == 0);
        if (!d.backend) return 1;
        g_bProfileReady = 0;
        CMivoraDlg window(*d.backend, d.notifications.get());
        window.m_bQuitAppOnExit = false;
        window.Session().m_nFindFirstDelayMs = 0;
        if (!window.InitDialog()) return 1;
        window.show();
        WaitFor([&] { return window.Link().IsConnected() && g_bProfileReady.load() != 0; },
                opts.virtualMouse ? 5000 : 3500);
        window.Session().WaitProfileRead();
        QApplication::processEvents();
        const DeviceModel* model = pSensorCfg.load();
        const std::string tag = model ? ModelTag(model->CID, model->MID) : "none";
        written += WriteScreenshots(window, opts.screenshotDir, tag, i == 0);
        // The states without a usable mouse, once, with the virtual mouse taken away.
        if (auto* mouse = dynamic_cast<sim::VirtualMouseBackend*>(d.backend.get()); mouse && i == 0)
            written += WriteStateScreenshots(window, *mouse, opts.screenshotDir);
        window.OnExit();
        QApplication::processEvents();
    }
    std::printf("mivora: %d screenshots in %s\n", written, opts.screenshotDir.c_str());
    return written > 0 ? 0 : 1;
}

int RunWindow(QApplication& app, const AppOptions& opts, SingleInstance& instance) {
    Devices d = MakeDevices(opts, -1, -1, true);
    if (!d.backend) return 1;
    CMivoraDlg window(*d.backend, d.notifications.get());
    window.Session().m_nFindFirstDelayMs = 500;
    if (!window.InitDialog()) return 1;
    QObject::connect(&instance, &SingleInstance::showRequested, &window,
                     [&window](const QString& token) {
                         UseActivationToken(token);
                         PostWinMessage(&window, WM_TRAY_NOTIFY, 0, 0x202);
                     });
    // The session may end while the window hides in the tray; save first.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [](QSessionManager&) {
        // Logged inside; the session is ending, nobody is left to tell.
        if (!SaveMacroSnapshot()) g_pfnLog("Save macro: not saved");
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.OnExit(); });
    // A logout, a service stop or Ctrl+C ends the program the way its exit command does, so
    // that what is saved only at exit is not lost.
    std::unique_ptr<QSocketNotifier> exitSignals;
    const int exitFd = platform::ExitSignalDescriptor();
    if (exitFd >= 0) {
        exitSignals = std::make_unique<QSocketNotifier>(exitFd, QSocketNotifier::Read);
        QObject::connect(exitSignals.get(), &QSocketNotifier::activated, &window, [&window] {
            const int sig = platform::TakeExitSignal();
            if (sig == 0) return;
            g_pfnLog("Exit signal %d", sig);
            window.OnExit();
        });
    }
    // Scripts and other programs reach the mouse through the window; without a session bus the
    // window works alone.
    BusHost bus(window);
    if (!bus.Serving()) g_pfnLog("D-Bus: not serving: %s", bus.Error().c_str());
    app.setQuitOnLastWindowClosed(false);
    window.ShowAtStart();
    return app.exec();
}

}  // namespace

int RunMivora(QApplication& app, const std::vector<std::string>& args,
              const std::vector<std::string>& startArgv) {
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

    // Pictures keep the skin's own size; a window for the user must fit the screen.
    if (opts.screenshotDir.empty() && !startArgv.empty()) RestartToFitScreen(startArgv);

    // A screenshot run shows sample macros and must not change the user's own files: it works
    // on a private copy of the data folder (and of the virtual mouse's state file), removed when
    // it ends; a killed run's copy goes at the next screenshot run.
    std::unique_ptr<platform::RunFolderGuard> screenshotData;
    if (!opts.screenshotDir.empty()) {
        std::string why;
        const std::string runtime = platform::UserRuntimeDir(why);
        if (runtime.empty()) {
            std::fprintf(stderr, "mivora: %s\n", why.c_str());
            return 1;
        }
        platform::RemoveStaleRunFolders(runtime, kScreenshotFolderPrefix);
        int err = 0;
        const std::string copy = platform::MakeRunFolder(runtime, kScreenshotFolderPrefix, &err);
        if (copy.empty()) {
            std::fprintf(stderr, "mivora: cannot make a folder in %s: %s\n", runtime.c_str(),
                         std::strerror(err));
            return 1;
        }
        screenshotData = std::make_unique<platform::RunFolderGuard>(copy);
        const std::string data = copy + "/data";
        if (!opts.dataDir.empty() && platform::DirExists(opts.dataDir) &&
            !platform::CopyTree(opts.dataDir, data, kScreenshotCopyMaxFileBytes, &err)) {
            std::fprintf(stderr, "mivora: cannot copy %s for the screenshots: %s\n",
                         opts.dataDir.c_str(), std::strerror(err));
            return 1;
        }
        opts.dataDir = data;
        if (opts.virtualMouse && !opts.virtualFile.empty()) {
            const std::string state = copy + "/mouse.bin";
            std::vector<uint8_t> bytes;
            if (platform::ReadRegularFilePrefix(
                    opts.virtualFile, static_cast<size_t>(sim::kMemorySize) + 1, bytes, true) &&
                !platform::WriteNewFile(state, bytes.data(), bytes.size())) {
                std::fprintf(stderr, "mivora: cannot copy %s for the screenshots\n",
                             opts.virtualFile.c_str());
                return 1;
            }
            opts.virtualFile = state;
        }
    }
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
    if (opts.screenshotDir.empty() && !instance.Error().empty()) {
        std::fprintf(stderr, "mivora: %s\n", instance.Error().c_str());
        g_pfnLog("SingleInstance: %s", instance.Error().c_str());
        return 1;
    }
    if (opts.screenshotDir.empty() && !instance.Acquire()) {
        instance.AskFirstToShow(1000, TakeOwnActivationToken());
        g_pfnLog("ALREADY_EXISTS, hWnd=%x", 0);
        return 0;
    }

    const int fontLoaded = LoadAppFont();
    ApplySkinConfig();
    if (g_Config.FontName.empty() == false && fontLoaded) app.setFont(*SkinAppFont());

    LoadMenuImages();
    int rc = 0;
    if (!opts.screenshotDir.empty()) {
        if (std::filesystem::exists(MacroFolder()) == false) PrepareScreenshotLibrary();
        rc = RunScreenshots(opts);
    } else {
        rc = RunWindow(app, opts, instance);
    }
    FreeMenuImages();
    if (fontLoaded) UnloadAppFont();
    g_pfnLog("Driver exit");
    return rc;
}
