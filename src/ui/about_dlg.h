// The about window: a descriptive line, the version line, a link to the web address of the
// text table, an optional firmware-update button and a close button on the skinned background.
#pragma once

#include <QFont>
#include <QImage>

#include <functional>
#include <string>

#include "ui/top_windows.h"

class CPngBtn;

// Opens a web address in the user's browser; replaceable for tests (empty restores it).
void SetUrlOpener(std::function<void(const std::string&)> opener);

class CAboutDlg : public CTopDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // Loads the background, places and shapes the window and makes the buttons (done by
    // DoModal and on the first show). False when "msg_nr.png" is missing: the dialog then
    // closes at once, without a message.
    bool Prepare();

    CPngBtn* CloseButton() const { return m_pClose; }
    CPngBtn* LinkButton() const { return m_pLink; }
    CPngBtn* UpdateButton() const { return m_pUpdate; }  // nullptr unless ShowFWUpdate

    QImage ComposePicture() const override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void OnLink();
    const QFont& TextFont() const;

    bool m_bPrepared = false;
    QImage m_imgBack;
    CPngBtn* m_pClose = nullptr;
    CPngBtn* m_pLink = nullptr;
    CPngBtn* m_pUpdate = nullptr;
    QFont m_fontOwn;
};
