// Start-up and shutdown of the desktop program around the main window.
#pragma once

#include <string>
#include <vector>

class QApplication;

// Runs the program with the arguments after the program name; returns the exit code.
int RunMivora(QApplication& app, const std::vector<std::string>& args);
