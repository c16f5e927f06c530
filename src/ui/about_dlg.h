// The about window: the program's icon and name, a descriptive line, the version line, a link to
// the web address of the text table, an optional firmware-update button and a close button on
// the skinned background. Esc closes it like the close button.
#pragma once

#include <QFont>
#include <QImage>

#include <string>

#include "skin/image.h"
#include "ui/top_windows.h"
#include "ui/url_opener.h"

class CPngBtn;

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
    // The product name shown at the top: the text table's tc_appdata, else "Mivora".
    static std::string ProductName();
    // Where the program icon and the product name are drawn.
    static QRect IconRect();
    static QRect NameRect();

    QImage ComposePicture(qreal scale = 1) const override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool IsSwallowedKey(int qtKey) const override;

  private:
    void OnLink();
    const QFont& TextFont() const;

    bool m_bPrepared = false;
    SkinImage m_imgBack;
    CPngBtn* m_pClose = nullptr;
    CPngBtn* m_pLink = nullptr;
    CPngBtn* m_pUpdate = nullptr;
    QFont m_fontOwn;
    SkinImage m_imgIcon;  // with the sharp picture for a screen scaled by 2
};
