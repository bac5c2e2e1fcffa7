#pragma once

#include <QDialog>

class QColor;
class QSize;
class QString;

namespace kelvan::widgets {

// A dialog of a fixed size in the program's look, centred on its screen each time it is shown.
// A dialog whose height follows its content sets it with setOuterHeight.
class FixedDialog : public QDialog {
    Q_OBJECT
  public:
    // The height of the window with its frame.
    int outerHeight() const { return frameGeometry().height(); }

  protected:
    FixedDialog(const QString& caption, const QColor& background, const QSize& clientSize,
                QWidget* parent);

    // Makes the window `outerHeight` pixels high including its frame, at a fixed height. The
    // frame is known only once the window system has decorated the window, so the height is
    // applied again whenever the window is shown.
    void setOuterHeight(int outerHeight);

    void showEvent(QShowEvent* event) override;

  private:
    void fitOuterHeight();

    int outerHeight_ = 0;  // 0 until setOuterHeight: the design size stands
};

}  // namespace kelvan::widgets
