// Pictures of widgets for people to look at (the screenshot test).
#pragma once

#include <string>

class QWidget;

// Renders widget (and its children) into a PNG file at path, at the scale of its screen or at
// scale when that is above 0; the folders are made as needed. Returns 1; 0 for a null widget
// or when the file cannot be written.
int RenderWidgetToPng(QWidget* widget, const std::string& path, double scale = 0);
