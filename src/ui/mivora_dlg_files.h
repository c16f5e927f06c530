// Choosing the file of a profile export or import.
#pragma once

#include <functional>
#include <string>

class QWidget;

// What the file dialog is asked for.
struct ProfileFileRequest {
    bool save = false;
    std::string title;          // the dialog's title; empty: the toolkit's own
    std::string suggestedName;  // saving: the name offered, without the extension
};

// Asks for a .zqa file to write (save) or read; "" when cancelled. A chosen name without the
// extension gets ".zqa" when saving.
std::string ChooseProfileFile(QWidget* parent, const ProfileFileRequest& request);
// Replaces the system file dialog (tests); an empty function restores it.
void SetProfileFileChooser(std::function<std::string(const ProfileFileRequest&)> chooser);
