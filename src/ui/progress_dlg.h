// The small modal window that shows how far a request to the apply thread has come. The apply
// thread finds it by its title "MyProgressDlg.." (TopWindowsForApplyThread) and posts
// WM_PROGRESS (position) and WM_CLOSE_MSG to it.
#pragma once

#include <QFont>
#include <QImage>

#include <memory>
#include <string>

#include "config/device_model.h"
#include "skin/image.h"
#include "ui/top_windows.h"

class CPngBtn;

class CProgressDlg : public CTopDialog {
    Q_OBJECT
  public:
    explicit CProgressDlg(QWidget* parent = nullptr);
    ~CProgressDlg() override;

    // Full paths of the track (the window's face) and the fill image.
    void SetProgressImages(const std::string& trackPath, const std::string& fillPath);
    void SetProgressText(const std::string& text, const CfgRect& rect);

    CfgRect m_rcBar{};  // only left and right are used
    int m_nMin = 0;
    int m_nMax = 10;
    int m_nPos = 0;

    // Loads the images, sizes and places the window and makes the close button (done by
    // DoModal and on the first show). Returns false when an image is missing: the user is told
    // "ProgressDlg skin loss" and the window closes as soon as it handles its messages.
    bool Prepare();
    // WM_PROGRESS: a position outside the range becomes the minimum; repaints at once.
    // Returns 1.
    int OnSetPos(int pos);
    // Pixels of the fill image shown for the current position.
    int FillWidth() const;
    CPngBtn* CloseButton() const { return m_pClose; }
    // A sink that posts to this dialog from any thread while it is open.
    std::shared_ptr<MessageSink> Sink() const;

    QImage ComposePicture(qreal scale = 1) const override;

  protected:
    bool OnWinMessage(CWinMessageEvent* msg) override;
    bool IsSwallowedKey(int qtKey) const override;
    // The write goes on whatever the window does: a stray Esc does not hide it.
    bool EscCancels() const override { return false; }
    void showEvent(QShowEvent* event) override;

  private:
    bool m_bPrepared = false;
    std::string m_strTrack, m_strFill, m_strText;
    CfgRect m_rcText{};
    SkinImage m_imgTrack, m_imgFill;
    CPngBtn* m_pClose = nullptr;
    QFont m_font;
};

// The main window's progress dialog for restoring the defaults: "progress_nr.png" and
// "progress_ov.png", text tc_msg12 at (15, 12, 455, 32), bar (45, 101, 486, 123), range 0..100.
void SetupDefaultProgress(CProgressDlg& dlg);
