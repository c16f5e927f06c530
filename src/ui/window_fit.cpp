#include "ui/window_fit.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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
    if (std::getenv(kFittedVariable)) return;  // this is the restarted run
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize window = QImageReader(QString::fromStdString(SkinPath("main_nr.png"))).size();
    double current = 1;
    if (const char* f = std::getenv(kScaleVariable)) {
        const double v = std::atof(f);
        if (v > 0) current = v;
    }
    const double fit = FitScaleFactor(window, screen->availableGeometry().size(), current);
    if (fit <= 0) return;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", fit);
    g_pfnLog("The window (%dx%d) does not fit the screen's %dx%d: restarting at scale %s",
             window.width(), window.height(), screen->availableGeometry().width(),
             screen->availableGeometry().height(), text);
    platform::RestartSelf(argv, {{kScaleVariable, text}, {kFittedVariable, "1"}});
    g_pfnLog("Restart at another scale failed");
}
