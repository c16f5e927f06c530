// The small dialog in which the user picks the macro a mouse button plays, or asks for the
// macro editor instead.
#pragma once

#include <QFont>
#include <QImage>

#include <cstdint>

#include "skin/image.h"
#include "ui/top_windows.h"

class CPngBtn;
class CTreeCtrlEx;

class CPickMacroDlg : public CTopDialog {
    Q_OBJECT
  public:
    static constexpr int kTreeId = 17;
    static constexpr int32_t kOpenEditor = -1;

    explicit CPickMacroDlg(QWidget* parent = nullptr);
    ~CPickMacroDlg() override;

    // After OK: the chosen macro's dwMacroID (24 bits), or kOpenEditor; 0 before a choice.
    int32_t m_nResult = 0;

    // Builds the window and fills the tree from the macro folder's files (done by DoModal and
    // on the first show). Returns false when the background is missing: the dialog then ends
    // as cancelled.
    bool Prepare();

    CTreeCtrlEx* Tree() const { return m_pTree; }
    CPngBtn* NewButton() const { return m_pNew; }
    CPngBtn* OkButton() const { return m_pOk; }
    CPngBtn* CancelButton() const { return m_pCancel; }
    CPngBtn* CloseButton() const { return m_pClose; }

    QImage ComposePicture(qreal scale = 1) const override;

  protected:
    bool OnWinMessage(CWinMessageEvent* msg) override;
    void showEvent(QShowEvent* event) override;
    // Enter on a macro in the tree picks it, as OK does.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnOk();

    bool m_bPrepared = false;
    bool m_bUsable = false;
    SkinImage m_imgBack;
    QFont m_font;  // the dialog's one font, for its buttons
    CTreeCtrlEx* m_pTree = nullptr;
    CPngBtn* m_pNew = nullptr;
    CPngBtn* m_pOk = nullptr;
    CPngBtn* m_pCancel = nullptr;
    CPngBtn* m_pClose = nullptr;
};
