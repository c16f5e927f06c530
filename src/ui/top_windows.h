// The program's own top-level dialog windows: the shared frame of the skinned modal dialogs,
// and the registry through which shutdown and the apply thread find an open one by its title.
#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>

#include <memory>
#include <string>

#include "core/message_sink.h"
#include "profile/apply_thread.h"

class CWinMessageEvent;

// Window text of the modal dialogs that shutdown closes (message, about, fire key dialogs).
inline constexpr const char* kMsgTopWindowTitle = "MivoraMsgTopWindow";

// Registry of open top windows by title. The dialogs register themselves while shown; these
// functions are for the user-interface thread, except where said.
void RegisterTopWindow(QWidget* window, const std::string& title);
void UnregisterTopWindow(QWidget* window);
// The first open window with this title; nullptr when none.
QWidget* FindTopWindow(const std::string& title);
// Closes every open "MivoraMsgTopWindow" as if cancelled (the exit path calls it); returns how
// many were closed.
int CloseMsgTopWindows();
// A sink that posts to the open window with this title (any thread). Posts after the window
// has closed are dropped. nullptr when no such window is open now.
std::shared_ptr<MessageSink> FindTopWindowSink(const std::string& title);
// A sink that posts to window (any thread) while it is registered; dropped afterwards.
std::shared_ptr<MessageSink> MakeTopWindowSink(QWidget* window);
// The registry as the apply thread's way to find its progress window (any thread).
ProgressWindows* TopWindowsForApplyThread();

// Shared frame of the skinned modal dialogs: borderless, registered under its title while
// shown, closed by a WM_CLOSE_MSG window message, keys that would close or confirm the
// dialog swallowed, painted from a picture composed off-screen.
// Enter, Esc, Space and F1 neither close, default nor ask for help in the skinned windows.
bool IsWindowKeySwallowed(int qtKey);

class CTopDialog : public QDialog {
    Q_OBJECT
  public:
    CTopDialog(QWidget* parent, const char* title);
    ~CTopDialog() override;

    // Runs the dialog modally; IDOK or IDCANCEL.
    int DoModal();
    // The window's picture as painted (for the screen and for screenshots), in device pixels of
    // scale: above 1 the skin's sharp pictures are drawn.
    virtual QImage ComposePicture(qreal scale = 1) const = 0;

  protected:
    // Places the window with this size centred over the parent's window (or the screen).
    void CentreOverParent(const QSize& size);
    // Numbered messages other than WM_CLOSE_MSG; return true when handled.
    virtual bool OnWinMessage(CWinMessageEvent* msg);
    // Keys the dialog must never see (default: Enter, Esc, Space, F1).
    virtual bool IsSwallowedKey(int qtKey) const { return IsWindowKeySwallowed(qtKey); }
    // Esc that reaches the dialog cancels it, as its close button does (a held Esc repeats
    // nothing). Dialogs that must not be left by a stray key say no.
    virtual bool EscCancels() const { return true; }

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    std::string m_strTitle;
};
