#pragma once

// The flat look the program's windows share: a plain background colour and the small sans
// serif font of 11 pixels that the layouts are measured for.

#include <QColor>

class QWidget;

namespace kelvan::app {

// Gives the window its background colour and the program's font; children inherit both.
void applyWindowLook(QWidget& window, const QColor& background);

}  // namespace kelvan::app
