// The title a dialog shows on the desktop (taskbar, window list): what it is, then the
// program's name. The name the program finds its dialogs by stays apart from it (the window
// role and the object name).
#pragma once

#include <QString>

#include <string>

// "Macros – Mivora"; the program's name alone for an empty name.
QString DialogTitle(const std::string& name);
