// Start-up and shutdown of the desktop program around the main window.
#pragma once

#include <string>
#include <vector>

class QApplication;

// Runs the program with the arguments after the program name; returns the exit code. startArgv
// is the command line as started (program name first), for a restart at another scale; empty:
// never restarted.
int RunMivora(QApplication& app, const std::vector<std::string>& args,
              const std::vector<std::string>& startArgv = {});
