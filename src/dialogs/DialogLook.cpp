#include "dialogs/DialogLook.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace kelvan::dialogs {

void applyDialogLook(QWidget& dialog, const QColor& background) {
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, background);
    dialog.setPalette(palette);
    dialog.setAutoFillBackground(true);

    QFont font = QApplication::font();
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    dialog.setFont(font);
}

void centreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;  // no screen at all: nothing to centre on
    }
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

void fitOuterHeight(QWidget& window, int outerHeight) {
    const int frame = window.frameGeometry().height() - window.geometry().height();
    window.setFixedHeight(outerHeight - frame);
}

}  // namespace kelvan::dialogs
