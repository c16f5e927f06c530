// Start-up and shutdown of the desktop program around the main window.
#pragma once

#include <string>
#include <vector>

class QApplication;
class CMivoraDlg;

// Runs the program with the arguments after the program name; returns the exit code.
int RunMivora(QApplication& app, const std::vector<std::string>& args);

// Renders the main window in every shipped language, and with the function menu open, to PNG
// files in dir (main_<lang>.png, menu_<lang>.png). Returns the number of files written.
int WriteScreenshots(CMivoraDlg& window, const std::string& dir);
