#pragma once

#include "widgets/FixedDialog.h"
#include "link/LinkPorts.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QCheckBox;
class QPushButton;

namespace kelvan::dialogs {

// A dialog that shows a chip's fuse or lock bits as a column of check boxes, one per bit as the
// programmer numbers them, and hands their states to its owner with its "Записать" button. The
// subclasses differ in look and in the kind of bits they hold.
class BitDialog : public widgets::FixedDialog {
    Q_OBJECT
  public:
    // Removes every bit box. The dialog keeps its size and the button its place.
    void ClearBitBoxes();
    // Replaces the bit boxes by `count` (0..255) unchecked ones without captions, 20 pixels apart
    // from top 25, and sizes the dialog to 20 * count + 100 high with the button at
    // 20 * count + 40.
    void CreateBitBoxes(int count);
    // Bit `index` of the last CreateBitBoxes; indexes outside it come from a stale reply and
    // change nothing.
    void setBitCaption(int index, const QString& caption);
    void setBitChecked(int index, bool checked);
    int bitCount() const { return static_cast<int>(bitBoxes_.size()); }
    QCheckBox* bitBox(int index) const;

    // Receives a write: the dialog's kind and every bit's state, in the programmer's order.
    // Set by the owner before the dialog is shown.
    std::function<void(link::BitKind, const std::vector<bool>& states)> write;

    QPushButton* Button1 = nullptr;

  protected:
    BitDialog(link::BitKind kind, const QString& caption, const QColor& background,
              int clientWidth, int buttonLeft, QWidget* parent);

    // Hands every bit's state to `write` (nothing when there are no bits), then closes the
    // dialog.
    void Button1Click();
    // Any mouse button released on the button writes, click or not.
    void Button1MouseUp();
    // Enter released on the button writes; other keys do nothing.
    void Button1KeyUp(int key);
    // Enter released on the dialog or a bit box closes it without writing.
    void FormKeyUp(int key);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    link::BitKind kind_;
    std::vector<QCheckBox*> bitBoxes_;
};

}  // namespace kelvan::dialogs
