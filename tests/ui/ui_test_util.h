// Helpers for the dialog tests: the built program folder with its generated skin and texts,
// a temporary skin folder, an owner that records numbered messages, and input events.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

#include "config/program_config.h"
#include "config/ui_text.h"
#include "core/message_sink.h"
#include "core/paths.h"
#include "skin/skin_config.h"
#include "skin/win_message.h"
#include "support/support.h"

namespace ui_test {

// Points g_szAppDir at the build's program folder, loads its cfg.ini and the texts of one
// language folder ("English", "Deutsch", ...); restores the folder afterwards.
class ProgramFolder {
  public:
    explicit ProgramFolder(const std::string& language = "English") : m_previous(g_szAppDir) {
        g_szAppDir = testing_support::BinDir();
        LoadConfig(g_szAppDir);
        UseLanguage(language);
    }
    ~ProgramFolder() { g_szAppDir = m_previous; }
    static void UseLanguage(const std::string& language) {
        LoadUiTexts(LanguageTextPath(g_szAppDir, language));
        ApplySkinConfig();
    }

  private:
    std::string m_previous;
};

// A temporary program folder with its own skins/ folder; g_szAppDir points at it while it
// lives. Files are copied from the build's skin folder or drawn by the test.
class SkinFolder {
  public:
    SkinFolder() : m_previous(g_szAppDir) {
        g_szAppDir = m_dir.path() + "/";
        QDir().mkpath(QString::fromStdString(m_dir.path() + "/skins"));
    }
    ~SkinFolder() { g_szAppDir = m_previous; }
    const std::string& Dir() const { return m_dir.path(); }
    void Add(const std::string& name, const QImage& image) const {
        image.save(QString::fromStdString(m_dir.path() + "/skins/" + name), "PNG");
    }
    // Copies the built skin file of that name.
    void CopyBuilt(const std::string& name) const {
        QImage(QString::fromStdString(testing_support::BinDir() + "skins/" + name))
            .save(QString::fromStdString(m_dir.path() + "/skins/" + name), "PNG");
    }

  private:
    testing_support::TempDir m_dir;
    std::string m_previous;
};

inline QImage Solid(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Records every CWinMessageEvent it receives; Take hands over (and forgets) those of one number.
class Recorder : public QWidget {
  public:
    std::vector<PostedMessage> messages;

    std::vector<PostedMessage> Take(uint32_t msg) {
        // A message passed on (sub-menu -> menu -> owner) is posted again while delivered.
        for (int i = 0; i < 3; ++i) QCoreApplication::sendPostedEvents();
        std::vector<PostedMessage> out;
        for (const PostedMessage& m : messages)
            if (m.msg == msg) out.push_back(m);
        std::erase_if(messages, [msg](const PostedMessage& m) { return m.msg == msg; });
        return out;
    }

  protected:
    bool event(QEvent* e) override {
        if (e->type() == CWinMessageEvent::EventType()) {
            auto* m = static_cast<CWinMessageEvent*>(e);
            messages.push_back({m->msg(), m->wParam(), m->lParam()});
            return true;
        }
        return QWidget::event(e);
    }
};

// Sends a mouse event straight to the widget at pos (client coordinates).
inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos,
                      Qt::MouseButton button = Qt::LeftButton) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : button;
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void Click(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonPress, pos);
    SendMouse(w, QEvent::MouseButtonRelease, pos);
}
inline void ClickCentre(QWidget* w) {
    Click(w, w->rect().center());
}

// A key press and release with an optional native scan code (xkb keycode).
inline void SendKey(QWidget* w, int qtKey, bool release, quint32 scanCode = 0) {
    QKeyEvent e(release ? QEvent::KeyRelease : QEvent::KeyPress, qtKey, Qt::NoModifier, scanCode, 0,
                0);
    QApplication::sendEvent(w, &e);
}
inline void TapKey(QWidget* w, int qtKey, quint32 scanCode = 0) {
    SendKey(w, qtKey, false, scanCode);
    SendKey(w, qtKey, true, scanCode);
}

// Lets queued events (posted messages, deferred closes) run.
inline void Pump() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Rejects the next modal dialog that opens (for dialogs a test opens through a modal call)
// after handing it to inspect.
template <typename Fn>
void OnNextModal(Fn inspect) {
    QTimer::singleShot(0, [inspect] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            inspect(dlg);
            dlg->reject();
        }
    });
}

}  // namespace ui_test
