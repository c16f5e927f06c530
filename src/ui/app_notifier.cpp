#include "ui/app_notifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "ui/msg_dlg.h"
#include "ui/std_dialogs.h"

namespace {

int ShowNow(const std::string& text, const std::string& caption, unsigned buttons) {
    if (caption.empty() && buttons == MB_OK)
        return ShowMessageText(text, QApplication::activeWindow());
    if (caption.empty()) return AskConfirm(text, QApplication::activeWindow());
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    if (buttons == MB_OKCANCEL) set = QMessageBox::Ok | QMessageBox::Cancel;
    if (buttons == MB_YESNO) set = QMessageBox::Yes | QMessageBox::No;
    QMessageBox box(caption == "Error" ? QMessageBox::Critical : QMessageBox::Warning,
                    QString::fromStdString(caption), QString::fromStdString(text), set,
                    QApplication::activeWindow());
    box.setPalette(StandardDialogPalette());  // dark like the rest of the program
    switch (box.exec()) {
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

}  // namespace

GuiNotifier::GuiNotifier() : m_previous(SetNotifier(this)) {}

GuiNotifier::~GuiNotifier() {
    SetNotifier(m_previous);
}

int GuiNotifier::Show(const std::string& text, const std::string& caption, unsigned buttons) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return m_previous ? m_previous->Show(text, caption, buttons) : IDOK;
    if (QThread::currentThread() == app->thread()) return ShowNow(text, caption, buttons);
    QMetaObject::invokeMethod(
        app, [text, caption] { ShowNow(text, caption, MB_OK); }, Qt::QueuedConnection);
    return IDOK;
}
