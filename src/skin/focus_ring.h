// Keyboard helpers shared by the skinned controls: the focus ring drawn over a control that has
// the keyboard focus, and the keys that activate a button.
#pragma once

#include <QRect>
#include <Qt>

#include <cstdint>

class QKeyEvent;
class QPainter;
class QWidget;

// A dotted one-pixel frame inset by one pixel, in colour (0x00BBGGRR): the skin's hover caption
// colour, so it reads on that skin's backgrounds.
void DrawFocusRing(QPainter& painter, const QRect& rect, uint32_t colour);
// Remembers how the widget got the focus (call from focusInEvent): the focus a window hands out
// when it opens or is clicked shows no ring; Tab and the program's keyboard moves do.
void NoteFocusReason(QWidget* widget, Qt::FocusReason reason);
// True when the widget should show its ring: it has the focus, and not only from its window.
bool ShowsFocusRing(const QWidget* widget);
// Enter and Return activate a button as Space does (Space is the button's own).
bool IsActivateKey(const QKeyEvent* event);
// Steps a page key moves a slider or a value.
inline constexpr int kPageStep = 10;
