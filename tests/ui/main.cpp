// The dialog tests drive real widgets: they need a QApplication (offscreen platform, set by
// ctest).
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/accessible_ui.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // A first run follows the desktop's language: the tests start from none (English) and set
    // one where they mean to.
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "C.UTF-8");
    QApplication app(argc, argv);
    InstallUiAccessibility();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
