// Borderless windows move when dragged by their face (any part that is not a control).
#pragma once

#include <functional>

class QWidget;

// Installs the behaviour on window: a left press on the window itself runs beforeMove (for
// example closing an open popup menu) and starts moving the window.
void EnableFaceDrag(QWidget* window, std::function<void()> beforeMove = {});
