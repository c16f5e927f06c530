#include "ui/app_notifier.h"

#include <QApplication>
#include <QThread>

#include "core/log.h"
#include "ui/msg_dlg.h"

namespace {

// Every notice comes in the program's own message dialog, whatever caption the engine gives it
// (the caption is for the log's reader: "Error", "Warning"); a question's answer goes back as
// the buttons the engine asked for.
int ShowNow(const std::string& text, unsigned buttons) {
    QWidget* parent = QApplication::activeWindow();
    if (buttons == MB_OK) return ShowMessageText(text, parent);
    const bool yes = AskConfirm(text, parent) == IDOK;
    if (buttons == MB_YESNO) return yes ? IDYES : IDNO;
    return yes ? IDOK : IDCANCEL;
}

}  // namespace

GuiNotifier::GuiNotifier() : m_previous(SetNotifier(this)) {}

GuiNotifier::~GuiNotifier() {
    SetNotifier(m_previous);
}

int GuiNotifier::Show(const std::string& text, const std::string& caption, unsigned buttons) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return m_previous ? m_previous->Show(text, caption, buttons) : IDOK;
    if (!caption.empty()) g_pfnLog("%s: %s", caption.c_str(), text.c_str());
    if (QThread::currentThread() == app->thread()) return ShowNow(text, buttons);
    QMetaObject::invokeMethod(
        app, [text] { ShowNow(text, MB_OK); }, Qt::QueuedConnection);
    return IDOK;
}
