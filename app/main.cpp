// mivora: the skinned desktop program.
#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "ui/accessible_ui.h"
#include "ui/app_options.h"
#include "ui/app_startup.h"

int main(int argc, char** argv) {
    // --help and --version are answered before QApplication exists: it needs a display.
    const std::vector<std::string> raw(argv + 1, argv + argc);
    if (WantsHelpOrVersion(raw)) {
        const bool help = WantsHelp(raw);
        std::fputs(help ? AppUsage() : AppVersion().c_str(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("mivora");
    InstallUiAccessibility();
    std::vector<std::string> args;
    const QStringList list = QApplication::arguments();
    for (int i = 1; i < list.size(); ++i) args.push_back(list[i].toStdString());
    return RunMivora(app, args);
}
