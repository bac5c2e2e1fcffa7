#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace kelvan::widgets {

// The text the error box shows: `text` with a full stop appended when its last character's code
// lies above that of the full stop (0x2E); texts ending in "!", "." or ")" stay as they are.
QString errorBoxText(const QString& text);

// The application's error report: a modal critical box captioned with the application title
// (QApplication::applicationDisplayName(), "Kelvan" when that is empty) showing errorBoxText(text).
// Returns when the user has closed it.
void showErrorBox(QWidget* parent, const QString& text);

// Replaces the modal box: while a handler is installed, showErrorBox hands it the final text
// (after errorBoxText) instead of opening a box. Tests use it so that nothing blocks. Returns the
// handler that was installed before; an empty handler restores the modal box.
using ErrorBoxHandler = std::function<void(QWidget* parent, const QString& shownText)>;
ErrorBoxHandler setErrorBoxHandler(ErrorBoxHandler handler);

}  // namespace kelvan::widgets
