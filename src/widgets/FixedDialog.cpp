#include "widgets/FixedDialog.h"

#include "widgets/DialogLook.h"

namespace kelvan::widgets {

FixedDialog::FixedDialog(const QString& caption, const QColor& background, const QSize& clientSize,
                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    applyDialogLook(*this, background);
    setFixedSize(clientSize);
}

void FixedDialog::setOuterHeight(int outerHeight) {
    outerHeight_ = outerHeight;
    fitOuterHeight();
}

void FixedDialog::fitOuterHeight() {
    const int frame = frameGeometry().height() - geometry().height();
    setFixedHeight(outerHeight_ - frame);
}

void FixedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (outerHeight_ != 0) {
        fitOuterHeight();  // the frame may be known by now
    }
    centreOnScreen(*this);
}

}  // namespace kelvan::widgets
