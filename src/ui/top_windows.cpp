#include "ui/top_windows.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>

#include <mutex>
#include <vector>

#include "core/messages.h"
#include "core/notifier.h"
#include "skin/image.h"
#include "skin/win_message.h"
#include "ui/dialog_title.h"

namespace {

struct Entry {
    QWidget* window;
    std::string title;
};

// Worker threads look windows up while the user-interface thread opens and closes them: every
// access, and every post to a registered window, happens under this lock, so a window is never
// posted to after it has left the registry.
std::mutex g_topMutex;
std::vector<Entry> g_topWindows;

class TopWindowSink : public MessageSink {
  public:
    explicit TopWindowSink(QWidget* window) : m_pWindow(window) {}
    void Post(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard<std::mutex> lock(g_topMutex);
        for (const Entry& e : g_topWindows) {
            if (e.window == m_pWindow) {
                PostWinMessage(m_pWindow, msg, wParam, lParam);
                return;
            }
        }
    }

  private:
    QWidget* m_pWindow;  // compared only; used only while registered
};

class TopWindowFinder : public ProgressWindows {
  public:
    std::shared_ptr<MessageSink> Find(const std::string& title) override {
        return FindTopWindowSink(title);
    }
};

}  // namespace

void RegisterTopWindow(QWidget* window, const std::string& title) {
    if (!window) return;
    std::lock_guard<std::mutex> lock(g_topMutex);
    for (Entry& e : g_topWindows) {
        if (e.window == window) {
            e.title = title;
            return;
        }
    }
    g_topWindows.push_back({window, title});
}

void UnregisterTopWindow(QWidget* window) {
    std::lock_guard<std::mutex> lock(g_topMutex);
    std::erase_if(g_topWindows, [window](const Entry& e) { return e.window == window; });
}

QWidget* FindTopWindow(const std::string& title) {
    std::lock_guard<std::mutex> lock(g_topMutex);
    for (const Entry& e : g_topWindows)
        if (e.title == title) return e.window;
    return nullptr;
}

int CloseMsgTopWindows() {
    int closed = 0;
    // Closing unregisters, so look again each time instead of walking the list.
    while (QWidget* w = FindTopWindow(kMsgTopWindowTitle)) {
        SendWinMessage(w, WM_CLOSE_MSG, 0, 0);
        UnregisterTopWindow(w);  // also for a window that ignored the message
        ++closed;
    }
    return closed;
}

std::shared_ptr<MessageSink> FindTopWindowSink(const std::string& title) {
    QWidget* w = FindTopWindow(title);
    if (!w) return nullptr;
    return std::make_shared<TopWindowSink>(w);
}

std::shared_ptr<MessageSink> MakeTopWindowSink(QWidget* window) {
    return std::make_shared<TopWindowSink>(window);
}

ProgressWindows* TopWindowsForApplyThread() {
    static TopWindowFinder finder;
    return &finder;
}

CTopDialog::CTopDialog(QWidget* parent, const char* title)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_strTitle(title) {
    // The desktop shows the program's name (a dialog that is more sets its own); the name the
    // program and its tools find the dialog by is its object name and X11 window role.
    setWindowTitle(DialogTitle(""));
    setWindowRole(QString::fromUtf8(title));
    setObjectName(QString::fromUtf8(title));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

CTopDialog::~CTopDialog() {
    UnregisterTopWindow(this);
}

int CTopDialog::DoModal() {
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CTopDialog::CentreOverParent(const QSize& size) {
    QRect over;
    if (QWidget* p = parentWidget()) {
        QWidget* top = p->window();
        over = QRect(top->mapToGlobal(QPoint(0, 0)), top->size());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        over = screen->availableGeometry();
    }
    // Halves of the differences as unsigned shifts, as the main window places its dialogs.
    const int left =
        over.left() + static_cast<int>(static_cast<unsigned>(over.width() - size.width()) >> 1);
    const int top =
        over.top() + static_cast<int>(static_cast<unsigned>(over.height() - size.height()) >> 1);
    setGeometry(over.width() >= size.width() ? left : over.left(),
                over.height() >= size.height() ? top : over.top(), size.width(), size.height());
    setFixedSize(size);
}

bool CTopDialog::OnWinMessage(CWinMessageEvent*) {
    return false;
}

bool IsWindowKeySwallowed(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Space:
        case Qt::Key_F1:
            return true;
        default:
            return false;
    }
}

bool CTopDialog::event(QEvent* event) {
    if (event->type() == CWinMessageEvent::EventType()) {
        auto* msg = static_cast<CWinMessageEvent*>(event);
        if (msg->msg() == WM_CLOSE_MSG) {
            reject();
            msg->setResult(0);
            return true;
        }
        if (!OnWinMessage(msg)) event->ignore();
        return true;
    }
    // Help requests are ignored.
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::QueryWhatsThis) return true;
    return QDialog::event(event);
}

void CTopDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && EscCancels()) {
        event->accept();
        if (!event->isAutoRepeat()) reject();
        return;
    }
    if (IsSwallowedKey(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTopDialog::keyReleaseEvent(QKeyEvent* event) {
    if (IsSwallowedKey(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

void CTopDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage picture = ComposePicture(PaintScale(this, painter));
    ClipToShape(painter, this);
    if (!picture.isNull()) painter.drawImage(0, 0, picture);
}

void CTopDialog::showEvent(QShowEvent* event) {
    RegisterTopWindow(this, m_strTitle);
    QDialog::showEvent(event);
}

void CTopDialog::done(int result) {
    UnregisterTopWindow(this);
    QDialog::done(result);
}
