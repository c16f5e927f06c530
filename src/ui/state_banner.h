// The panel over the mouse picture that says, in a few words, why the window cannot talk to a
// mouse and what to do about it; with an optional link that acts on it.
#pragma once

#include <QWidget>

#include <string>

class CPngBtn;

class CStateBanner : public QWidget {
    Q_OBJECT
  public:
    explicit CStateBanner(QWidget* parent);

    // Title, text and the caption of the link (empty: no link). The banner takes the height
    // its texts need at its width.
    void SetTexts(const std::string& title, const std::string& text, const std::string& link);
    const std::string& Title() const { return m_strTitle; }
    const std::string& Text() const { return m_strText; }
    CPngBtn* Link() const { return m_pLink; }

  signals:
    void linkClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Relayout();
    QRect TitleRect() const;
    QRect TextRect() const;

    std::string m_strTitle, m_strText;
    CPngBtn* m_pLink;
};
