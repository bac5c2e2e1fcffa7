#include "widgets/StatusLine.h"

#include <QLabel>

namespace kelvan::widgets {
namespace {

const QColor ErrorColour(255, 128, 128);

}  // namespace

StatusLine::StatusLine(const QColor& normalColour, QWidget* parent)
    : QStatusBar(parent), normalColour_(normalColour) {
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    setAutoFillBackground(true);
    StatusPanel = new QLabel(QStringLiteral("Строка состояния"), this);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    addWidget(StatusPanel, 1);
    resetColour();
}

void StatusLine::showText(const QString& text) {
    StatusPanel->setText(text);
}

QString StatusLine::text() const {
    return StatusPanel->text();
}

void StatusLine::setErrorColour() {
    setBackground(ErrorColour);
}

void StatusLine::resetColour() {
    setBackground(normalColour_);
}

QColor StatusLine::colour() const {
    return palette().color(QPalette::Window);
}

bool StatusLine::showsError() const {
    return colour() == ErrorColour;
}

void StatusLine::setBackground(const QColor& colour) {
    QPalette changed = palette();
    changed.setColor(QPalette::Window, colour);
    setPalette(changed);
}

}  // namespace kelvan::widgets
