// The help for a mouse whose nodes may not be opened: why, the commands that install the udev
// rule in a field the user can select and copy from, a Copy button and, where the desktop has
// pkexec, a button that runs them with one password prompt. The window grows to hold its texts
// in every language.
#pragma once

#include <QImage>
#include <QTimer>

#include <string>

#include "device/permission_hint.h"
#include "skin/image.h"
#include "ui/top_windows.h"

class CPngBtn;
class QTextEdit;

class CPermissionDlg : public CTopDialog {
    Q_OBJECT
  public:
    explicit CPermissionDlg(QWidget* parent,
                            const PermissionAdvice& advice = CurrentPermissionAdvice());
    ~CPermissionDlg() override;

    QTextEdit* Commands() const { return m_pCommands; }  // nullptr when the rule is in place
    CPngBtn* CopyButton() const { return m_pCopy; }
    CPngBtn* InstallButton() const { return m_pInstall; }  // nullptr without pkexec
    CPngBtn* OkButton() const { return m_pOk; }
    // Where the title and the explanation are drawn, and the line about the installation.
    QRect TitleRect() const { return m_rcTitle; }
    QRect TextRect() const { return m_rcText; }
    const std::string& StatusText() const { return m_strStatus; }
    // What the dialog says: install the rule (as root without sudo), or, with the rule in place,
    // what helps instead.
    std::string Explanation() const;

    QImage ComposePicture(qreal scale = 1) const override;

  signals:
    // The rule was installed; the dialog closes itself.
    void ruleInstalled();

  protected:
    bool IsSwallowedKey(int qtKey) const override;
    void showEvent(QShowEvent* event) override;

  private:
    void Build();
    // The read-only field with the commands, from y; returns the y below it.
    int BuildCommandField(const QString& commands, int inner, int y);
    void OnCopy();
    void OnInstall();
    void PollInstaller();

    PermissionAdvice m_advice;
    SkinImage m_imgFace;
    QRect m_rcTitle, m_rcText, m_rcStatus;
    QTextEdit* m_pCommands = nullptr;
    CPngBtn* m_pCopy = nullptr;
    CPngBtn* m_pInstall = nullptr;
    CPngBtn* m_pOk = nullptr;
    CPngBtn* m_pClose = nullptr;
    std::string m_strStatus;
    QTimer m_poll;
    int m_pid = -1;
};
