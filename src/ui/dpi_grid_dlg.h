// One DPI stage of the DPI panel: shows the stage's value, lets the user pick the stage, step
// its value through the sensor's values and pick its colour. It tells its parent with
// WM_DPI_GRID (action, stage index): 1 picked, 2 value changed, 3 colour changed.
#pragma once

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <cstdint>

#include "skin/image.h"

class QLineEdit;

class CDpiGridDlg : public QWidget {
    Q_OBJECT
  public:
    enum Action { kPicked = 1, kValueChanged = 2, kColorChanged = 3 };
    static constexpr QRect kDecreaseArea{0, 0, 20, 26};   // (0, 0) to (20, 26)
    static constexpr QRect kIncreaseArea{72, 0, 18, 26};  // (72, 0) to (90, 26)
    static constexpr QRect kColorStrip{25, 22, 41, 5};    // (25, 22) to (66, 27)
    static constexpr QRect kValueArea{20, 0, 52, 22};     // the number, above the strip
    // A held arrow steps again after kRepeatDelayMs, then every kRepeatIntervalMs.
    static constexpr int kRepeatDelayMs = 400;
    static constexpr int kRepeatIntervalMs = 70;

    // Loads "dpi_nr.png" and "dpi_dn.png" and takes their size.
    explicit CDpiGridDlg(QWidget* parent = nullptr);

    int m_nIndex = 0;           // the stage this grid shows
    int m_nValue = 0;           // the DPI value shown
    uint32_t m_clr = 0x0000FF;  // stage colour, 0x00BBGGRR
    bool m_bCurrent = false;    // this grid is the current stage
    void SetBackgroundPiece(const QImage& piece);

    // One step through the sensor's values; 1 when the value changed (repainted, action 2
    // posted), 0 when nothing happens.
    int StepUp();
    int StepDown();
    // The value of the sensor's list nearest to typed that the mouse can be given and that lies
    // strictly between the neighbouring stages; 0 when there is none.
    int SnapValue(int typed) const;

    // Typing the value: a field over the number; Enter (or leaving it) takes the typed value,
    // snapped; Escape keeps the value.
    void BeginEdit();
    bool IsEditing() const;
    // Takes what was typed, as Enter does (another stage was picked meanwhile).
    void FinishEdit() { EndEdit(true); }

    QImage ComposePicture(qreal scale = 1) const;

    // The lowest and highest value the sensor offers (0 without a sensor list).
    int SensorMinimum() const;
    int SensorMaximum() const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    int Step(bool up);
    void Post(int action);
    // Makes this the current stage at once (the keyboard steps right after).
    void PickNow();
    // Keyboard: Up/Down step, Page Up/Down ten steps, Left/Right the neighbouring stage,
    // Enter and Space pick. False for other keys.
    bool HandleKey(const QKeyEvent* event);
    CDpiGridDlg* Neighbour(int delta) const;
    // A press on an arrow of the current grid: one step now, more while it is held.
    void PressArrow(bool up);
    void OnRepeat();
    void EndEdit(bool take);

    SkinImage m_imgBack, m_imgNormal, m_imgCurrent;
    QTimer m_repeat;
    bool m_bRepeatUp = false;
    int m_nWheelRest = 0;  // wheel movement short of a whole step (touchpads)
    QLineEdit* m_pEdit = nullptr;
};
