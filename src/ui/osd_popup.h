// The on-screen display of a DPI stage change: the stage and its DPI for about a second near the
// bottom centre of the screen, in the skin's colours. A frameless, always-on-top tool window that
// takes neither focus nor clicks, so a game in front keeps both.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

namespace platform {
class OsdSender;
}

class COsdPopup : public QWidget {
    Q_OBJECT
  public:
    COsdPopup();

    static constexpr int kShowMs = 1000;

    // Shows the texts of a stage change (the stage, then its DPI: "1600", or "X 1600" and
    // "Y 800"); a change while it shows replaces the texts and starts the second again.
    void ShowStage(const std::string& stage, const std::string& x, const std::string& y);
    QString StageText() const { return m_stage; }
    QString ValueText() const { return m_value; }

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    void PlaceAtBottomCentre();

    QString m_stage;
    QString m_value;
    QTimer m_hide;
};

// How a stage change shows on this display server.
enum class OsdWay {
    None,
    // The window above: X11 (and the tests' offscreen platform), where it appears as it should.
    Window,
    // Wayland compositors place and stack a tool window themselves, so the desktop's own
    // service shows it: Plasma's display, else a notification. (A layer-shell surface would be
    // ours to draw, but Debian ships its Qt helper for Qt 5 only.)
    DesktopService,
};
OsdWay ChooseOsdWay(const QString& platformName);

// The window's display of stage changes, the way the display server allows; made on the window's
// thread, used there.
class COsdDisplay {
  public:
    explicit COsdDisplay(OsdWay way);
    ~COsdDisplay();
    OsdWay Way() const { return m_way; }
    void ShowStage(const std::string& stage, const std::string& x, const std::string& y);
    // The popup window, once the first change showed it (OsdWay::Window).
    COsdPopup* Popup() const { return m_popup.get(); }
    // Shows through this sender instead of the session bus's services (a private bus in tests).
    void UseDesktopService(std::unique_ptr<platform::OsdSender> sender);
    platform::OsdSender* Sender() const { return m_sender.get(); }

  private:
    OsdWay m_way;
    std::unique_ptr<COsdPopup> m_popup;
    std::unique_ptr<platform::OsdSender> m_sender;
};
