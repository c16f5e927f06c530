// Factories that turn skin file names and a rectangle into a ready skinned control: state
// images, background piece, caption colours, program font and debug switch. They are also
// where a missing skin file is reported ("Warrning" message box).
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

class QWidget;
class CPngBtn;
class CPngSliderBar;

// A button from three skin files (normal, hover, pressed) placed at (left, top) with the size
// of the normal image; its background piece is (left, top, right - left, bottom - top) of
// ownerBg. Returns 1; 0 after reporting the first missing file, with btn left uncreated.
int NewSmallPngButton(const QImage* ownerBg, QWidget* owner, const char* normalFile,
                      const char* hoverFile, const char* pressedFile, CPngBtn* btn, int isSwitch,
                      int toolTip, const char* caption, int left, int top, int right, int bottom);

// The same for dialogs: placed at (x, y), background piece of the button's size at srcPoint
// ((0, 0) when null). Returns 0 at once (no message) when a file name is null.
int NewSmallPngButton3(const QImage* ownerBg, const QPoint* srcPoint, QWidget* owner,
                       const char* normalFile, const char* hoverFile, const char* pressedFile,
                       CPngBtn* btn, int isSwitch, int toolTip, const char* caption, int x, int y);

// A button at the rectangle whose state images are that rectangle of the three sources; no
// background piece, no tool tip. Returns 1 (0 only for a null button or owner).
int NewCutPngButton(CPngBtn* btn, QWidget* owner, const QImage& normal, const QImage& hover,
                    const QImage& pressed, int isSwitch, const char* caption, int left, int top,
                    int right, int bottom);

// A slider bar at barRect whose pictures are composed over bgRect of ownerBg. The caller sets
// the thumb top (bar->Thumb()->m_nThumbTop) beforehand. A missing fill file gives a bar
// without fill. Returns 1; 0 after reporting a missing track file.
int NewSmallPngSliderBar(const QImage* ownerBg, CPngSliderBar* bar, QWidget* owner,
                         const QImage* thumb, int minimum, int maximum, int ctrlId,
                         const char* trackFile, const char* fillFile, const QPoint* trackOffset,
                         const QRect& bgRect, const QRect& barRect);
