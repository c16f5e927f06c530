#include "ui/mivora_dlg_files.h"

#include "ui/std_dialogs.h"

namespace {

std::function<std::string(bool)>& Chooser() {
    static std::function<std::string(bool)> chooser;
    return chooser;
}

}  // namespace

void SetProfileFileChooser(std::function<std::string(bool save)> chooser) {
    Chooser() = std::move(chooser);
}

std::string ChooseProfileFile(QWidget* parent, bool save) {
    std::string path;
    if (Chooser()) {
        path = Chooser()(save);
    } else {
        const QString filter = "Profile (*.zqa)";
        const QString chosen =
            save ? AskSaveFileName(parent, filter) : AskOpenFileName(parent, filter);
        path = chosen.toStdString();
    }
    if (save && !path.empty()) {
        const size_t slash = path.find_last_of('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.find('.') == std::string::npos) path += ".zqa";
    }
    return path;
}
