#pragma once

// The progress window: a borderless box showing how much of the command queue is left. It has
// no behaviour of its own; the link sets the bar and shows and closes it.

#include <QWidget>

class QLabel;
class QProgressBar;

namespace kelvan::app {

class TForm5 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace kelvan::app
