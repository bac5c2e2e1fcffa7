#pragma once

#include <Qt>

namespace kelvan::widgets {

// Enter on either the main keyboard or the keypad: the windows treat both alike.
inline bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace kelvan::widgets
