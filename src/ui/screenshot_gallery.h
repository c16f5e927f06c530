// `mivora --screenshot DIR`: pictures of every window of the program, shown for real on the
// current display (so that they also show how the windows behave there), for people to look
// at and for the README.
#pragma once

#include <string>

class CMivoraDlg;
namespace sim {
class VirtualMouseBackend;
}

// Fills the data folder with a small macro library (folders and recorded macros) for the
// editor and the picker to show. Call before the window loads the library.
void PrepareScreenshotLibrary();

// Writes, for every shipped language, the main window and its function menu as
// main_<model>_<lang>.png and menu_<model>_<lang>.png, and for the first language the main
// window at scales 1 and 2 (main_<model>_<lang>_1x.png, _2x.png); with dialogs set also the window
// without a mouse, the panels in use (a DPI value being typed, a key row lit on the mouse picture)
// and every dialog: the macro editor, the macro picker, both fire-key forms, the colour dialog,
// every message dialog form, the progress window and the About window (<name>_<lang>.png). Returns
// the number of files written.
int WriteScreenshots(CMivoraDlg& window, const std::string& dir, const std::string& model,
                     bool dialogs);

// Writes, for every shipped language, the main window without a mouse (nomouse_<lang>.png) and
// with a mouse it may not open, its help in front (permission_<lang>.png): the virtual mouse is
// unplugged and then denied, and comes back as it was. Returns the number of files written.
int WriteStateScreenshots(CMivoraDlg& window, sim::VirtualMouseBackend& mouse,
                          const std::string& dir);
