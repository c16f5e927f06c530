// The on-screen display of a DPI stage change: the stage and its DPI for about a second near the
// bottom centre of the screen, in the skin's colours. A frameless, always-on-top tool window that
// takes neither focus nor clicks, so a game in front keeps both.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <string>

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
    // True where a window of this kind appears as it should: X11 (and the offscreen platform of
    // the tests). Wayland compositors place and stack tool windows themselves.
    static bool Supported();

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    void PlaceAtBottomCentre();

    QString m_stage;
    QString m_value;
    QTimer m_hide;
};
