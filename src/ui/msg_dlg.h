// The skinned modal dialog for every message and small input: a message with OK, a
// confirmation with OK and Cancel, a line of text, a number within a range, and a key or key
// combination captured from the keyboard.
#pragma once

#include <QImage>

#include <array>
#include <cstdint>
#include <string>

#include "skin/image.h"
#include "ui/esc_hold.h"
#include "ui/top_windows.h"

class QLineEdit;
class CPngBtn;

class CMsgDlg : public CTopDialog {
    Q_OBJECT
  public:
    enum Mode { kMessage = 1, kText = 2, kNumber = 3, kKeyCapture = 4, kConfirm = 5 };
    static constexpr int kEditId = 513;
    static constexpr int kResultChars = 259;  // AskText copies at most this many characters

    explicit CMsgDlg(QWidget* parent = nullptr);
    ~CMsgDlg() override;

    // Settings made before the dialog runs.
    int m_nMode = -1;
    std::string m_strText;  // message or prompt
    int m_nMaxLen = 0;      // text: most characters; number: most digits; 0 = no limit
    int m_nMin = -1;        // number range; -1 = no bound
    int m_nMax = -1;
    int m_bSingleKey = 0;      // key capture: keep only the last key or modifier
    int m_bModifierBoxes = 0;  // key capture: modifiers from four check boxes

    // Results after OK.
    std::string m_strResult;  // mode 2
    int32_t m_nNumber = 0;    // mode 3; 0 after Cancel
    // Mode 4: modifier bits (0x01 L-Ctrl .. 0x80 R-Win), then up to three virtual-key codes.
    std::array<uint8_t, 4> m_Capture{};
    // The capture as one value, modifier byte lowest.
    uint32_t CaptureValue() const;

    // Builds the window for the mode (done by DoModal and on the first show). Returns false
    // when the background image is missing; the dialog then ends as cancelled.
    bool Prepare();

    // A message or a confirmation: told to a screen reader as an alert when it comes up.
    bool IsAlert() const { return m_nMode == kMessage || m_nMode == kConfirm; }

    // Inspection for callers and tests.
    QLineEdit* Edit() const { return m_pEdit; }
    CPngBtn* OkButton() const { return m_pOk; }
    CPngBtn* CancelButton() const { return m_pCancel; }
    CPngBtn* CloseButton() const { return m_pClose; }
    CPngBtn* ModifierBox(int i) const;  // 0 Shift, 1 Ctrl, 2 Alt, 3 Super
    // The caption beside modifier box i, in the program's language.
    static std::string ModifierBoxLabel(int i);
    const std::string& HintText() const { return m_strHint; }
    // Where the hint is drawn, under the number field.
    QRect HintRect() const;

    // Handles one key message as key capture does (vk code, released); for the key events
    // and for WM_KEY_CAPTURE posted to the dialog.
    void CaptureKey(int vk, bool released);

    // Key capture takes every key while the field has the focus. Holding Esc this long leaves
    // the field (the capture as it was before that Esc) for the OK button, so Tab, Enter and
    // Esc work on the dialog's buttons; the field takes keys again when it gets the focus back.
    static constexpr uint32_t kLeaveHoldMs = 1000;
    bool IsCapturing() const;
    // Where the dialog tells how to leave the field.
    QRect LeaveHintRect() const;

    // The capture memory shared by all key-capture dialogs.
    static void ResetCaptureMemory();
    // Millisecond clock used by the 1000 ms rule (null restores the steady clock).
    static void SetCaptureClock(uint32_t (*clock)());

    QImage ComposePicture(qreal scale = 1) const override;

  protected:
    bool OnWinMessage(CWinMessageEvent* msg) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    void OnOk();
    void OnNumberEdited(const QString& text);
    void OnModifierBox(int i);
    // Adds a key to the combination once, while it holds fewer than three.
    void AddCaptureKey(uint8_t code);
    void ShowCapture();
    void CaptureWithBoxes(int vk);
    uint8_t BoxModifiers() const;
    void SetBoxes(uint8_t mods);
    QRect TextRect() const;
    // Names the dialog and its controls for screen readers.
    void SetUpAccessibility();
    // Capture filter for one key event; false when the event is not the capture's.
    bool FilterCaptureKey(QObject* watched, QKeyEvent* key);
    void LeaveCapture();

    bool m_bPrepared = false;
    SkinImage m_imgBack;
    SkinImage m_imgCheckOff, m_imgCheckOn;
    QLineEdit* m_pEdit = nullptr;
    CPngBtn* m_pOk = nullptr;
    CPngBtn* m_pCancel = nullptr;
    CPngBtn* m_pClose = nullptr;
    CPngBtn* m_pBoxes[4] = {};
    int m_nBoxLabelW[4] = {35, 35, 35, 35};
    uint8_t m_keyedMods = 0;  // box bits ticked by a pressed modifier rather than by hand
    std::string m_strHint;
    // Held Esc: the hold, and the capture before its press.
    CEscHold m_escHold{kLeaveHoldMs};
    std::array<uint8_t, 4> m_escCapture{};
    uint8_t m_escBoxes = 0;
    uint8_t m_escKeyedMods = 0;
};

// Message dialog (mode 1) showing the UI text textKey ("tc_msg29"); a string that is not a
// text key is shown as it stands. Returns IDOK or IDCANCEL.
int ShowMessage(const std::string& textKey, QWidget* parent);
// The same with a literal text.
int ShowMessageText(const std::string& text, QWidget* parent);
// Confirmation (mode 5) with the UI text textKey (or a literal as above); IDOK or IDCANCEL.
int AskConfirm(const std::string& textKey, QWidget* parent);
// Text input (mode 2): on OK copies at most 259 characters into *out and returns 1; 0 on
// Cancel, on an empty text or for a null out.
int AskText(QWidget* parent, const std::string& prompt, int maxLen, std::string* out);
