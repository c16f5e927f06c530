// The desktop may scale programs (125 %, 150 %, ...) far enough that the fixed-size main window
// is larger than the screen's free area and its bottom row is out of reach. Such a start runs
// the program once more at a scale at which the window fits.
#pragma once

#include <QSize>

#include <string>
#include <vector>

// The scale factor for the toolkit (QT_SCALE_FACTOR) at which a window of this size fits the
// available area, both in the logical pixels of the factor current in force now; 0 when it
// fits already. Never below 0.5.
double FitScaleFactor(QSize window, QSize available, double current);

// When the skin's main window does not fit the primary screen's free area, restarts the
// program (argv with argv[0]) at a scale at which it does; returns when it fits or a restart
// was already made or failed.
void RestartToFitScreen(const std::vector<std::string>& argv);
