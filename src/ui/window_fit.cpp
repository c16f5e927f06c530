#include "ui/window_fit.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/log.h"
#include "platform/child_process.h"
#include "skin/image.h"

namespace {

constexpr const char* kScaleVariable = "QT_SCALE_FACTOR";
constexpr const char* kFittedVariable = "MIVORA_FITTED_SCALE";
constexpr double kSmallestFactor = 0.5;

}  // namespace

double FitScaleFactor(QSize window, QSize available, double current) {
    if (window.isEmpty() || available.isEmpty() || current <= 0) return 0;
    const double f = std::min(static_cast<double>(available.width()) / window.width(),
                              static_cast<double>(available.height()) / window.height());
    if (f >= 1) return 0;
    // Rounded down, so that the window is never a pixel too large; below half its size it
    // could no longer be read, fitting or not.
    return std::max(std::floor(current * f * 100) / 100, kSmallestFactor);
}

void RestartToFitScreen(const std::vector<std::string>& argv) {
    if (qEnvironmentVariableIsSet(kFittedVariable)) {
        // The restarted run: the toolkit has taken its scale; programs started from here (a
        // browser for the home page) get the desktop's own again.
        const QByteArray desktop = qgetenv(kFittedVariable);
        if (desktop.isEmpty())
            qunsetenv(kScaleVariable);
        else
            qputenv(kScaleVariable, desktop);
        qunsetenv(kFittedVariable);
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize window = QImageReader(QString::fromStdString(SkinPath("main_nr.png"))).size();
    double current = 1;
    const std::string desktop = qEnvironmentVariable(kScaleVariable).toStdString();
    if (!desktop.empty()) {
        const double v = std::atof(desktop.c_str());
        if (v > 0) current = v;
    }
    const double fit = FitScaleFactor(window, screen->availableGeometry().size(), current);
    if (fit <= 0) return;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", fit);
    g_pfnLog("The window (%dx%d) does not fit the screen's %dx%d: restarting at scale %s",
             window.width(), window.height(), screen->availableGeometry().width(),
             screen->availableGeometry().height(), text);
    platform::RestartSelf(argv, {{kScaleVariable, text}, {kFittedVariable, desktop}});
    g_pfnLog("Restart at another scale failed");
}
