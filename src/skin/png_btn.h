// The skinned push button: draws one of its state images with an optional caption, tracks the
// pointer for its hover look and can act as a switch whose look follows `checked`.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QImage>

#include <cstdint>
#include <string>

#include "skin/image.h"

class CPngBtn : public QAbstractButton {
    Q_OBJECT
  public:
    explicit CPngBtn(QWidget* parent = nullptr);

    // Copies rect (x, y, w, h) of each source as the normal, hover and pressed images; the
    // disabled image is a second copy of the normal one. A copy that fails is dropped.
    void SetImages(const QRect& rect, const QImage& normal, const QImage& hover,
                   const QImage& pressed);
    void SetCaption(const std::string& text, int leftOffset = 0);
    const std::string& Caption() const { return m_strCaption; }
    // The font the caption is drawn in: the owner's font, else the button's own.
    const QFont& CaptionFont() const;
    // Pixels kept free between a caption and the button's sides, so no word touches a border.
    static constexpr int kCaptionInset = 3;
    // Where the caption starts (the owner's left offset, else the inset) and the pixels it may
    // take on its line.
    int CaptionLeft() const;
    int CaptionRoom() const;
    // True when the caption is wider than its room and is drawn cut; the tool tip then holds
    // the whole caption, whatever the owner set.
    bool IsCaptionElided() const;
    // Makes the button wider (never narrower), up to maxWidth, so that its caption fits with
    // padding pixels to spare; the state images keep their ends and stretch their middle.
    void WidenForCaption(int padding, int maxWidth);
    // The same keeping the right edge: the button grows to the left, at most to minLeft.
    void WidenLeftForCaption(int padding, int minLeft);
    // Only the owner changes the switch state; a click never toggles it.
    void SetChecked(bool state);
    bool IsChecked() const { return m_bChecked; }
    // The tool tip while the caption is shown whole (empty, or the caption itself: none).
    void SetToolTip(const std::string& text);
    // Replaces the background piece by a copy of rect of source (none when it does not fit).
    void SetBackgroundPiece(const QImage& source, const QRect& rect);
    bool HasBackgroundPiece() const { return !m_imgBack.isNull(); }
    // Size of the normal state image (a button may be wider: the image's middle stretches).
    QSize ImageSize() const { return m_imgNormal.size(); }
    // Width that shows the caption whole with padding pixels to spare.
    int WidthForCaption(int padding) const;
    bool IsHovering() const { return m_bHovering; }

    // The picture of the current state, composed off-screen at the button's size in device
    // pixels of scale; a null image when the button has no normal image.
    virtual QImage ComposePicture(qreal scale = 1) const;

    // Set directly by the creator.
    uint32_t m_clrHover = 0x646464;
    uint32_t m_clrNormal = 0xC8C8C8;
    uint32_t m_clrPressed = 0x000000;
    bool m_bSwitch = false;
    const QFont* m_pOwnerFont = nullptr;  // the program font, when the owner provides it
    bool m_bDebugFrame = false;
    bool m_bLink = false;  // the caption is a link: underlined
    int m_nItem = 0;       // free for the owner (key index, rate code, list value)
    // What the button is to a screen reader: a command, one of a group of choices, an on/off
    // switch, a lamp or a shown value.
    enum class Role { Button, Radio, Check, Indicator, Label };
    Role m_role = Role::Button;

  protected:
    struct StateLook {
        const QImage* image;
        uint32_t colour;
    };
    StateLook ChooseLook() const;
    // Gives the tool tip the whole caption while it is elided, the owner's tip otherwise.
    void UpdateCaptionTip();
    // Draws the caption rules into painter for the chosen colour.
    void DrawCaption(QPainter& painter, uint32_t colour) const;

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    SkinImage m_imgNormal, m_imgHover, m_imgPressed, m_imgDisabled, m_imgBack;
    std::string m_strCaption;
    std::string m_strOwnTip;
    int m_nLeftOffset = 0;
    bool m_bChecked = false;
    bool m_bHovering = false;
    QFont m_fontOwn;
};
