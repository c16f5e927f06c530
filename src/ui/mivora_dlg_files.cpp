#include "ui/mivora_dlg_files.h"

#include "ui/std_dialogs.h"

namespace {

std::function<std::string(const ProfileFileRequest&)>& Chooser() {
    static std::function<std::string(const ProfileFileRequest&)> chooser;
    return chooser;
}

}  // namespace

void SetProfileFileChooser(std::function<std::string(const ProfileFileRequest&)> chooser) {
    Chooser() = std::move(chooser);
}

std::string ChooseProfileFile(QWidget* parent, const ProfileFileRequest& request) {
    std::string path;
    if (Chooser()) {
        path = Chooser()(request);
    } else {
        const QString filter = "Profile (*.zqa)";
        const QString title = QString::fromStdString(request.title);
        const QString chosen =
            request.save
                ? AskSaveFileName(parent, filter,
                                  request.suggestedName.empty()
                                      ? QString()
                                      : QString::fromStdString(request.suggestedName) + ".zqa",
                                  title)
                : AskOpenFileName(parent, filter, title);
        path = chosen.toStdString();
    }
    if (request.save && !path.empty()) {
        const size_t slash = path.find_last_of('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.find('.') == std::string::npos) path += ".zqa";
    }
    return path;
}
