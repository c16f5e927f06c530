// Choosing the file of a profile export or import.
#pragma once

#include <functional>
#include <string>

class QWidget;

// Asks for a .zqa file to write (save) or read; "" when cancelled. A chosen name without the
// extension gets ".zqa" when saving.
std::string ChooseProfileFile(QWidget* parent, bool save);
// Replaces the system file dialog (tests); an empty function restores it.
void SetProfileFileChooser(std::function<std::string(bool save)> chooser);
