// The picture of the mouse in the main window, with one image button per programmable key at
// the model's key marks; a key area shows the highlighted picture while pressed.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <string>

#include "config/device_model.h"
#include "skin/image.h"

class CPngBtn;

class CKeyMarkDlg : public QWidget {
    Q_OBJECT
  public:
    // Creates the sixteen key buttons (hidden until ShowMarks places them).
    explicit CKeyMarkDlg(QWidget* parent = nullptr);

    // Builds the normal and pressed pictures over the view's piece of the main window's
    // background and repaints. An empty pressedPath means no pressed picture.
    void SetMarkPictures(const std::string& normalPath, const std::string& pressedPath,
                         const QImage& mainBackground, const QRect& viewRect);
    // Places and shows the key buttons for the selected model (pSensorCfg); does nothing
    // without a pressed picture.
    void ShowMarks();

    CPngBtn* KeyButton(int i) const;  // nullptr outside 0..15
    const SkinImage& NormalPicture() const { return m_imgNormal; }
    const SkinImage& PressedPicture() const { return m_imgPressed; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    SkinImage m_imgBack, m_imgNormal, m_imgPressed;
    CPngBtn* m_pKeys[kKeysPerSet] = {};
};
