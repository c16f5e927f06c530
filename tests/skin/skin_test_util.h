// Small helpers for the skin tests: solid images, a temporary skin folder and an owner
// widget that records numbered messages.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <string>
#include <vector>

#include "core/message_sink.h"
#include "core/paths.h"
#include "skin/win_message.h"
#include "support/support.h"

namespace skin_test {

inline QImage Solid(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// A temporary program folder with a skins/ folder; g_szAppDir points at it while it lives.
class SkinFolder {
  public:
    SkinFolder() : m_previous(g_szAppDir) {
        g_szAppDir = m_dir.path() + "/";
        QDir().mkpath(QString::fromStdString(m_dir.path() + "/skins/macro"));
    }
    ~SkinFolder() { g_szAppDir = m_previous; }
    const std::string& Dir() const { return m_dir.path(); }
    void Add(const std::string& name, const QImage& image) const {
        image.save(QString::fromStdString(m_dir.path() + "/skins/" + name), "PNG");
    }

  private:
    testing_support::TempDir m_dir;
    std::string m_previous;
};

// Records every CWinMessageEvent; answers sent ones with `answer`.
class Recorder : public QWidget {
  public:
    intptr_t answer = 1;
    std::vector<PostedMessage> messages;

    std::vector<PostedMessage> Take(uint32_t msg) {
        QCoreApplication::sendPostedEvents(this);
        std::vector<PostedMessage> out;
        for (const PostedMessage& m : messages)
            if (m.msg == msg) out.push_back(m);
        return out;
    }

  protected:
    bool event(QEvent* e) override {
        if (e->type() == CWinMessageEvent::EventType()) {
            auto* m = static_cast<CWinMessageEvent*>(e);
            messages.push_back({m->msg(), m->wParam(), m->lParam()});
            m->setResult(answer);
            return true;
        }
        return QWidget::event(e);
    }
};

}  // namespace skin_test
