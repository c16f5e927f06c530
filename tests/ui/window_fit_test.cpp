// The main window fits the screen's free area at every scale a desktop may use: when it does
// not, the program runs again at a scale at which it does.
#include <gtest/gtest.h>

#include <cmath>

#include "ui/window_fit.h"

namespace {

const QSize kWindow(924, 640);

TEST(WindowFit, FactorForAWindowThatDoesNotFit) {
    const struct {
        QSize available;
        double current;
        double expected;
    } cases[] = {
        {QSize(1280, 720), 1.0, 0},                         // fits: no restart
        {QSize(924, 640), 1.0, 0},                          // exactly
        {QSize(1093, 584), 1.25, 1.14},                     // 1366x768 at 125 % with a panel
        {QSize(800, 600), 1.0, 0.86},                       // too narrow as well
        {QSize(300, 200), 1.0, 0.5},                        // never below half size
        {QSize(300, 200), 2.0, 0.62},   {QSize(), 1.0, 0},  // no screen
    };
    for (const auto& c : cases)
        EXPECT_NEAR(FitScaleFactor(kWindow, c.available, c.current), c.expected, 1e-9)
            << c.available.width() << "x" << c.available.height() << " at " << c.current;
}

TEST(WindowFit, FitsAtEveryCommonScaleOfCommonScreens) {
    const QSize screens[] = {{1366, 768}, {1280, 800},  {1280, 1024}, {1920, 1080},
                             {1600, 900}, {2560, 1440}, {3840, 2160}, {1024, 768}};
    const double scales[] = {1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};
    constexpr int kPanel = 48;  // a panel or dock, in device pixels
    for (const QSize& s : screens)
        for (double scale : scales) {
            auto available = [&](double f) {
                return QSize(static_cast<int>(s.width() / f),
                             static_cast<int>((s.height() - kPanel) / f));
            };
            const double f = FitScaleFactor(kWindow, available(scale), scale);
            const double used = f > 0 ? f : scale;
            const QSize room = available(used);
            EXPECT_LE(kWindow.width(), room.width())
                << s.width() << "x" << s.height() << " " << scale;
            EXPECT_LE(kWindow.height(), room.height())
                << s.width() << "x" << s.height() << " " << scale;
        }
}

}  // namespace
