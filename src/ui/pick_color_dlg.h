// The colour control of the lighting panel: the skin image "PickColor.png"; a click on one of
// its visible pixels opens the standard colour dialog and reports the chosen colour to the
// parent with WM_PICK_COLOR (colour, 0).
#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "skin/image.h"

// Asks the user for a colour, preset with initial (0x00BBGGRR); true with *chosen set on OK.
using ColorChooser = std::function<bool(QWidget* parent, uint32_t initial, uint32_t* chosen)>;
// Replaces the standard colour dialog (tests); an empty chooser restores it.
void SetColorChooser(ColorChooser chooser);
// Runs the current chooser; false when cancelled.
bool ChooseColor(QWidget* parent, uint32_t initial, uint32_t* chosen);

// The pixels of image whose alpha is minAlpha or more, as a region in image coordinates.
QRegion AlphaHotRegion(const QImage& image, int minAlpha);

class CPickColorDlg : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMinAlpha = 20;

    // Loads "PickColor.png" and builds the hot region; a missing image gives an empty one.
    explicit CPickColorDlg(QWidget* parent = nullptr);

    void SetBackgroundPiece(const QImage& piece);
    // Sets the colour the dialog opens on and the swatch shows.
    void SetColor(uint32_t clr);
    uint32_t Color() const { return m_clr; }
    const QRegion& HotRegion() const { return m_hot; }
    const QImage& Image() const { return m_img; }

    // The control's picture at a device pixel ratio (the image's own ratio is set to it).
    QImage ComposePicture(qreal dpr = 1) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // Opens the colour dialog and reports a chosen colour (click and Enter/Space).
    void Choose();

    SkinImage m_imgBack;
    SkinImage m_img;
    QRegion m_hot;
    uint32_t m_clr = 0;
};
