#include "dialogs/NinthBitBox.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include "session/NinthBit.h"

namespace kelvan::dialogs {

NinthBitBox::NinthBitBox(QWidget* parent) : QComboBox(parent) {
    for (const session::NinthBitMode& mode : session::NinthBitModes) {
        addItem(QString::fromUtf8(mode.caption));
    }
    // No index selects no parity, which is what the first item says in words.
    setPlaceholderText(QString::fromUtf8(session::NinthBitModes.front().caption));
    setCurrentIndex(-1);
}

QString NinthBitBox::shownText() const {
    return currentIndex() < 0 ? placeholderText() : currentText();
}

void NinthBitBox::keyPressEvent(QKeyEvent* event) {
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    switch (event->key()) {
        case Qt::Key_F4:
        case Qt::Key_Space:
        case Qt::Key_Select:
            showPopup();
            return;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (alt) {
                showPopup();
                return;
            }
            break;
        default:
            break;
    }
    event->ignore();
}

void NinthBitBox::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

}  // namespace kelvan::dialogs
