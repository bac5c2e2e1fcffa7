#include "app/TForm5.h"

#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <chrono>

#include "widgets/DialogLook.h"

namespace kelvan::app {

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      Label1(new QLabel(QStringLiteral("Очередь команд"), this)),
      ProgressBar1(new QProgressBar(this)),
      PercentText(new QLabel(this)),
      TimeLeftText(new QLabel(this)),
      CancelButton(new QPushButton(QStringLiteral("Прервать"), this)) {
    setObjectName(QStringLiteral("Form5"));
    // It pops up while the user works in the lists; keyboard focus stays where it was.
    setAttribute(Qt::WA_ShowWithoutActivating);
    widgets::applyDialogLook(*this, QColor(220, 220, 192));
    setFixedSize(359, 89);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(136, 16);
    Label1->adjustSize();

    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(24, 40, 313, 16);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    // On the caption's line: the share done over the bar's start, the time left from beside the
    // caption to the bar's end; the button below the bar.
    PercentText->setObjectName(QStringLiteral("PercentText"));
    PercentText->setGeometry(24, 16, 100, 17);
    const int afterCaption = Label1->x() + Label1->width() + 8;
    TimeLeftText->setObjectName(QStringLiteral("TimeLeftText"));
    TimeLeftText->setGeometry(afterCaption, 16, 337 - afterCaption, 17);
    TimeLeftText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(142, 61, 75, 23);
    CancelButton->setFocusPolicy(Qt::NoFocus);
    connect(CancelButton, &QPushButton::clicked, this, [this] { cancelClicked(); });
}

void TForm5::setQueue(int maximum, int position) {
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(position);
    progress_.update(maximum, position, std::chrono::steady_clock::now());
    PercentText->setText(QString::fromStdString(progress_.percentText()));
    TimeLeftText->setText(QString::fromStdString(progress_.timeLeftText()));
}

void TForm5::showEvent(QShowEvent* event) {
    // Centred on the desktop each time it appears, whatever the main window does.
    widgets::centreOnScreen(*this);
    QWidget::showEvent(event);
}

void TForm5::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelClicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm5::cancelClicked() {
    if (cancel) {
        cancel();
    }
}

}  // namespace kelvan::app
