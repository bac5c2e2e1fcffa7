#include "app/WindowLook.h"

#include <QFont>
#include <QPalette>
#include <QStringList>
#include <QWidget>

namespace kelvan::app {

void applyWindowLook(QWidget& window, const QColor& background) {
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, background);
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    // The classic small dialog font where it exists, else a common sans serif of the same size.
    QFont font = window.font();
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(11);
    window.setFont(font);
}

}  // namespace kelvan::app
