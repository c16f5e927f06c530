// mivora: the skinned desktop program.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ui/accessible_ui.h"
#include "ui/app_options.h"
#include "ui/app_startup.h"
#include "ui/display_check.h"

int main(int argc, char** argv) {
    // --help and --version are answered before QApplication exists: it needs a display.
    const std::vector<std::string> raw(argv + 1, argv + argc);
    if (WantsHelpOrVersion(raw)) {
        const bool help = WantsHelp(raw);
        std::fputs(help ? AppUsage() : AppVersion().c_str(), stdout);
        return 0;
    }
    // As started, for a restart at another scale (the toolkit takes its own options out).
    const std::vector<std::string> startArgv(argv, argv + argc);
    const std::string noDisplay = NoDisplayReason(
        std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
    if (!noDisplay.empty()) {
        std::fputs(NoDisplayAdvice(noDisplay).c_str(), stderr);
        return 1;
    }
    auto guard = std::make_unique<PlatformStartGuard>();
    QApplication app(argc, argv);
    guard.reset();
    QApplication::setApplicationName("mivora");
    InstallUiAccessibility();
    std::vector<std::string> args;
    const QStringList list = QApplication::arguments();
    for (int i = 1; i < list.size(); ++i) args.push_back(list[i].toStdString());
    return RunMivora(app, args, startArgv);
}
