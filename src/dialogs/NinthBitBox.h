#pragma once

// The "Девятый бит" list of the settings dialog. The stored "Parity" is its selected index, and
// the next start opens the port by it, so the selection changes only when the user chooses an
// item from the opened list: typing, the wheel, the arrow keys and focus changes leave it as it
// is. With nothing selected (index -1) the port runs without a ninth bit, and the box says so
// with the caption of the item "Нет" while no item is selected.

#include <QComboBox>

namespace kelvan::dialogs {

class NinthBitBox : public QComboBox {
    Q_OBJECT
  public:
    // The five items of session::NinthBitModes, none selected.
    explicit NinthBitBox(QWidget* parent = nullptr);

    // What the box shows: the selected item's caption, or "Нет" when none is selected.
    QString shownText() const;

  protected:
    // Only the keys that open the list act; the rest go on to the dialog (Enter, Esc).
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

}  // namespace kelvan::dialogs
