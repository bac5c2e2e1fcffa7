#include "app/TForm5.h"

#include <QLabel>
#include <QProgressBar>

#include "widgets/DialogLook.h"

namespace kelvan::app {

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      Label1(new QLabel(QStringLiteral("Очередь команд"), this)),
      ProgressBar1(new QProgressBar(this)) {
    setObjectName(QStringLiteral("Form5"));
    // It pops up while the user works in the lists; keyboard focus stays where it was.
    setAttribute(Qt::WA_ShowWithoutActivating);
    dialogs::applyDialogLook(*this, QColor(220, 220, 192));
    setFixedSize(359, 89);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(136, 16);
    Label1->adjustSize();

    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(24, 40, 313, 16);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
}

void TForm5::showEvent(QShowEvent* event) {
    // Centred on the desktop each time it appears, whatever the main window does.
    dialogs::centreOnScreen(*this);
    QWidget::showEvent(event);
}

}  // namespace kelvan::app
