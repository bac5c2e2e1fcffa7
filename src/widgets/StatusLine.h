#pragma once

#include <QColor>
#include <QStatusBar>
#include <QString>

class QLabel;

namespace kelvan::widgets {

// The main window's status bar: one panel of text on the window's colour, or on the error
// colour (8080FF as the colour value stores it: red 255, green 128, blue 128) until the next
// reset. The link, the operations and the file browser all write to this one line.
class StatusLine : public QStatusBar {
    Q_OBJECT
  public:
    StatusLine(const QColor& normalColour, QWidget* parent);

    void showText(const QString& text);
    QString text() const;
    void setErrorColour();
    void resetColour();
    QColor colour() const;
    bool showsError() const;

    QLabel* StatusPanel = nullptr;

  private:
    void setBackground(const QColor& colour);

    QColor normalColour_;
};

}  // namespace kelvan::widgets
