// The skin tests drive real widgets: they need a QApplication (offscreen platform, set by ctest).
#include <QApplication>

#include <gtest/gtest.h>

#include "skin/accessible_skin.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallSkinAccessibility();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
