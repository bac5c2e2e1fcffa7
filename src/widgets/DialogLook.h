#pragma once

#include <QColor>

class QWidget;

namespace kelvan::widgets {

// The flat look every window of the program shares, dialogs and main window alike: `background`
// behind the controls and a small sans-serif font 11 pixels high, the size all positions are
// laid out for. Children inherit both.
void applyDialogLook(QWidget& window, const QColor& background);

// Puts `window` in the middle of the screen it is on (the primary screen before it is shown).
void centreOnScreen(QWidget& window);

}  // namespace kelvan::widgets
