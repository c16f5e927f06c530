// mivora: the skinned desktop program.
#include <QApplication>

#include <string>
#include <vector>

#include "ui/app_startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("mivora");
    std::vector<std::string> args;
    const QStringList list = QApplication::arguments();
    for (int i = 1; i < list.size(); ++i) args.push_back(list[i].toStdString());
    return RunMivora(app, args);
}
