#include "ui/dialog_title.h"

#include "config/program_config.h"

QString DialogTitle(const std::string& name) {
    const QString program =
        QString::fromStdString(g_Config.Title.empty() ? std::string("Mivora") : g_Config.Title);
    if (name.empty()) return program;
    return QString::fromStdString(name) + QString::fromUtf8(" – ") + program;
}
