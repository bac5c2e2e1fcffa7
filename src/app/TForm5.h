#pragma once

// The progress window: a borderless box showing how much of the command queue is left, with
// the share done and the time left beside its caption, and a "Прервать" button (or Esc) that
// cancels the operation. The link sets the bar and shows and closes the window.

#include <QWidget>
#include <functional>

#include "link/QueueProgress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kelvan::app {

class TForm5 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm5(QWidget* parent = nullptr);

    // The bar's maximum and position (the commands still queued), and the text beside the
    // caption that says how far the queue has come.
    void setQueue(int maximum, int position);

    // What "Прервать" and Esc do; set by the owner.
    std::function<void()> cancel;

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* PercentText = nullptr;
    QLabel* TimeLeftText = nullptr;
    QPushButton* CancelButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void cancelClicked();

    link::QueueProgress progress_;
};

}  // namespace kelvan::app
