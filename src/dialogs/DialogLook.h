#pragma once

#include <QColor>

class QWidget;

namespace kelvan::dialogs {

// The common look of the program's dialogs: `background` behind the controls and the platform's
// sans-serif font at an 11-pixel height, the size all positions are laid out for.
void applyDialogLook(QWidget& dialog, const QColor& background);

// Puts `window` in the middle of the screen it is on (the primary screen before it is shown).
void centreOnScreen(QWidget& window);

// Makes `window` `outerHeight` pixels high including its frame, at a fixed height. The frame is
// known only once the window system has decorated the window; until then the client area takes
// the whole height, so callers apply it again when the window is shown.
void fitOuterHeight(QWidget& window, int outerHeight);

}  // namespace kelvan::dialogs
