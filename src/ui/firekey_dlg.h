// The small modal dialog that asks how many times a key repeats its action: a macro's repeat
// count (maximum 255) or a fire key's shots per press (maximum 3).
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>

#include <cstdint>

#include "config/key_entry.h"
#include "skin/image.h"
#include "ui/top_windows.h"

class QLineEdit;
class CPngBtn;

class CFirekeyDlg : public CTopDialog {
    Q_OBJECT
  public:
    static constexpr int kFieldId = 131;
    static constexpr int kMaxFieldChars = 39;
    static constexpr int kFireMax = 3;  // the fire form's maximum: shots per press

    explicit CFirekeyDlg(QWidget* parent = nullptr);
    ~CFirekeyDlg() override;

    uint8_t m_nCount = 3;  // shown at start; after OK the chosen count
    int32_t m_nMax = 255;  // largest count accepted
    KeyEntry m_Key{};      // the key being edited (kept for the caller)

    // Builds the window (done by DoModal and on the first show).
    void Prepare();

    QLineEdit* Field() const { return m_pField; }
    CPngBtn* OkButton() const { return m_pOk; }
    CPngBtn* CancelButton() const { return m_pCancel; }
    CPngBtn* CloseButton() const { return m_pClose; }
    // The label beside the field. Macro form: tc_adv_str17, or "Loop count" when that text is
    // empty. Fire form (maximum kFireMax): tc_fire_count, or "Shots per press".
    std::string LabelText() const;
    // Where the label is drawn: it ends 8 pixels before the field and takes the room to its
    // left that it needs.
    QRect LabelRect() const;
    // The accepted range, drawn right of the field ("1 - 3"); marked once a typed count was cut.
    std::string RangeText() const;
    QRect RangeRect() const;
    bool RangeMarked() const { return m_bCut; }

    QImage ComposePicture(qreal scale = 1) const override;

  protected:
    bool OnWinMessage(CWinMessageEvent* msg) override;
    void showEvent(QShowEvent* event) override;
    // Enter confirms (as OK); Esc cancels through the shared frame.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    static QFont LabelFont();
    void OnOk();
    void OnFieldEdited(const QString& text);

    bool m_bPrepared = false;
    bool m_bCut = false;
    SkinImage m_imgBack;
    QLineEdit* m_pField = nullptr;
    CPngBtn* m_pOk = nullptr;
    CPngBtn* m_pCancel = nullptr;
    CPngBtn* m_pClose = nullptr;
};
