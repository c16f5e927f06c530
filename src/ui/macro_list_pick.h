// A plain list of the library's macros to choose from, standing in for the macro picker.
#pragma once

class QWidget;

// Runs the list modally. Returns the chosen macro's id with *confirmed set; -1 with *confirmed
// set when the user asked for a new macro; 0 when nothing was chosen (*confirmed false on
// Cancel).
int PickMacroFromList(QWidget* parent, bool* confirmed);
